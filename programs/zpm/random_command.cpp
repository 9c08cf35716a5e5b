// SPDX-License-Identifier: GPL-3.0-or-later
// zpm random: the file "Create && Save to SysEx" writes, from the same control
// values, or with --send the run "Create && Save to SID" and "Create && Save
// to FM" make into the synthesizer.
#include "fm/fm_file.h"
#include "library/library_records.h"
#include "random/fm_random.h"
#include "random/random_error.h"
#include "random/random_run.h"
#include "random/random_send.h"
#include "random/sid_random.h"
#include "sid/sid_file.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/device_session.h"
#include "zpm/library_record.h"
#include "zpm/send_common.h"

#include <cstdint>

namespace zpm::cli {

namespace {

// The grid editor clamps what is typed to 0..127; any 64-bit number may be typed.
int64_t ParseSigned(const QString &option, const QString &text) {
  return ParseNumberIn(option, text, INT64_MIN, INT64_MAX);
}

// "NAME=MIN:MAX", the numbers as typed into the grid editor.
void ApplySet(RangeGrid &grid, const QString &setting) {
  const int equals = setting.lastIndexOf('=');
  const QStringList range = setting.mid(equals + 1).split(':');
  if (equals <= 0 || range.size() != 2)
    throw UsageError(QString("--set needs NAME=MIN:MAX, not \"%1\".").arg(setting));
  grid.SetRange(setting.left(equals).toStdString(), ParseSigned("--set", range[0]),
                ParseSigned("--set", range[1]));
}

// The run into the synthesizer: the same patches, the device's ID in them,
// with the sends' backup, read-back, report and exit status.
int SendRandomRun(const CommandLine &line, bool fm, RandomRun run, const RangeGrid &grid) {
  const int retries = ParseRetries(line);
  const QString backup = CheckedBackupPath(line); // before anything goes out, not after
  TDeviceSession session(line);
  const TDeviceSettings &settings = session.Settings();
  run.DeviceId = settings.deviceId;
  TRandomSendReport report;
  if (fm) {
    TFmSendOptions options;
    options.ackTimeoutMs = settings.ackTimeoutMs;
    options.retries = retries;
    options.verify = line.IsSet("verify");
    options.backup = !backup.isEmpty();
    options.saveBackup = [&](const TFMPatchBank &banks) {
      WriteWholeFile(backup, FmBankFile(banks));
      return backup.toStdString();
    };
    report = SendFmRandomRun(session.Link(), session.Host(), run, grid, options);
  } else {
    TSidSendOptions options;
    options.delayMs = settings.delayMs;
    options.retries = retries;
    options.verify = line.IsSet("verify");
    options.backup = !backup.isEmpty();
    options.saveBackup = [&](const TPatchBank &banks) {
      WriteWholeFile(backup, SidFileBytes(banks));
      return backup.toStdString();
    };
    report = SendSidRandomRun(session.Link(), session.Host(), run, grid, options);
  }
  const TSendReport &sends = report.send;
  const TFMPatchBank none; // a random FM run makes voices only
  RecordSend(line, fm ? FmSendRecord(sends, {report.fmVoices, none, none}, settings.deviceId, true)
                      : SidSendRecord(sends, report.sidPatches, settings.deviceId, true));
  const QString summary = QString::fromStdString(RandomRunSummary(run, report.sent) + "\n");
  if (line.IsSet("json"))
    PrintErr(summary); // standard output holds the JSON document alone
  else
    PrintOut(summary);
  // The slots are listed when they say more than the summary line.
  PrintSendReport(line, sends, QString(), backup, sends.verified || !sends.AllDone());
  if (!sends.backupProblem.empty())
    throw ZpmError(sends.backupProblem);
  if (!report.lostReason.empty())
    throw ZpmError(RandomLostText(run, report));
  if (report.bankRefused)
    throw ZpmError("No patch was sent. Choose a bank the synthesizer has, or answer the "
                   "question with --yes, and run again.");
  const std::string refusals = FmRefusalText(run, report);
  if (!refusals.empty())
    throw ZpmError(refusals);
  if (report.unanswered > 0)
    throw ZpmError("The synthesizer did not acknowledge " + std::to_string(report.unanswered) +
                   " of " + std::to_string(report.sent) +
                   " voices in time; they may not be stored. Check the connection, or raise "
                   "--ack-timeout, and run again.");
  if (report.sent < RandomRunLength(run))
    throw ZpmError("The run stopped after " + std::to_string(report.sent) + " of " +
                   std::to_string(RandomRunLength(run)) + " patches.");
  const QString failure = SendFailureText(sends);
  if (!failure.isEmpty())
    throw ZpmError(failure.toStdString());
  return ExitDone;
}

} // namespace

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
  run.Bank = ParseBank("--bank", line.Required("bank"));
  run.FirstPatch = static_cast<int>(
      ParseNumberIn("--first", line.Required("first"), kRandomPatchMin, kRandomPatchMax));
  run.Count = static_cast<int>(
      ParseNumberIn("--count", line.Required("count"), kRandomCountMin, kRandomCountMax));
  run.DeviceId = line.IsSet("device-id")
                     ? static_cast<int>(ParseNumberIn("--device-id", line.Value("device-id"),
                                                      kRandomDeviceIdMin, kRandomDeviceIdMax))
                     : 0;
  const bool send = line.IsSet("send");
  if (send == line.IsSet("output"))
    throw UsageError("Give exactly one of --output and --send.");
  for (const char *option : {"backup", "verify", "retries", "json", "library", "no-library"})
    if (!send && line.IsSet(option))
      throw UsageError(QString("--%1 goes with --send.").arg(QLatin1String(option)));

  RangeGrid grid = fm ? MakeFmRandomGrid() : MakeSidRandomGrid();
  try {
    ValidateRandomRun(run);
    for (const QString &setting : line.Values("set"))
      ApplySet(grid, setting);
  } catch (const RandomSettingError &e) {
    throw UsageError(QString::fromStdString(e.what()));
  }
  if (send)
    return SendRandomRun(line, fm, run, grid);
  const QString output = AbsolutePath(line.Required("output"));
  WriteWholeFile(output, fm ? CreateFmRandomFile(run, grid) : CreateSidRandomFile(run, grid));
  PrintOut(QString::fromStdString(RandomRunSummary(run, RandomRunLength(run)) + "\n"));
  return ExitDone;
}

} // namespace zpm::cli
