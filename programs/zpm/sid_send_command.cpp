// zpm sid send: "Send &patch list to SID" and "Send selected patch to
// &destination" on a loaded file, with an optional backup of the banks it
// writes into and a read-back of what it wrote.
#include "patch/error.h"
#include "patch/list_text.h"
#include "sid/sid_file.h"
#include "sid/sid_send.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/device_session.h"
#include "zpm/patch_file.h"
#include "zpm/send_common.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zpm::cli {

namespace {

constexpr int kDefaultRetries = 2;
constexpr int kMaxRetries = 10;

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
  line.AddValueOption("backup", "FILE",
                      "First fetch every bank the send writes into and save it to FILE.");
  line.AddFlag("verify", "Read every written slot back and compare it with what was sent.");
  line.AddValueOption("retries", "N",
                      "Ask again up to N times (0..10, default 2) for a dump of the backup or "
                      "the read-back that came cut short, damaged or not at all.");
  line.AddFlag("json", "Print one JSON document with the result of every slot.");
  AddDeviceOptions(line, true);
  if (!line.Parse(args, 1))
    return ExitDone;
  const bool bankMode = line.IsSet("from-bank") || line.IsSet("to-bank");
  const bool rowsMode = line.IsSet("rows") || line.IsSet("to");
  if (bankMode && rowsMode)
    throw UsageError("Give either --from-bank and --to-bank, or --rows and --to.");
  if (bankMode && !(line.IsSet("from-bank") && line.IsSet("to-bank")))
    throw UsageError("--from-bank and --to-bank go together.");
  if (rowsMode && !(line.IsSet("rows") && line.IsSet("to")))
    throw UsageError("--rows and --to go together.");

  TSidSendOptions options;
  options.retries = kDefaultRetries;
  if (line.IsSet("retries"))
    options.retries =
        static_cast<int>(ParseNumberIn("--retries", line.Value("retries"), 0, kMaxRetries));
  options.verify = line.IsSet("verify");
  QString backup;
  if (line.IsSet("backup")) {
    backup = AbsolutePath(line.Value("backup"));
    CheckOutputPath(backup); // before anything goes out, not after
    options.backup = true;
    options.saveBackup = [&](const TPatchBank &banks) {
      WriteWholeFile(backup, SidFileBytes(banks));
      return backup.toStdString();
    };
  }

  const LoadedFile file = LoadPatchFile(line.Positional(0), FileKind::Sid);
  TSidSendJob job;
  if (bankMode) {
    job.mode = TSidSendMode::Bank;
    job.sourceBank = ParseBank("--from-bank", line.Value("from-bank"));
    job.destBank = ParseBank("--to-bank", line.Value("to-bank"));
  } else if (rowsMode) {
    job.mode = TSidSendMode::Rows;
    job.rows = ParseRows(line.Value("rows"), file.sid.Count());
    ParseDestination(line.Value("to"), 128, job.destBank, job.destPosition);
  }

  TDeviceSession session(line);
  options.device = session.Settings().deviceId;
  options.delayMs = session.Settings().delayMs;
  const TSendReport report = RunSidSend(session.Link(), session.Host(), options, job, file.sid);

  if (line.IsSet("json")) {
    QJsonObject json;
    json["slots"] = SendJsonSlots(report);
    json["file"] = file.path;
    json["backup"] = report.backupPath.empty()
                         ? QJsonValue()
                         : QJsonValue(QString::fromStdString(report.backupPath));
    PrintOutBytes(QJsonDocument(json).toJson(QJsonDocument::Indented));
  } else {
    PrintOut(SendTextReport(report));
  }
  if (!report.backupPath.empty())
    PrintErr(QString("The banks written into were saved to %1 first.\n").arg(backup));
  if (report.items.empty())
    throw ZpmError("Nothing was sent: no patch of " + file.path.toStdString() +
                   " matches the choice.");
  const QString failure = SendFailureText(report);
  if (!failure.isEmpty())
    throw ZpmError(failure.toStdString());
  return ExitDone;
}

} // namespace

int RunSidSendCli(const QStringList &args) {
  return RunSidSendCommand(args);
}

} // namespace zpm::cli
