// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/made_run.h"

#include "fm/fm_file.h"
#include "library/library_records.h"
#include "random/random_error.h"
#include "random/random_send.h"
#include "sid/sid_file.h"
#include "zpm/cli_io.h"
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

} // namespace

void ParseRunPlace(const CommandLine &line, RandomRun &run, bool required) {
  if (required || line.IsSet("bank"))
    run.Bank = ParseBank("--bank", line.Required("bank"));
  if (required || line.IsSet("first"))
    run.FirstPatch = static_cast<int>(
        ParseNumberIn("--first", line.Required("first"), kRandomPatchMin, run.Slots));
  if (line.IsSet("device-id"))
    run.DeviceId = static_cast<int>(ParseNumberIn("--device-id", line.Value("device-id"),
                                                  kRandomDeviceIdMin, kRandomDeviceIdMax));
}

void ApplyGridSettings(const CommandLine &line, RangeGrid &grid) {
  try {
    for (const QString &setting : line.Values("set"))
      ApplySet(grid, setting);
  } catch (const RandomSettingError &e) {
    throw UsageError(QString::fromStdString(e.what()));
  }
}

int SendMadeRun(const CommandLine &line, RandomRun run, const TPatchBank &sid,
                const TFMPatchBank &fm, bool isFm, bool random) {
  const int retries = ParseRetries(line);
  const QString backup = CheckedBackupPath(line); // before anything goes out, not after
  TDeviceSession session(line);
  const TDeviceSettings &settings = session.Settings();
  run.DeviceId = settings.deviceId;
  TRandomSendReport report;
  if (isFm) {
    TFmSendOptions options;
    options.ackTimeoutMs = settings.ackTimeoutMs;
    options.retries = retries;
    options.verify = line.IsSet("verify");
    options.backup = !backup.isEmpty();
    options.saveBackup = [&](const TFMPatchBank &banks) {
      WriteWholeFile(backup, FmBankFile(banks));
      return backup.toStdString();
    };
    report = SendFmPatchRun(session.Link(), session.Host(), run, fm, options);
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
    report = SendSidPatchRun(session.Link(), session.Host(), run, sid, options);
  }
  const TSendReport &sends = report.send;
  RecordSend(line, isFm ? FmSendRecord(sends, report.FmLists(), settings.deviceId, random)
                        : SidSendRecord(sends, report.sidPatches, settings.deviceId, random));
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

} // namespace zpm::cli
