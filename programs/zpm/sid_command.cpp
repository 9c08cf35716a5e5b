// zpm sid fetch: "Get Single &Patch", "Get &Single Bank" or "Get &All Banks",
// saved as "Save all patches to SysEx file" saves the fetched list.
#include "patch/error.h"
#include "sid/sid_file.h"
#include "sid/sid_transfer.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/device_session.h"

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
  AddDeviceOptions(line, true);
  if (!line.Parse(args, 0))
    return ExitDone;
  const int modes = int(line.IsSet("patch")) + int(line.IsSet("bank")) + int(line.IsSet("all"));
  if (modes != 1)
    throw UsageError("Give exactly one of --patch, --bank and --all.");
  const QString output = AbsolutePath(line.Required("output"));
  CheckOutputPath(output); // before the fetch, not after it

  TSidFetch fetch;
  int number = 1;
  if (line.IsSet("patch"))
    ParseSlot(line.Value("patch"), fetch.fetchBank, number);
  else if (line.IsSet("bank"))
    fetch.fetchBank = ParseBank("--bank", line.Value("bank"));

  TDeviceSession session(line);
  fetch.device = session.Settings().deviceId;
  fetch.delayMs = session.Settings().delayMs;
  TPatchBank fetched;
  if (line.IsSet("patch"))
    GetSingleSidPatch(session.Link(), session.Host(), fetch, number, fetched);
  else if (line.IsSet("bank"))
    GetSingleSidBank(session.Link(), session.Host(), fetch, fetched);
  else
    GetAllSidBanks(session.Link(), session.Host(), fetch, fetched);

  if (fetched.Count() == 0)
    throw ZpmError("Nothing was fetched, so " + output.toStdString() + " was not written.");
  WriteWholeFile(output, SidFileBytes(fetched));
  PrintErr(QString("%1 patch%2 saved to %3.\n")
               .arg(fetched.Count())
               .arg(fetched.Count() == 1 ? "" : "es")
               .arg(output));
  return ExitDone;
}

} // namespace

int RunSid(const QStringList &args) {
  if (!args.isEmpty() && args.first() == "fetch")
    return RunSidFetch(args.mid(1));
  if (!args.isEmpty() && args.first() == "--help") {
    PrintOut("Usage: zpm sid fetch (--patch L:N | --bank L | --all) --output FILE [options]\n");
    return ExitDone;
  }
  throw UsageError("zpm sid needs a subcommand: fetch. Run zpm sid fetch --help.");
}

} // namespace zpm::cli
