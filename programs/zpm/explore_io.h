// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What zpm explore reads and writes: the patches of a file's rows, the
// locks by name, the new patches placed at their slots as zpm random places
// its own, and their record in the library with their parents.

#include "library/library_types.h"
#include "patch/patch.h"
#include "random/random_run.h"
#include "viewer/parameter_map.h"
#include "zpm/command_line.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace zpm::cli {

// The patches of some rows of a file, as whole dump images, with the kind of
// the first and each one's name for messages ("row 3").
struct TFileParents {
  PatchKind kind = PatchKind::Unknown;
  std::vector<Bytes> parents;
  std::vector<std::string> names;
};

// Rows count the file's patches as zpm info lists them: for FM the voices,
// then the drumsets, then the ensembles. A row past the last is bad usage;
// a patch cut short by the end of its file, or with a byte the synthesizer
// cannot take, fails naming its row.
TFileParents ReadParents(const QString &path, const std::vector<int> &rows);
// The same with rows as --rows gives them ("0,3-5").
TFileParents ReadParents(const QString &path, const QString &rowsText);

// --lock values split at their commas, a comma kept where it is part of a
// parameter's name ("BD FM/AM (0=FM, 1=AM)").
std::vector<std::string> LockNames(PatchKind kind, const QStringList &pieces);

// The new patches at their slots from the run's first on, with the run's
// device ID: the file zpm random would write with them, and the same
// patches as a send takes them.
struct TPlacedPatches {
  Bytes file;
  TPatchBank sid;
  TFMPatchBank fm;
  bool isFm = false;
};
TPlacedPatches PlaceCandidates(const std::vector<Bytes> &made, const RandomRun &run);

// Each new patch kept in the library with its parents and how it was made,
// unless --no-library. A library that cannot be written warns.
void RecordCandidates(const CommandLine &line, const std::vector<Bytes> &made,
                      const std::vector<Bytes> &parents, const TMaking &making);

} // namespace zpm::cli
