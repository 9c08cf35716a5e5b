#pragma once
// A .syx file loaded the way the window's "&Load SysEx file" buttons load it,
// and the rows of its send-side lists.

#include "patch/patch.h"

#include <QJsonObject>
#include <QString>

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

  std::vector<PatchList> Lists() const;
  int Count(PatchList list) const;
  // The whole dump image of row index of a list.
  Bytes Image(PatchList list, int index) const;
};

// Files that start with the FM header go to the FM loader unless the kind is
// given. Throws ZpmError with the loader's message.
LoadedFile LoadPatchFile(const QString &path, FileKind kind);

// One row as the lists show it, with the dump, for `zpm info`.
struct ListRow {
  PatchList list;
  int index;
  QString bank;
  int number;
  QString name; // null for drumsets and ensembles
  int device;
  int checksum;
  bool checksumOk;
  Bytes image;
};
ListRow MakeListRow(const LoadedFile &file, PatchList list, int index);

QString HexPairs(const Bytes &bytes);
QJsonObject ListRowJson(const ListRow &row);

} // namespace zpm::cli
