// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A .syx file loaded the way the window's "&Load SysEx file" buttons load it,
// and the rows of its send-side lists.

#include "fm/fm_file.h"
#include "patch/patch.h"
#include "sid/sid_file.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace zpm::cli {

enum class FileKind { Auto, Sid, Fm };

// The lists a file's patches go to; the FM lists in the order zpm reports them.
enum class PatchList { Sid, Voices, Drumsets, Ensembles };
QString ListName(PatchList list);
bool ParseListName(const QString &text, PatchList &list);

struct LoadedFile {
  QString path; // absolute
  bool fm = false;
  TPatchBank sid;
  TFMPatchBank voices, drums, ensembles;
  // What the loader found besides the patches: a patch cut short, wrong checksums.
  TSidLoadReport sidReport;
  TFmLoadReport fmReport;
  Bytes data; // the file's bytes as read

  std::vector<PatchList> Lists() const;
  int Count(PatchList list) const;
  // The whole dump image of row index of a list.
  Bytes Image(PatchList list, int index) const;
  // Where each row's dump starts in data; empty for a SID whole-bank dump.
  const std::vector<size_t> &DumpOffsets(PatchList list) const;
};

// Files that start with the FM header go to the FM loader unless the kind is
// given. Only a regular file of at most 64 MiB is read, and only once its
// first bytes pass the loader's header test. Throws ZpmError with the
// loader's message.
LoadedFile LoadPatchFile(const QString &path, FileKind kind);

// A row as zpm info lists the file: for FM, the voices, then the drumsets,
// then the ensembles, counted on across the lists.
struct FileRow {
  PatchList list;
  int index;
};
int RowCount(const LoadedFile &file);
// ZpmError naming what the file holds when row is past the last.
FileRow RowOfFile(const LoadedFile &file, int row);
// The row the end of the file came inside of.
bool RowCutShort(const LoadedFile &file, const FileRow &row);

// One row as the lists show it, with the dump, for `zpm info`. Texts are UTF-8.
struct ListRow {
  PatchList list;
  int index;
  std::string bank;
  int number;
  std::optional<std::string> name; // none for drumsets and ensembles
  int device;
  int checksum;
  bool checksumOk;
  const uint8_t *dump; // the whole dump image, inside the loaded file's bank
  size_t dumpSize;
};
ListRow MakeListRow(const LoadedFile &file, PatchList list, int index);

// The list a type code of the FM loader's report stands for.
PatchList FmListOfType(uint8_t type);

// The dump as lower-case hex pairs separated by single blanks.
std::string HexPairs(const uint8_t *bytes, size_t count);
inline std::string HexPairs(const Bytes &bytes) {
  return HexPairs(bytes.data(), bytes.size());
}

// A JSON string literal of UTF-8 text; every control character (7Fh and
// 80h..9Fh too) is escaped.
std::string JsonString(const std::string &utf8);
// The row as a JSON object with the keys zpm info promises.
void AppendListRowJson(std::string &out, const ListRow &row);

} // namespace zpm::cli
