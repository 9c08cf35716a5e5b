// SPDX-License-Identifier: GPL-3.0-or-later
// zpm sid send: "Send &patch list to SID" and "Send selected patch to
// &destination" on a loaded file, with an optional backup of the banks it
// writes into and a read-back of what it wrote.
#include "library/library_records.h"
#include "patch/error.h"
#include "patch/list_text.h"
#include "sid/sid_file.h"
#include "sid/sid_send.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/device_session.h"
#include "zpm/library_record.h"
#include "zpm/patch_file.h"
#include "zpm/send_common.h"

namespace zpm::cli {

namespace {

int RunSidSendCommand(const QStringList &args) {
  CommandLine line("zpm sid send FILE [--from-bank L --to-bank L | --rows LIST --to L:N] "
                   "[options]",
                   "Sends the SID patches of a .syx file to the synthesizer.");
  line.AddValueOption("from-bank", "L", "Send the patches of this bank of the file...");
  line.AddValueOption("to-bank", "L", "...each to its own number in this bank.");
  line.AddValueOption("rows", "LIST",
                      "Send these rows of the file (as zpm info numbers them, "
                      "e.g. 0,3-5)...");
  line.AddValueOption("to", "L:N", "...to consecutive numbers from this slot, e.g. C:17.");
  AddSendReportOptions(line,
                       "Ask again up to N times (0..10, default 2) for a dump of the backup or "
                       "the read-back that came cut short, damaged or not at all.");
  AddDeviceOptions(line, true);
  AddLibraryOptions(line);
  if (!line.Parse(args, 1))
    return ExitDone;
  const TSendSelection selection = ParseSendSelection(line);

  TSidSendOptions options;
  options.retries = ParseRetries(line);
  options.verify = line.IsSet("verify");
  options.firstRow = 0;                           // rows as zpm info numbers them
  const QString backup = CheckedBackupPath(line); // before anything goes out, not after
  if (!backup.isEmpty()) {
    options.backup = true;
    options.saveBackup = [&](const TPatchBank &banks) {
      WriteWholeFile(backup, SidFileBytes(banks));
      return backup.toStdString();
    };
  }

  const LoadedFile file = LoadPatchFile(line.Positional(0), FileKind::Sid);
  TSidSendJob job;
  if (selection == TSendSelection::Bank) {
    job.mode = TSidSendMode::Bank;
    job.sourceBank = ParseBank("--from-bank", line.Value("from-bank"));
    job.destBank = ParseBank("--to-bank", line.Value("to-bank"));
  } else if (selection == TSendSelection::Rows) {
    job.mode = TSidSendMode::Rows;
    job.rows = ParseRows(line.Value("rows"), file.sid.Count());
    ParseDestination(line.Value("to"), 128, job.destBank, job.destPosition);
  }

  TDeviceSession session(line);
  options.device = session.Settings().deviceId;
  options.delayMs = session.Settings().delayMs;
  const TSendReport report = RunSidSend(session.Link(), session.Host(), options, job, file.sid);

  RecordSend(line, SidSendRecord(report, file.sid, options.device));
  FinishSend(line, report, file.path, backup);
  return ExitDone;
}

} // namespace

int RunSidSendCli(const QStringList &args) {
  return RunSidSendCommand(args);
}

} // namespace zpm::cli
