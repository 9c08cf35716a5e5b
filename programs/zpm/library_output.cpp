// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/library_output.h"

#include "patch/list_text.h"
#include "zpm/cli_io.h"
#include "zpm/patch_file.h"

namespace zpm::cli {

namespace {

struct TFmKindName {
  const char *name;
  TKind kind;
};
const TFmKindName kFmKinds[] = {{"voice", TKind::FmVoice},       {"voices", TKind::FmVoice},
                                {"drumset", TKind::FmDrumset},   {"drumsets", TKind::FmDrumset},
                                {"drum", TKind::FmDrumset},      {"drums", TKind::FmDrumset},
                                {"ensemble", TKind::FmEnsemble}, {"ensembles", TKind::FmEnsemble}};

} // namespace

void AddLibraryOption(CommandLine &line) {
  line.AddValueOption("library", "FILE",
                      "The library file (default: ZPM_LIBRARY, else library.sqlite in the "
                      "program's data folder).");
}

std::unique_ptr<TLibrary> OpenLibrary(const CommandLine &line) {
  const std::string path = line.IsSet("library")
                               ? ArgumentString(AbsolutePath(line.Value("library")))
                               : DefaultLibraryPath();
  return std::make_unique<TLibrary>(path);
}

std::string ArgumentString(const QString &text) {
  return ArgumentBytes(text).toStdString();
}

QString ShownBytes(const std::string &bytes) {
  return TerminalField(ArgumentText(QByteArray::fromStdString(bytes)));
}

std::string JsonBytes(const std::string &bytes) {
  return JsonString(
      QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toUtf8().toStdString());
}

int64_t ResolvePatch(TLibrary &library, const QString &text) {
  return library.Resolve(ArgumentString(text));
}

QString PatchLabel(const TPatchRow &row) {
  QString label = QString::number(row.id);
  if (row.name)
    label += " \"" + ShownBytes(*row.name) + "\"";
  return label;
}

std::string SlotName(int bank, int number) {
  return BankLetter(static_cast<uint8_t>(bank)) + ":" + std::to_string(number + 1);
}

TBankName ParseBankName(const QString &option, const QString &text) {
  const QStringList parts = text.split(':');
  TBankName bank;
  if (parts.size() == 2 && parts[0] == "sid") {
    bank.bank = ParseBank(option, parts[1]);
    return bank;
  }
  if (parts.size() == 3 && parts[0] == "fm")
    for (const TFmKindName &kind : kFmKinds)
      if (parts[1] == kind.name) {
        bank.kind = kind.kind;
        bank.bank = ParseBank(option, parts[2]);
        return bank;
      }
  throw UsageError(
      QString("%1 names a bank as sid:L or fm:voice:L, fm:drumset:L, fm:ensemble:L, not \"%2\".")
          .arg(option, text));
}

std::string BankNameText(const TBankName &bank) {
  const std::string letter = BankLetter(static_cast<uint8_t>(bank.bank));
  switch (bank.kind) {
  case TKind::Sid:
    return "sid:" + letter;
  case TKind::FmVoice:
    return "fm:voice:" + letter;
  case TKind::FmDrumset:
    return "fm:drumset:" + letter;
  case TKind::FmEnsemble:
    return "fm:ensemble:" + letter;
  }
  return letter;
}

int DeviceAt(TLibrary &library, const TBankName &bank, int64_t time) {
  for (const TSnapshotRow &snapshot : library.History(bank.kind, bank.bank))
    if (snapshot.time <= time)
      return snapshot.device;
  return 0;
}

void AddSearchOptions(CommandLine &line) {
  line.AddValueOption("kind", "K",
                      "Only patches of this kind: sid, fm-voice, fm-drumset or fm-ensemble.");
  line.AddValueOption("tag", "T", "Only patches with this tag (may be given more than once).");
  line.AddFlag("favourite", "Only favourites.");
  line.AddValueOption("file", "PATH", "Only patches seen in this file.");
}

TSearch SearchOf(const CommandLine &line, const QString &text) {
  TSearch search;
  search.text = ArgumentString(text);
  if (line.IsSet("kind")) {
    TKind kind;
    if (!ParseKind(line.Value("kind").toStdString(), kind))
      throw UsageError(QString("--kind is sid, fm-voice, fm-drumset or fm-ensemble, not \"%1\".")
                           .arg(line.Value("kind")));
    search.kind = kind;
  }
  for (const QString &tag : line.Values("tag"))
    search.tags.push_back(ArgumentString(tag));
  search.favouritesOnly = line.IsSet("favourite");
  if (line.IsSet("file")) {
    if (line.Value("file").isEmpty())
      throw UsageError("--file needs the path of a file, as it was imported.");
    search.file = LibraryFilePath(ArgumentString(line.Value("file")));
  }
  return search;
}

} // namespace zpm::cli
