// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/patch_file.h"

#include "fm/fm_file.h"
#include "fm/fm_list.h"
#include "midi/log_text.h"
#include "patch/checksum.h"
#include "sid/sid_file.h"
#include "sid/sid_list.h"
#include "zpm/cli_io.h"

#include "patch/list_text.h"

#include <cstdio>

namespace zpm::cli {

namespace {

// "3 voices", "1 drumset", "2 patches".
QString CountText(PatchList list, int count) {
  static const char *const kOne[] = {"patch", "voice", "drumset", "ensemble"};
  static const char *const kMany[] = {"patches", "voices", "drumsets", "ensembles"};
  const auto i = static_cast<size_t>(list);
  return QString("%1 %2").arg(count).arg(count == 1 ? kOne[i] : kMany[i]);
}

const char *const kListNames[] = {"sid", "voices", "drumsets", "ensembles"};

bool StartsWithFmHeader(const Bytes &data) {
  static const uint8_t header[] = {0xF0, 0x00, 0x00, 0x7E, 0x49};
  return data.size() >= sizeof header && std::equal(header, header + sizeof header, data.begin());
}

const TFMPatchBank &FmBank(const LoadedFile &file, PatchList list) {
  switch (list) {
  case PatchList::Drumsets:
    return file.drums;
  case PatchList::Ensembles:
    return file.ensembles;
  default:
    return file.voices;
  }
}

uint8_t FmListType(PatchList list) {
  switch (list) {
  case PatchList::Drumsets:
    return kFmDrumset;
  case PatchList::Ensembles:
    return kFmEnsemble;
  default:
    return kFmVoice;
  }
}

// Bank bytes beyond H can come from a file; the letter goes on as the window's
// "A" + bank does.
std::string BankText(int bank) {
  return QString(QChar(char16_t('A' + bank))).toStdString();
}

} // namespace

QString ListName(PatchList list) {
  return kListNames[static_cast<int>(list)];
}

bool ParseListName(const QString &text, PatchList &list) {
  for (int i = 0; i < 4; ++i)
    if (text == kListNames[i]) {
      list = static_cast<PatchList>(i);
      return true;
    }
  return false;
}

std::vector<PatchList> LoadedFile::Lists() const {
  if (fm)
    return {PatchList::Voices, PatchList::Drumsets, PatchList::Ensembles};
  return {PatchList::Sid};
}

int LoadedFile::Count(PatchList list) const {
  if (list == PatchList::Sid)
    return fm ? 0 : sid.Count();
  return fm ? FmBank(*this, list).Count() : 0;
}

Bytes LoadedFile::Image(PatchList list, int index) const {
  if (list == PatchList::Sid) {
    const auto &dump = sid.GetPatch(index).Dump;
    return Bytes(dump.begin(), dump.end());
  }
  const auto &dump = FmBank(*this, list).GetPatch(index).Dump;
  return Bytes(dump.begin(), dump.end());
}

const std::vector<size_t> &LoadedFile::DumpOffsets(PatchList list) const {
  switch (list) {
  case PatchList::Sid:
    return sidReport.dumpOffsets;
  case PatchList::Voices:
    return fmReport.voiceOffsets;
  case PatchList::Drumsets:
    return fmReport.drumsetOffsets;
  case PatchList::Ensembles:
    break;
  }
  return fmReport.ensembleOffsets;
}

PatchList FmListOfType(uint8_t type) {
  switch (type) {
  case kFmDrumset:
    return PatchList::Drumsets;
  case kFmEnsemble:
    return PatchList::Ensembles;
  default:
    return PatchList::Voices;
  }
}

LoadedFile LoadPatchFile(const QString &path, FileKind kind) {
  LoadedFile file;
  file.path = AbsolutePath(path);
  const std::string name = file.path.toStdString();
  TInputFile input(file.path);
  // Enough for either loader's header test; a file that fails it is not read on.
  constexpr size_t kHeadSize = 16;
  Bytes data = input.Read(kHeadSize);
  file.fm = kind == FileKind::Fm || (kind == FileKind::Auto && StartsWithFmHeader(data));
  if (file.fm)
    CheckFmFileStart(data.data(), data.size(), input.Size(), name);
  else
    CheckSidFileStart(data.data(), data.size(), input.Size(), name);
  const Bytes rest = input.Read(input.Size());
  data.insert(data.end(), rest.begin(), rest.end());
  if (file.fm)
    file.fmReport = LoadFmFile(data, name, file.voices, file.drums, file.ensembles);
  else
    file.sidReport = LoadSidFile(data, name, file.sid);
  file.data = std::move(data);
  return file;
}

namespace {

// What a SID and an FM row share: the dump, its device number and its checksum.
template <typename Patch> void FillFromDump(ListRow &row, const Patch &patch) {
  row.device = patch.DeviceNumber();
  row.checksum = patch.Checksum();
  row.checksumOk = DataChecksum(patch.Data()) == patch.Checksum();
  row.dump = patch.Dump.data();
  row.dumpSize = patch.Dump.size();
}

} // namespace

ListRow MakeListRow(const LoadedFile &file, PatchList list, int index) {
  ListRow row{list, index, {}, 0, std::nullopt, 0, 0, false, nullptr, 0};
  if (list == PatchList::Sid) {
    const TPatch &patch = file.sid.GetPatch(index);
    const SidListRow texts = SidListText(patch);
    row.bank = BankText(patch.Bank);
    row.number = texts.number;
    row.name = Latin1ToUtf8(texts.name);
    FillFromDump(row, patch);
  } else {
    const TFMPatch &patch = FmBank(file, list).GetPatch(index);
    const FmListRow texts = FmListText(patch, FmListType(list));
    row.bank = BankText(patch.Bank());
    row.number = texts.number;
    if (texts.hasName)
      row.name = Latin1ToUtf8(texts.name);
    FillFromDump(row, patch);
  }
  return row;
}

std::string HexPairs(const uint8_t *bytes, size_t count) {
  std::string hex = StreamToHex(bytes, count);
  if (!hex.empty())
    hex.pop_back(); // pairs are separated, not followed, by a blank
  return hex;
}

std::string JsonString(const std::string &utf8) {
  std::string out = "\"";
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else if (byte == 0xC2 && i + 1 < utf8.size() &&
               static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      // U+0080..U+009F, the C1 controls, which terminals obey as well.
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(utf8[++i]));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + '"';
}

void AppendListRowJson(std::string &out, const ListRow &row) {
  out += "{\"list\": " + JsonString(ListName(row.list).toStdString());
  out += ", \"index\": " + std::to_string(row.index);
  out += ", \"bank\": " + JsonString(row.bank);
  out += ", \"number\": " + std::to_string(row.number);
  out += ", \"name\": " + (row.name ? JsonString(*row.name) : std::string("null"));
  out += ", \"device\": " + std::to_string(row.device);
  out += ", \"checksum\": " + std::to_string(row.checksum);
  out += ", \"checksum_ok\": ";
  out += row.checksumOk ? "true" : "false";
  out += ", \"sysex\": \"" + HexPairs(row.dump, row.dumpSize) + "\"}";
}

int RowCount(const LoadedFile &file) {
  int count = 0;
  for (PatchList list : file.Lists())
    count += file.Count(list);
  return count;
}

FileRow RowOfFile(const LoadedFile &file, int row) {
  int first = 0;
  QStringList held;
  for (PatchList list : file.Lists()) {
    const int count = file.Count(list);
    if (row < first + count)
      return {list, row - first};
    first += count;
    if (count > 0)
      held << CountText(list, count);
  }
  if (first == 0)
    throw ZpmError(QString("%1 holds no patches.").arg(file.path).toStdString());
  throw ZpmError(QString("--row %1 is outside 0..%2: %3 holds %4, numbered as zpm info lists "
                         "them.")
                     .arg(row)
                     .arg(first - 1)
                     .arg(file.path, held.join(", "))
                     .toStdString());
}

bool RowCutShort(const LoadedFile &file, const FileRow &row) {
  if (!file.fm)
    return file.sidReport.cutShortRow == row.index;
  return file.fmReport.cutShort && FmListOfType(file.fmReport.cutShortRow.type) == row.list &&
         file.fmReport.cutShortRow.index == row.index;
}

} // namespace zpm::cli
