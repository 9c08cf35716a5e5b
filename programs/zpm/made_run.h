// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What zpm random and zpm explore share: the run's bank, first slot and
// device ID from the command line, the range grid's --set, and the patches
// a command made written into the synthesizer as "Create && Save to SID" and
// "Create && Save to FM" write theirs.

#include "patch/patch.h"
#include "random/random_run.h"
#include "random/range_grid.h"
#include "zpm/command_line.h"

namespace zpm::cli {

// --bank, --first and --device-id into run; without the option, the value
// run holds stays (bank and first are required when required is set). The
// first slot is checked against run.Slots.
void ParseRunPlace(const CommandLine &line, RandomRun &run, bool required);

// Each --set NAME=MIN:MAX into the grid, as typed into its editor; a row that
// cannot be set is bad usage.
void ApplyGridSettings(const CommandLine &line, RangeGrid &grid);

// The run's patches made before anything is sent: SID patches into the run's
// bank, or FM patches of one type, each at its bank and number. Sent with the
// sends' backup, read-back, report, library record (random marks them as
// random patches) and exit status.
int SendMadeRun(const CommandLine &line, RandomRun run, const TPatchBank &sid,
                const TFMPatchBank &fm, bool isFm, bool random);

} // namespace zpm::cli
