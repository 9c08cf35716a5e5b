// SPDX-License-Identifier: GPL-3.0-or-later
// zpm random: the file "Create && Save to SysEx" writes, from the same control
// values, or with --send the run "Create && Save to SID" and "Create && Save
// to FM" make into the synthesizer.
#include "random/fm_random.h"
#include "random/random_error.h"
#include "random/random_run.h"
#include "random/random_send.h"
#include "random/sid_random.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/device_session.h"
#include "zpm/library_record.h"
#include "zpm/made_run.h"
#include "zpm/send_common.h"

namespace zpm::cli {

int RunRandom(const QStringList &args) {
  CommandLine line("zpm random sid|fm --seed N --bank L --first N --count N (--output FILE | "
                   "--send [--backup FILE] [--verify] [--retries N] [--json]) [--device-id N] "
                   "[--set NAME=MIN:MAX ...] [device options]",
                   "Creates random patches into a .syx file, as \"Create && Save to SysEx\" "
                   "does, or with --send into the synthesizer, as \"Create && Save to SID\" "
                   "and \"Create && Save to FM\" do.");
  line.AddValueOption("seed", "N", "The initial random seed.");
  line.AddValueOption("bank", "L", "The bank, A..H.");
  line.AddValueOption("first", "N", "The first patch, 1..128.");
  line.AddValueOption("count", "N", "The number of patches, 1..128.");
  line.AddValueOption("output", "FILE", "The file to write.");
  line.AddValueOption("set", "NAME=MIN:MAX", "Replace one parameter's range; repeatable.");
  line.AddFlag("send", "Send the patches to the synthesizer instead of writing a file.");
  AddSendReportOptions(line, "With --send: send again up to N times (0..10, default 2) an FM "
                             "voice that was not acknowledged, and ask again for dumps of the "
                             "backup or the read-back.");
  AddDeviceOptions(line, true);
  AddLibraryOptions(line);
  if (!line.Parse(args, 1))
    return ExitDone;

  const QString synth = line.Positional(0);
  if (synth != "sid" && synth != "fm")
    throw UsageError(QString("zpm random makes sid or fm patches, not \"%1\".").arg(synth));
  const bool fm = synth == "fm";

  // Each value is checked against its control's range before it is narrowed.
  RandomRun run;
  run.Seed = ParseNumberIn("--seed", line.Required("seed"), kRandomSeedMin, kRandomSeedMax);
  ParseRunPlace(line, run, true);
  run.Count = static_cast<int>(
      ParseNumberIn("--count", line.Required("count"), kRandomCountMin, kRandomCountMax));
  const bool send = line.IsSet("send");
  if (send == line.IsSet("output"))
    throw UsageError("Give exactly one of --output and --send.");
  for (const char *option : {"backup", "verify", "retries", "json", "library", "no-library"})
    if (!send && line.IsSet(option))
      throw UsageError(QString("--%1 goes with --send.").arg(QLatin1String(option)));

  RangeGrid grid = fm ? MakeFmRandomGrid() : MakeSidRandomGrid();
  try {
    ValidateRandomRun(run);
  } catch (const RandomSettingError &e) {
    throw UsageError(QString::fromStdString(e.what()));
  }
  ApplyGridSettings(line, grid);
  if (send) {
    // The patches are made, and checked, before anything goes out.
    TPatchBank sid;
    TFMPatchBank voices;
    if (fm) {
      for (FmRandomPatches patches(run, grid); patches.Next();)
        voices.Add(patches.Patch());
    } else {
      for (SidRandomPatches patches(run, grid); patches.Next();)
        sid.Add(patches.Patch());
    }
    return SendMadeRun(line, run, sid, voices, fm, true);
  }
  const QString output = AbsolutePath(line.Required("output"));
  WriteWholeFile(output, fm ? CreateFmRandomFile(run, grid) : CreateSidRandomFile(run, grid));
  PrintOut(QString::fromStdString(RandomRunSummary(run, RandomRunLength(run)) + "\n"));
  return ExitDone;
}

} // namespace zpm::cli
