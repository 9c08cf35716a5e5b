// SPDX-License-Identifier: GPL-3.0-or-later
// zpm fm fetch: "Get Single &Patch", "Get &Single Bank" or "Get &All Banks"
// of the FM Get tab for one type or all three, saved as that type's "Save
// all patches to SysEx file" or the "All Types" save.
#include "fm/fm_fetch.h"
#include "fm/fm_file.h"
#include "fm/fm_messages.h"
#include "fm/fm_send.h"
#include "patch/error.h"
#include "patch/list_text.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/device_session.h"
#include "zpm/fetch_summary.h"
#include "zpm/interrupts.h"
#include "zpm/library_record.h"
#include "zpm/safe_files.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace zpm::cli {

namespace {

constexpr std::array<uint8_t, 3> kTypes = {kFmVoice, kFmDrumset, kFmEnsemble};

// --type: the type codes to fetch or send, in the order of the "All Types" save.
std::vector<uint8_t> ParseTypes(const QString &text, bool allowAll) {
  if (text == "voices")
    return {kFmVoice};
  if (text == "drums")
    return {kFmDrumset};
  if (text == "ensembles")
    return {kFmEnsemble};
  if (allowAll && text == "all")
    return {kTypes.begin(), kTypes.end()};
  throw UsageError(QString("--type must be voices, drums, ensembles%1, not \"%2\".")
                       .arg(allowAll ? " or all" : "", text));
}

int RunFmFetch(const QStringList &args) {
  CommandLine line("zpm fm fetch --type voices|drums|ensembles|all (--patch L:N | --bank L | "
                   "--all) --output FILE [options]",
                   "Fetches FM patches from the synthesizer and saves them to a .syx file.");
  line.AddValueOption("type", "T", "voices, drums, ensembles, or all three.");
  line.AddValueOption("patch", "L:N", "Fetch one patch, e.g. C:17.");
  line.AddValueOption("bank", "L", "Fetch one bank, A..H.");
  line.AddFlag("all", "Fetch every bank; banks the synthesizer refuses are skipped.");
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
  const std::vector<uint8_t> types = ParseTypes(line.Required("type"), true);
  const QString output = AbsolutePath(line.Required("output"));
  CheckOutputPath(output); // before the fetch, not after it

  TFmFetch fetch;
  fetch.retries = ParseRetries(line);
  int number = 1;
  if (line.IsSet("patch")) {
    const QStringList parts = line.Value("patch").split(':');
    if (parts.size() != 2)
      throw UsageError(
          QString("--patch needs BANK:NUMBER such as C:17, not \"%1\".").arg(line.Value("patch")));
    fetch.bank = ParseBank("--patch", parts[0]);
    int last = 128;
    for (uint8_t type : types)
      last = std::min(last, FmPatchesPerBank(type));
    number = static_cast<int>(ParseNumberIn("--patch", parts[1], 1, last));
  } else if (line.IsSet("bank")) {
    fetch.bank = ParseBank("--bank", line.Value("bank"));
  }

  TDeviceSession session(line);
  fetch.device = session.Settings().deviceId;
  std::array<TFMPatchBank, 3> fetched;
  TFetchReport report;
  for (size_t i = 0; i < kTypes.size(); ++i) {
    if (std::find(types.begin(), types.end(), kTypes[i]) == types.end())
      continue;
    fetch.type = kTypes[i];
    TFetchReport one;
    if (line.IsSet("patch"))
      one = GetSingleFmPatch(session.Link(), session.Host(), fetch, number, fetched[i]);
    else if (line.IsSet("bank"))
      one = GetSingleFmBank(session.Link(), session.Host(), fetch, fetched[i]);
    else
      one = GetAllFmBanks(session.Link(), session.Host(), fetch, fetched[i]);
    report.items.insert(report.items.end(), one.items.begin(), one.items.end());
    report.cancelled = report.cancelled || one.cancelled;
    // The types after it are not asked for.
    if (one.cancelled)
      break;
    if (!one.lostReason.empty()) {
      report.lostReason = one.lostReason;
      break;
    }
  }

  RecordFmFetch(line, fetch.device, fetched[0], fetched[1], fetched[2]);
  const int count = fetched[0].Count() + fetched[1].Count() + fetched[2].Count();
  const bool saved = count > 0;
  if (saved) {
    const Bytes file =
        types.size() > 1
            ? FmAllTypesFile(fetched[0], fetched[1], fetched[2])
            : FmBankFile(fetched[static_cast<size_t>(
                  std::find(kTypes.begin(), kTypes.end(), types[0]) - kTypes.begin())]);
    WriteWholeFile(output, file);
    TInterrupts::SetLastWords(InterruptedAgainText(report.items, output).toStdString());
    PrintErr(
        QString("%1 patch%2 saved to %3.\n").arg(count).arg(count == 1 ? "" : "es").arg(output));
  }
  if (line.IsSet("json")) {
    QJsonObject json;
    json["slots"] = FmFetchSlots(report, fetched[0], fetched[1], fetched[2]);
    json["file"] = saved ? QJsonValue(output) : QJsonValue();
    json["backup"] = QJsonValue();
    PrintOutBytes(QJsonDocument(json).toJson(QJsonDocument::Indented));
  }

  if (!report.lostReason.empty())
    throw ZpmError(report.lostReason);
  // A refused bank was told already in the window's words; --all skips it.
  const bool refused =
      !line.IsSet("all") &&
      std::any_of(report.items.begin(), report.items.end(),
                  [](const TFetchItem &item) { return item.result == TFetchResult::NotAvailable; });
  const QString missing = NotFetchedText(report);
  if (!missing.isEmpty())
    throw ZpmError(QString("%1 %2")
                       .arg(missing, saved ? QString("%1 holds the rest.").arg(output)
                                           : QString("%1 was not written.").arg(output))
                       .toStdString());
  if (refused)
    return ExitFailed;
  if (!saved)
    throw ZpmError("Nothing was fetched, so " + output.toStdString() + " was not written.");
  return ExitDone;
}

} // namespace

int RunFm(const QStringList &args) {
  if (!args.isEmpty() && args.first() == "fetch")
    return RunFmFetch(args.mid(1));
  if (!args.isEmpty() && args.first() == "send")
    return RunFmSendCli(args.mid(1));
  if (!args.isEmpty() && args.first() == "--help") {
    PrintOut("Usage: zpm fm fetch --type voices|drums|ensembles|all (--patch L:N | --bank L | "
             "--all) --output FILE [options]\n"
             "       zpm fm send FILE [--type voices|drums|ensembles] [--from-bank L --to-bank L "
             "| --rows LIST --to L:N] [options]\n");
    return ExitDone;
  }
  throw UsageError("zpm fm needs a subcommand: fetch or send. Run zpm fm fetch --help.");
}

} // namespace zpm::cli
