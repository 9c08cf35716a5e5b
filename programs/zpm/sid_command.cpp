// SPDX-License-Identifier: GPL-3.0-or-later
// zpm sid fetch: "Get Single &Patch", "Get &Single Bank" or "Get &All Banks",
// saved as "Save all patches to SysEx file" saves the fetched list.
#include "patch/error.h"
#include "patch/list_text.h"
#include "sid/sid_file.h"
#include "sid/sid_transfer.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/device_session.h"
#include "zpm/fetch_summary.h"
#include "zpm/interrupts.h"
#include "zpm/library_record.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace zpm::cli {

namespace {

// "L:N": a bank letter and a patch number 1..128.
void ParseSlot(const QString &text, int &bank, int &number) {
  const QStringList parts = text.split(':');
  if (parts.size() != 2)
    throw UsageError(QString("--patch needs BANK:NUMBER such as C:17, not \"%1\".").arg(text));
  bank = ParseBank("--patch", parts[0]);
  number = ParseNumber("--patch", parts[1]);
  if (number < 1 || number > 128)
    throw UsageError(QString("--patch numbers go from 1 to 128, not %1.").arg(number));
}

int RunSidFetch(const QStringList &args) {
  CommandLine line("zpm sid fetch (--patch L:N | --bank L | --all) --output FILE [options]",
                   "Fetches SID patches from the synthesizer and saves them to a .syx file.");
  line.AddValueOption("patch", "L:N", "Fetch one patch, e.g. C:17.");
  line.AddValueOption("bank", "L", "Fetch one bank, A..H.");
  line.AddFlag("all", "Fetch every bank the synthesizer has.");
  line.AddValueOption("output", "FILE", "The file to save the fetched patches to.");
  AddRetriesAndJsonOptions(line, "Ask again up to N times (0..10, default 2) for a dump that "
                                 "came cut short, damaged or not at all.");
  AddDeviceOptions(line, true);
  AddLibraryOptions(line);
  if (!line.Parse(args, 0))
    return ExitDone;
  const int modes = int(line.IsSet("patch")) + int(line.IsSet("bank")) + int(line.IsSet("all"));
  if (modes != 1)
    throw UsageError("Give exactly one of --patch, --bank and --all.");
  const QString output = AbsolutePath(line.Required("output"));
  CheckOutputPath(output); // before the fetch, not after it

  TSidFetch fetch;
  fetch.retries = ParseRetries(line);
  int number = 1;
  if (line.IsSet("patch"))
    ParseSlot(line.Value("patch"), fetch.fetchBank, number);
  else if (line.IsSet("bank"))
    fetch.fetchBank = ParseBank("--bank", line.Value("bank"));

  TDeviceSession session(line);
  fetch.device = session.Settings().deviceId;
  fetch.delayMs = session.Settings().delayMs;
  TPatchBank fetched;
  TFetchReport report;
  if (line.IsSet("patch"))
    report = GetSingleSidPatch(session.Link(), session.Host(), fetch, number, fetched);
  else if (line.IsSet("bank"))
    report = GetSingleSidBank(session.Link(), session.Host(), fetch, fetched);
  else
    report = GetAllSidBanks(session.Link(), session.Host(), fetch, fetched);

  RecordSidFetch(line, fetch.device, fetched);
  const bool saved = fetched.Count() > 0;
  if (saved) {
    WriteWholeFile(output, SidFileBytes(fetched));
    TInterrupts::SetLastWords(InterruptedAgainText(report.items, output).toStdString());
    PrintErr(QString("%1 patch%2 saved to %3.\n")
                 .arg(fetched.Count())
                 .arg(fetched.Count() == 1 ? "" : "es")
                 .arg(output));
  }
  for (const TFetchItem &item : report.items)
    if (item.result == TFetchResult::Fetched && !item.checksumOk)
      PrintErr(QString("Patch %1:%2 is saved as it arrived, although its checksum does not "
                       "match its data.\n")
                   .arg(QString::fromStdString(BankLetter(static_cast<uint8_t>(item.bank))))
                   .arg(item.patch));
  if (line.IsSet("json")) {
    QJsonObject json;
    json["slots"] = SidFetchSlots(report, fetched);
    json["file"] = saved ? QJsonValue(output) : QJsonValue();
    json["backup"] = QJsonValue();
    PrintOutBytes(QJsonDocument(json).toJson(QJsonDocument::Indented));
  }

  if (!report.lostReason.empty())
    throw ZpmError(report.lostReason);
  const QString missing = NotFetchedText(report);
  if (!saved)
    throw ZpmError((missing.isEmpty() ? std::string() : missing.toStdString() + " ") +
                   "Nothing was fetched, so " + output.toStdString() + " was not written.");
  if (!missing.isEmpty())
    throw ZpmError(
        QString("%1 %2 holds %3.").arg(missing, output, FetchedText(report)).toStdString());
  return ExitDone;
}

} // namespace

int RunSid(const QStringList &args) {
  if (!args.isEmpty() && args.first() == "fetch")
    return RunSidFetch(args.mid(1));
  if (!args.isEmpty() && args.first() == "send")
    return RunSidSendCli(args.mid(1));
  if (!args.isEmpty() && args.first() == "--help") {
    PrintOut("Usage: zpm sid fetch (--patch L:N | --bank L | --all) --output FILE [options]\n"
             "       zpm sid send FILE [--from-bank L --to-bank L | --rows LIST --to L:N] "
             "[options]\n");
    return ExitDone;
  }
  throw UsageError("zpm sid needs a subcommand: fetch or send. Run zpm sid fetch --help.");
}

} // namespace zpm::cli
