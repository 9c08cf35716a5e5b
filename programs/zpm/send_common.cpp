// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/send_common.h"

#include "fm/fm_send.h"
#include "patch/error.h"
#include "patch/list_text.h"
#include "sid/sid_send.h"
#include "zpm/cli_io.h"
#include "zpm/device_session.h"
#include "zpm/file_names.h"
#include "zpm/safe_files.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

namespace zpm::cli {

namespace {

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
  case TSendResult::Unknown:
    return "unknown";
  case TSendResult::NotSent:
    break;
  }
  return "not sent";
}

bool IsDigits(const QString &text) {
  return !text.isEmpty() &&
         std::all_of(text.begin(), text.end(), [](QChar c) { return c >= '0' && c <= '9'; });
}

bool IsFm(const TSendItem &item) {
  return item.type >= 0;
}

QString ResultText(const TSendItem &item) {
  QString text = IsFm(item) ? FmSendResultText(item.result) : SendResultText(item.result);
  if (!item.reason.empty())
    text += ", " + QString::fromStdString(item.reason);
  return text;
}

} // namespace

std::vector<int> ParseRows(const QString &text, int count) {
  std::vector<int> rows;
  for (const QString &part : text.split(',')) {
    const QStringList ends = part.split('-');
    // A minus sign is a range's dash, never a sign: "-1" is no row.
    const bool wellFormed = ends.size() <= 2 && std::all_of(ends.begin(), ends.end(), IsDigits);
    if (!wellFormed)
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

void ParseDestination(const QString &text, int last, int &bank, int &position) {
  const QStringList parts = text.split(':');
  if (parts.size() != 2)
    throw UsageError(QString("--to needs BANK:NUMBER such as C:17, not \"%1\".").arg(text));
  bank = ParseBank("--to", parts[0]);
  position = static_cast<int>(ParseNumberIn("--to", parts[1], 1, last)) - 1;
}

QString SendSlotText(const TSendItem &item) {
  return QString::fromStdString(BankLetter(static_cast<uint8_t>(item.bank))) + ":" +
         QString::number(item.number + 1);
}

QString SendTextReport(const TSendReport &report) {
  QString text;
  for (const TSendItem &item : report.items) {
    QString line = SendSlotText(item).leftJustified(6) + " ";
    if (IsFm(item))
      line += QString(FmListName(item.type)).leftJustified(9) + " ";
    text += line + QString::fromStdString(Latin1ToUtf8(item.name)) + " " + ResultText(item) + "\n";
  }
  return text;
}

QJsonArray SendJsonSlots(const TSendReport &report) {
  QJsonArray list;
  for (const TSendItem &item : report.items) {
    QJsonObject slot;
    slot["slot"] = SendSlotText(item);
    slot["type"] = IsFm(item) ? FmListName(item.type) : "sid";
    slot["name"] = IsFm(item) && item.type != kFmVoice
                       ? QJsonValue()
                       : QJsonValue(QString::fromStdString(Latin1ToUtf8(item.name)));
    slot["result"] = JsonResult(item.result);
    slot["tries"] = item.tries;
    if (!item.reason.empty())
      slot["detail"] = QString::fromStdString(item.reason);
    list.append(slot);
  }
  return list;
}

QString SendFailureText(const TSendReport &report) {
  if (!report.backupProblem.empty())
    return QString::fromStdString(report.backupProblem);
  constexpr int kNamed = 8; // the rest are in the report above
  QStringList missed;
  int count = 0;
  for (const TSendItem &item : report.items)
    if (!report.SlotDone(item) && ++count <= kNamed)
      missed << SendSlotText(item) + " (" + ResultText(item) + ")";
  if (count > kNamed)
    missed << QString("%1 more").arg(count - kNamed);
  const QString lost = QString::fromStdString(report.lostReason);
  if (missed.isEmpty())
    return lost;
  const QString notDone =
      QString("%1 %2 not done: %3.")
          .arg(count == 1 ? "Slot" : "Slots", count == 1 ? "was" : "were", missed.join(", "));
  return lost.isEmpty() ? notDone : lost + " " + notDone;
}

void AddSendReportOptions(CommandLine &line, const char *retriesHelp) {
  line.AddValueOption("backup", "FILE",
                      "First fetch every bank the send writes into and save it to FILE.");
  line.AddFlag("verify", "Read every written slot back and compare it with what was sent.");
  AddRetriesAndJsonOptions(line, retriesHelp);
}

TSendSelection ParseSendSelection(const CommandLine &line) {
  const bool bankMode = line.IsSet("from-bank") || line.IsSet("to-bank");
  const bool rowsMode = line.IsSet("rows") || line.IsSet("to");
  if (bankMode && rowsMode)
    throw UsageError("Give either --from-bank and --to-bank, or --rows and --to.");
  if (bankMode && !(line.IsSet("from-bank") && line.IsSet("to-bank")))
    throw UsageError("--from-bank and --to-bank go together.");
  if (rowsMode && !(line.IsSet("rows") && line.IsSet("to")))
    throw UsageError("--rows and --to go together.");
  return bankMode ? TSendSelection::Bank : rowsMode ? TSendSelection::Rows : TSendSelection::All;
}

QString CheckedBackupPath(const CommandLine &line) {
  if (!line.IsSet("backup"))
    return QString();
  const QString backup = AbsolutePath(line.Value("backup"));
  CheckOutputPath(backup);
  return backup;
}

void PrintSendReport(const CommandLine &line, const TSendReport &report, const QString &file,
                     const QString &backup, bool listSlots) {
  if (line.IsSet("json")) {
    QJsonObject json;
    json["slots"] = SendJsonSlots(report);
    json["file"] = file.isNull() ? QJsonValue() : QJsonValue(file);
    json["backup"] = report.backupPath.empty()
                         ? QJsonValue()
                         : QJsonValue(QString::fromStdString(report.backupPath));
    PrintOutBytes(QJsonDocument(json).toJson(QJsonDocument::Indented));
  } else if (listSlots) {
    PrintOut(SendTextReport(report));
  }
  if (!report.backupPath.empty())
    PrintErr(QString("The banks written into were saved to %1 first.\n").arg(backup));
}

void FinishSend(const CommandLine &line, const TSendReport &report, const QString &file,
                const QString &backup) {
  PrintSendReport(line, report, file, backup);
  if (report.items.empty())
    throw ZpmError("Nothing was sent: no patch of " + file.toStdString() + " matches the choice.");
  const QString failure = SendFailureText(report);
  if (!failure.isEmpty())
    throw ZpmError(failure.toStdString());
}

QString InterruptedSendText(const std::vector<const TSendItem *> &begun, bool lastInFlight) {
  const auto word = [&](size_t i) -> QString {
    if (lastInFlight && i + 1 == begun.size())
      return "unknown";
    switch (begun[i]->result) {
    case TSendResult::Written:
    case TSendResult::Verified:
    case TSendResult::Differs:
    case TSendResult::Unverified:
      return "written";
    case TSendResult::NotAvailable:
      return "not available";
    case TSendResult::NoAnswer:
      return "not acknowledged";
    case TSendResult::Unknown:
      return "unknown";
    case TSendResult::NotSent:
      break;
    }
    return "not sent";
  };
  const auto label = [](const TSendItem &item) {
    return (IsFm(item) ? QString(FmListName(item.type)) + " " : QString()) + SendSlotText(item);
  };
  QStringList runs;
  for (size_t i = 0; i < begun.size();) {
    size_t end = i;
    while (end + 1 < begun.size() && word(end + 1) == word(i) &&
           begun[end + 1]->type == begun[i]->type && begun[end + 1]->bank == begun[i]->bank &&
           begun[end + 1]->number == begun[end]->number + 1)
      ++end;
    runs << label(*begun[i]) + (end > i ? "-" + SendSlotText(*begun[end]) : QString()) + " " +
                word(i);
    i = end + 1;
  }
  if (runs.isEmpty())
    return "Interrupted again: nothing was sent yet.";
  return "Interrupted again: " + runs.join(", ") + ", the rest not sent.";
}

} // namespace zpm::cli
