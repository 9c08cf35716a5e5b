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

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zpm::cli {

namespace {

constexpr int kDefaultRetries = 2;
constexpr int kMaxRetries = 10;

// "0,3-5": rows as zpm info numbers them, each at most once.
std::vector<int> ParseRows(const QString &text, int count) {
  std::vector<int> rows;
  for (const QString &part : text.split(',')) {
    const QStringList ends = part.split('-');
    if (part.isEmpty() || ends.size() > 2)
      throw UsageError(QString("--rows needs rows such as 0,3-5, not \"%1\".").arg(text));
    const int first = ParseNumber("--rows", ends.front());
    const int last = ParseNumber("--rows", ends.back());
    if (last < first)
      throw UsageError(QString("--rows range %1 goes backwards.").arg(part));
    if (last >= count)
      throw UsageError(
          QString("--rows %1: the file has rows 0 to %2 only.").arg(last).arg(count - 1));
    for (int row = first; row <= last; ++row)
      rows.push_back(row);
  }
  return rows;
}

// "L:N" with N from 1 to 128.
void ParseDestination(const QString &text, int &bank, int &position) {
  const QStringList parts = text.split(':');
  if (parts.size() != 2)
    throw UsageError(QString("--to needs BANK:NUMBER such as C:17, not \"%1\".").arg(text));
  bank = ParseBank("--to", parts[0]);
  position = static_cast<int>(ParseNumberIn("--to", parts[1], 1, 128)) - 1;
}

QString SlotText(const TSendItem &item) {
  return QString::fromStdString(BankLetter(static_cast<uint8_t>(item.bank))) + ":" +
         QString::number(item.number + 1);
}

// The results "Every device command" names.
const char *JsonResult(TSendResult result) {
  switch (result) {
  case TSendResult::Written:
    return "written";
  case TSendResult::Verified:
    return "verified";
  case TSendResult::Differs:
    return "differs";
  case TSendResult::NotAvailable:
    return "not available";
  case TSendResult::Unverified:
  case TSendResult::NoAnswer:
    return "no answer";
  case TSendResult::NotSent:
    break;
  }
  return "not sent";
}

QString ResultText(const TSendItem &item) {
  QString text = SendResultText(item.result);
  if (!item.reason.empty())
    text += ", " + QString::fromStdString(item.reason);
  return text;
}

QJsonArray JsonSlots(const TSendReport &report) {
  QJsonArray list;
  for (const TSendItem &item : report.items) {
    QJsonObject slot;
    slot["slot"] = SlotText(item);
    slot["type"] = "sid";
    slot["name"] = QString::fromStdString(Latin1ToUtf8(item.name));
    slot["result"] = JsonResult(item.result);
    slot["tries"] = item.tries;
    if (!item.reason.empty())
      slot["detail"] = QString::fromStdString(item.reason);
    list.append(slot);
  }
  return list;
}

QString TextReport(const TSendReport &report) {
  QString text;
  for (const TSendItem &item : report.items)
    text += QString("%1 %2 %3\n")
                .arg(SlotText(item), -6)
                .arg(QString::fromStdString(Latin1ToUtf8(item.name)))
                .arg(ResultText(item));
  return text;
}

// What was not done, for the last line on standard error; empty when all was.
QString FailureText(const TSendReport &report) {
  if (!report.backupProblem.empty())
    return QString::fromStdString(report.backupProblem);
  if (!report.lostReason.empty())
    return QString::fromStdString(report.lostReason);
  QStringList missed;
  for (const TSendItem &item : report.items) {
    const bool done = item.result == TSendResult::Verified ||
                      (item.result == TSendResult::Written && !report.verified) ||
                      (item.result == TSendResult::NotAvailable && report.skipsMissingBanks);
    if (!done)
      missed << SlotText(item) + " (" + ResultText(item) + ")";
  }
  if (missed.isEmpty())
    return {};
  return QString("%1 %2 not done: %3.")
      .arg(missed.size() == 1 ? "Slot" : "Slots", missed.size() == 1 ? "was" : "were",
           missed.join(", "));
}

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
    ParseDestination(line.Value("to"), job.destBank, job.destPosition);
  }

  TDeviceSession session(line);
  options.device = session.Settings().deviceId;
  options.delayMs = session.Settings().delayMs;
  const TSendReport report = RunSidSend(session.Link(), session.Host(), options, job, file.sid);

  if (line.IsSet("json")) {
    QJsonObject json;
    json["slots"] = JsonSlots(report);
    json["file"] = file.path;
    json["backup"] = report.backupPath.empty()
                         ? QJsonValue()
                         : QJsonValue(QString::fromStdString(report.backupPath));
    PrintOutBytes(QJsonDocument(json).toJson(QJsonDocument::Indented));
  } else {
    PrintOut(TextReport(report));
  }
  if (!report.backupPath.empty())
    PrintErr(QString("The banks written into were saved to %1 first.\n").arg(backup));
  if (report.items.empty())
    throw ZpmError("Nothing was sent: no patch of " + file.path.toStdString() +
                   " matches the choice.");
  const QString failure = FailureText(report);
  if (!failure.isEmpty())
    throw ZpmError(failure.toStdString());
  return ExitDone;
}

} // namespace

int RunSidSendCli(const QStringList &args) {
  return RunSidSendCommand(args);
}

} // namespace zpm::cli
