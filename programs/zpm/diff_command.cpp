// SPDX-License-Identifier: GPL-3.0-or-later
// zpm diff: two patch sources compared slot by slot; each a .syx file or a
// bank fetched from the synthesizer ("what changed on my synth since my last
// backup?").
#include "fm/fm_transfer.h"
#include "patch/error.h"
#include "patch/list_text.h"
#include "sid/sid_transfer.h"
#include "viewer/slot_compare.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/device_session.h"
#include "zpm/fetch_summary.h"
#include "zpm/file_names.h"
#include "zpm/patch_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

namespace zpm::cli {

namespace {

constexpr int ExitDiffers = 3;

QString Latin1(const std::string &text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

struct TFmTypeName {
  const char *name;
  uint8_t type;
};
const TFmTypeName kFmTypes[] = {{"voice", kFmVoice},       {"voices", kFmVoice},
                                {"drumset", kFmDrumset},   {"drumsets", kFmDrumset},
                                {"drum", kFmDrumset},      {"ensemble", kFmEnsemble},
                                {"ensembles", kFmEnsemble}};

// The device is opened once, for the first source that needs it.
class TSources {
public:
  explicit TSources(const CommandLine &line) : m_line(line) {}

  std::vector<TSlotPatch> Load(const QString &source) {
    if (source.startsWith("sid:"))
      return FetchSid(source, ParseBank(source, source.mid(4)));
    if (source.startsWith("fm:")) {
      const QStringList parts = source.split(':');
      if (parts.size() != 3)
        throw UsageError(
            QString("An FM source is fm:TYPE:BANK such as fm:voice:B, not \"%1\".").arg(source));
      for (const TFmTypeName &type : kFmTypes)
        if (parts[1] == type.name)
          return FetchFm(source, type.type, ParseBank(source, parts[2]));
      throw UsageError(QString("The FM type in \"%1\" is voice, drumset or ensemble.").arg(source));
    }
    return FromFile(source);
  }

private:
  TDeviceSession &Session() {
    if (!m_session)
      m_session = std::make_unique<TDeviceSession>(m_line);
    return *m_session;
  }

  std::vector<TSlotPatch> FetchSid(const QString &source, int bank) {
    TDeviceSession &session = Session();
    TSidFetch fetch;
    fetch.device = session.Settings().deviceId;
    fetch.delayMs = session.Settings().delayMs;
    fetch.fetchBank = bank;
    fetch.retries = 2;
    TPatchBank fetched;
    const TFetchReport report = GetSingleSidBank(session.Link(), session.Host(), fetch, fetched);
    if (!report.lostReason.empty())
      throw ZpmError(report.lostReason);
    if (!report.AllFetched())
      throw ZpmError(QString("%1 could not be read: %2 Nothing was compared.")
                         .arg(source, NotFetchedText(report))
                         .toStdString());
    std::vector<TSlotPatch> found;
    for (int i = 0; i < fetched.Count(); ++i)
      found.push_back(SlotOf(fetched.GetPatch(i)));
    return found;
  }

  std::vector<TSlotPatch> FetchFm(const QString &source, uint8_t type, int bank) {
    TDeviceSession &session = Session();
    const uint8_t device = session.Settings().deviceId;
    std::vector<TSlotPatch> found;
    const int count = FmPatchesPerBank(type);
    for (int number = 0; number < count; ++number) {
      TFMPatch patch;
      bool cancelled = false;
      TWaitOutcome outcome;
      const FmFetchReply reply =
          FetchFmPatch(session.Link(), session.Host(), device, static_cast<uint8_t>(bank),
                       static_cast<uint8_t>(number), type, patch, &cancelled, &outcome);
      if (reply == FmFetchReply::Dump) {
        found.push_back(SlotOf(patch));
        continue;
      }
      const QString slot =
          QString("%1:%2").arg(Latin1(BankLetter(static_cast<uint8_t>(bank)))).arg(number + 1);
      if (reply == FmFetchReply::Refused)
        throw ZpmError(QString("%1 could not be read: the synthesizer refused patch %2, so "
                               "it has no such bank. Nothing was compared.")
                           .arg(source, slot)
                           .toStdString());
      throw ZpmError(
          QString("%1 could not be read: patch %2 did not arrive whole (%3). "
                  "Check the cables and the device ID and run again.")
              .arg(source, slot, QString::fromLatin1(FetchResultText(FetchResultOf(outcome))))
              .toStdString());
    }
    return found;
  }

  static std::vector<TSlotPatch> FromFile(const QString &source) {
    const LoadedFile file = LoadPatchFile(source, FileKind::Auto);
    std::vector<TSlotPatch> found;
    for (int i = 0; i < file.sid.Count(); ++i)
      found.push_back(SlotOf(file.sid.GetPatch(i)));
    for (const TFMPatchBank *bank : {&file.voices, &file.drums, &file.ensembles})
      for (int i = 0; i < bank->Count(); ++i)
        found.push_back(SlotOf(bank->GetPatch(i)));
    return found;
  }

  const CommandLine &m_line;
  std::unique_ptr<TDeviceSession> m_session;
};

QString NameText(const std::optional<std::string> &name) {
  return name ? "\"" + TerminalField(Latin1(*name)) + "\"" : QString("-");
}

QString SlotLine(const TSlotComparison &slot) {
  QString line = QString("%1 %2 %3")
                     .arg(Latin1(SlotTypeText(slot.kind)), Latin1(SlotText(slot)),
                          Latin1(SlotStateText(slot.state)));
  if (slot.state == TSlotState::OnlyA)
    return line + ": " + NameText(slot.nameA);
  if (slot.state == TSlotState::OnlyB)
    return line + ": " + NameText(slot.nameB);
  line += ": " + NameText(slot.nameA) + " / " + NameText(slot.nameB);
  QStringList rows;
  for (const TRowComparison &row : slot.rows)
    rows << TerminalField(
        QString("%1 %2 -> %3").arg(Latin1(row.label), Latin1(row.valueA), Latin1(row.valueB)));
  if (!rows.isEmpty())
    line += "; " + rows.join("; ");
  return line;
}

QJsonValue NameJson(const std::optional<std::string> &name) {
  return name ? QJsonValue(Latin1(*name)) : QJsonValue();
}

} // namespace

int RunDiff(const QStringList &args) {
  CommandLine line("zpm diff A B [--json] [device options]",
                   "Compares two patch sources slot by slot. Each is a .syx file, or sid:BANK / "
                   "fm:TYPE:BANK (TYPE voice, drumset or ensemble) to fetch that bank from the "
                   "synthesizer. Exit 0: the same patches; 3: they differ; 1: a source could "
                   "not be read.");
  line.AddFlag("json", "Print one JSON document.");
  AddDeviceOptions(line, true);
  if (!line.Parse(args, 2))
    return ExitDone;
  const QString sourceA = line.Positional(0);
  const QString sourceB = line.Positional(1);
  TSources sources(line);
  const std::vector<TSlotPatch> a = sources.Load(sourceA);
  const std::vector<TSlotPatch> b = sources.Load(sourceB);
  const std::vector<TSlotComparison> compared = CompareSlots(a, b);

  int differing = 0;
  int onlyA = 0;
  int onlyB = 0;
  for (const TSlotComparison &slot : compared) {
    differing += slot.state == TSlotState::Differs;
    onlyA += slot.state == TSlotState::OnlyA;
    onlyB += slot.state == TSlotState::OnlyB;
  }
  if (line.IsSet("json")) {
    QJsonArray list;
    for (const TSlotComparison &slot : compared) {
      QJsonArray rows;
      for (const TRowComparison &row : slot.rows)
        rows.append(QJsonArray{Latin1(row.label), Latin1(row.valueA), Latin1(row.valueB)});
      QJsonObject item;
      item["slot"] = Latin1(SlotText(slot));
      item["type"] = Latin1(SlotTypeText(slot.kind));
      item["state"] = Latin1(SlotStateText(slot.state));
      item["name_a"] = NameJson(slot.nameA);
      item["name_b"] = NameJson(slot.nameB);
      item["rows"] = rows;
      list.append(item);
    }
    QJsonObject json;
    json["a"] = sourceA;
    json["b"] = sourceB;
    json["slots"] = list;
    PrintOutBytes(QJsonDocument(json).toJson(QJsonDocument::Indented));
  } else {
    QString text;
    for (const TSlotComparison &slot : compared)
      if (slot.state != TSlotState::Same)
        text += SlotLine(slot) + "\n";
    text += QString("%1 slots compared: %2 differ, %3 only in A, %4 only in B.\n")
                .arg(compared.size())
                .arg(differing)
                .arg(onlyA)
                .arg(onlyB);
    PrintOut(text);
  }
  return differing + onlyA + onlyB == 0 ? ExitDone : ExitDiffers;
}

} // namespace zpm::cli
