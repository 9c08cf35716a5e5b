// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/explore_io.h"

#include "edit/edit_fields.h"
#include "explore/explore.h"
#include "sid/sid_messages.h"
#include "zpm/cli_io.h"
#include "zpm/library_output.h"
#include "zpm/patch_file.h"
#include "zpm/send_common.h"

#include <algorithm>

namespace zpm::cli {

namespace {

TFileParents ParentsOf(const LoadedFile &file, const std::vector<int> &rows) {
  TFileParents parents;
  for (int row : rows) {
    const FileRow at = RowOfFile(file, row);
    const std::string name = "row " + std::to_string(row);
    if (RowCutShort(file, at))
      throw ZpmError("Row " + std::to_string(row) + " of " + file.path.toStdString() +
                     " is cut short by the end of the file, so it cannot be explored; only "
                     "the rows before it can.");
    parents.parents.push_back(file.Image(at.list, at.index));
    parents.names.push_back(name);
    const PatchKind kind = ExploredKind(parents.parents.back(), name);
    if (parents.kind == PatchKind::Unknown)
      parents.kind = kind;
  }
  return parents;
}

LoadedFile Load(const QString &path) {
  const LoadedFile file = LoadPatchFile(path, FileKind::Auto);
  if (RowCount(file) == 0)
    throw ZpmError(file.path.toStdString() + " holds no patches.");
  return file;
}

} // namespace

TFileParents ReadParents(const QString &path, const std::vector<int> &rows) {
  const LoadedFile file = Load(path);
  for (int row : rows)
    if (row >= RowCount(file))
      throw UsageError(
          QString("--row %1: the file has rows 0 to %2 only.").arg(row).arg(RowCount(file) - 1));
  return ParentsOf(file, rows);
}

TFileParents ReadParents(const QString &path, const QString &rowsText) {
  const LoadedFile file = Load(path);
  return ParentsOf(file, ParseRows(rowsText, RowCount(file)));
}

std::vector<std::string> LockNames(PatchKind kind, const QStringList &pieces) {
  std::vector<std::string> names;
  for (int i = 0; i < pieces.size();) {
    // The longest run of pieces that names a field, else the piece alone
    // (which the exploration then refuses by its name).
    int end = i + 1;
    QString joined = pieces[i];
    for (int j = i + 1; j < pieces.size(); ++j) {
      joined += "," + pieces[j];
      if (FindEditField(kind, joined.toStdString()))
        end = j + 1;
    }
    names.push_back(pieces.mid(i, end - i).join(',').trimmed().toStdString());
    i = end;
  }
  return names;
}

TPlacedPatches PlaceCandidates(const std::vector<Bytes> &made, const RandomRun &run) {
  TPlacedPatches placed;
  placed.isFm = !made.empty() && RecognisePatchKind(made.front()) != PatchKind::Sid;
  const auto device = static_cast<uint8_t>(run.DeviceId);
  const auto bank = static_cast<uint8_t>(run.Bank);
  TMemoryStream stream;
  if (!placed.isFm)
    WriteSidBankSelect(stream, device, bank);
  // The header bytes are no part of the checksum, which stays as made.
  for (size_t i = 0; i < made.size(); ++i) {
    const auto number = static_cast<uint8_t>(run.FirstPatch - 1 + static_cast<int>(i));
    if (placed.isFm) {
      TFMPatch patch;
      std::copy(made[i].begin(), made[i].end(), patch.Dump.begin());
      patch.SetDeviceNumber(device);
      patch.SetBank(bank);
      patch.SetPatchNumber(number);
      patch.SaveToStream(stream);
      placed.fm.Add(patch);
    } else {
      TPatch patch;
      std::copy(made[i].begin(), made[i].end(), patch.Dump.begin());
      patch.Bank = bank;
      patch.SetDeviceNumber(device);
      patch.SetPatchNumber(number);
      patch.SaveToStream(stream);
      placed.sid.Add(patch);
    }
  }
  placed.file = stream.TakeData();
  return placed;
}

void RecordCandidates(const CommandLine &line, const std::vector<Bytes> &made,
                      const std::vector<Bytes> &parents, const TMaking &making) {
  if (line.IsSet("no-library") || made.empty())
    return;
  std::vector<TPatchBytes> from(parents.size());
  for (size_t i = 0; i < parents.size(); ++i)
    PatchBytesOf(parents[i].data(), parents[i].size(), from[i]);
  try {
    // A candidate that is a parent's very data (amount 0) is that parent,
    // which the library keeps from becoming its own child.
    const auto library = OpenLibrary(line);
    for (const Bytes &image : made) {
      TPatchBytes patch;
      PatchBytesOf(image.data(), image.size(), patch);
      library->RecordMade(patch, from, making);
    }
  } catch (const std::exception &error) {
    PrintErr(QString("The new patches were not kept in the library: %1\n")
                 .arg(QString::fromStdString(error.what())));
  }
}

} // namespace zpm::cli
