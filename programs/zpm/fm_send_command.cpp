// SPDX-License-Identifier: GPL-3.0-or-later
// zpm fm send: the FM Send tab on a loaded file: "Send all patches to FM" of
// "All Types", a type's "Send all", or its copy of a source bank or of
// selected rows, with an optional backup of the banks it writes into and a
// read-back of what it wrote.
#include "fm/fm_file.h"
#include "fm/fm_messages.h"
#include "fm/fm_send.h"
#include "library/library_records.h"
#include "patch/error.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/device_session.h"
#include "zpm/library_record.h"
#include "zpm/patch_file.h"
#include "zpm/safe_files.h"
#include "zpm/send_common.h"

namespace zpm::cli {

namespace {

uint8_t ParseType(const QString &text) {
  if (text == "voices")
    return kFmVoice;
  if (text == "drums")
    return kFmDrumset;
  if (text == "ensembles")
    return kFmEnsemble;
  throw UsageError(QString("--type must be voices, drums or ensembles, not \"%1\".").arg(text));
}

int RunFmSendCommand(const QStringList &args) {
  CommandLine line("zpm fm send FILE [--type voices|drums|ensembles] [--from-bank L --to-bank L | "
                   "--rows LIST --to L:N] [options]",
                   "Sends the FM patches of a .syx file to the synthesizer.");
  line.AddValueOption("type", "T", "Send only this type's list: voices, drums or ensembles.");
  line.AddValueOption("from-bank", "L", "Copy the patches of this bank of the type's list...");
  line.AddValueOption("to-bank", "L", "...each to its own number in this bank.");
  line.AddValueOption("rows", "LIST",
                      "Copy these rows of the type's list (as zpm info numbers them, "
                      "e.g. 0,3-5)...");
  line.AddValueOption("to", "L:N", "...to consecutive numbers from this slot, e.g. C:17.");
  AddSendReportOptions(line,
                       "Send again up to N times (0..10, default 2) a patch that was not "
                       "acknowledged, and ask again for dumps of the backup or the read-back.");
  AddDeviceOptions(line, true);
  AddLibraryOptions(line);
  if (!line.Parse(args, 1))
    return ExitDone;
  const TSendSelection selection = ParseSendSelection(line);
  if (selection != TSendSelection::All && !line.IsSet("type"))
    throw UsageError("A copy needs --type: voices, drums or ensembles.");

  TFmSendOptions options;
  options.retries = ParseRetries(line);
  options.verify = line.IsSet("verify");
  options.firstRow = 0;                           // rows as zpm info numbers them
  const QString backup = CheckedBackupPath(line); // before anything goes out, not after
  if (!backup.isEmpty()) {
    options.backup = true;
    options.saveBackup = [&](const TFMPatchBank &banks) {
      WriteWholeFile(backup, FmBankFile(banks));
      return backup.toStdString();
    };
  }

  const LoadedFile file = LoadPatchFile(line.Positional(0), FileKind::Fm);
  const TFmLists lists{file.voices, file.drums, file.ensembles};
  TFmSendJob job;
  if (line.IsSet("type")) {
    job.type = ParseType(line.Value("type"));
    job.mode = TFmSendMode::Type;
  }
  if (selection == TSendSelection::Bank) {
    job.mode = TFmSendMode::Bank;
    job.sourceBank = ParseBank("--from-bank", line.Value("from-bank"));
    job.destBank = ParseBank("--to-bank", line.Value("to-bank"));
  } else if (selection == TSendSelection::Rows) {
    job.mode = TFmSendMode::Rows;
    job.rows = ParseRows(line.Value("rows"), lists.Of(job.type).Count());
    ParseDestination(line.Value("to"), FmPatchesPerBank(job.type), job.destBank, job.destPosition);
  }

  TDeviceSession session(line);
  options.device = session.Settings().deviceId;
  options.ackTimeoutMs = session.Settings().ackTimeoutMs;
  const TSendReport report = RunFmSend(session.Link(), session.Host(), options, job, lists);

  RecordSend(line, FmSendRecord(report, lists, options.device));
  FinishSend(line, report, file.path, backup);
  return ExitDone;
}

} // namespace

int RunFmSendCli(const QStringList &args) {
  return RunFmSendCommand(args);
}

} // namespace zpm::cli
