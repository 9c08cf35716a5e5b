// SPDX-License-Identifier: GPL-3.0-or-later
// zpm: the command-line front end of Zavorin Patch Manager.
#include "patch/error.h"
#include "zpm/cli_io.h"
#include "zpm/commands.h"
#include "zpm/interrupts.h"

#include <QCoreApplication>

#include <functional>
#include <map>

namespace {

const char *const kUsage =
    "Usage: zpm COMMAND [options]\n"
    "\n"
    "Zavorin Patch Manager on the command line: the same loaders, writers and\n"
    "generators as the window, for scripts and for machines without a display.\n"
    "\n"
    "Commands:\n"
    "  info FILE      list the patches of a .syx file\n"
    "  show FILE      show one patch as the patch viewer does\n"
    "  patch set      change parameters of one patch of a .syx file\n"
    "  random sid|fm  create random patches into a .syx file or the synthesizer\n"
    "  explore vary   variations of a patch of a .syx file, by an amount and a seed\n"
    "  explore cross  crossings of 2 to 4 patches of a .syx file, from a seed\n"
    "  ports          list the MIDI input and output ports\n"
    "  sid fetch      fetch SID patches from the synthesizer into a .syx file\n"
    "  sid send       send the SID patches of a .syx file to the synthesizer\n"
    "  fm fetch       fetch FM patches from the synthesizer into a .syx file\n"
    "  fm send        send the FM patches of a .syx file to the synthesizer\n"
    "  diff A B       compare two .syx files or banks of the synthesizer slot by slot\n"
    "  library        the patch library: import, search, show, tag, history, export\n"
    "\n"
    "zpm COMMAND --help shows a command's options; zpm --version its version.\n";

} // namespace

int main(int argc, char **argv) {
  using namespace zpm::cli;
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("zpm");
  // Decoded here, not by Qt, so that file names keep bytes that are not UTF-8.
  QStringList args;
  for (int i = 1; i < argc; ++i)
    args << ArgumentText(QByteArray(argv[i]));

  if (args.isEmpty()) {
    PrintErr(kUsage);
    return ExitUsage;
  }
  const QString command = args.takeFirst();
  if (command == "--version") {
    PrintOut("zpm 0.8\n");
    return ExitDone;
  }
  if (command == "--help" || command == "help") {
    PrintOut(kUsage);
    return ExitDone;
  }
  const std::map<QString, std::function<int(const QStringList &)>> commands = {
      {"info", RunInfo},   {"show", RunShow},      {"random", RunRandom}, {"ports", RunPorts},
      {"sid", RunSid},     {"fm", RunFm},          {"diff", RunDiff},     {"library", RunLibrary},
      {"patch", RunPatch}, {"explore", RunExplore}};
  const auto found = commands.find(command);
  try {
    if (found == commands.end())
      throw UsageError(
          QString("Unknown command \"%1\". Run zpm --help for the commands.").arg(command));
    return TInterrupts::ExitStatus(found->second(args));
  } catch (const UsageError &e) {
    PrintErr(QString::fromStdString(e.what()) + "\n");
    return ExitUsage;
  } catch (const zpm::ZpmError &e) {
    PrintErr(QString::fromStdString(e.what()) + "\n");
    return TInterrupts::ExitStatus(ExitFailed);
  }
}
