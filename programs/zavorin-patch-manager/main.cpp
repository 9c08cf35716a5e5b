// SPDX-License-Identifier: GPL-3.0-or-later
// zavorin-patch-manager: the window. --simulator picks the built-in
// simulator's ports for this run, --api the MIDI service; a .syx file named
// after them is loaded into the page of its kind.

#include "app/app_windows.h"
#include "midi/midi_system.h"
#include "sim/sim_port.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// --help and --version print and end: they need no display, so they must
// not wait for a window system that may not be there.
bool OnlyPrints(int argc, char *argv[]) {
  for (int i = 1; i < argc; ++i)
    for (const char *option : {"--help", "-h", "--help-all", "--version", "-v", "-?"})
      if (std::strcmp(argv[i], option) == 0)
        return true;
  return false;
}

} // namespace

int main(int argc, char *argv[]) {
  const std::unique_ptr<QCoreApplication> application(
      OnlyPrints(argc, argv) ? new QCoreApplication(argc, argv) : new QApplication(argc, argv));
  QCoreApplication &app = *application;
  // The configuration folder is named after it when the executable's folder is not writable.
  QCoreApplication::setApplicationName("zavorin-patch-manager");
  QCoreApplication::setApplicationVersion("0.8");
  if (qobject_cast<QApplication *>(&app))
    QApplication::setApplicationDisplayName("Zavorin Patch Manager");

  QCommandLineParser parser;
  parser.setApplicationDescription("Zavorin Patch Manager: patch librarian for the Zavorin SID "
                                   "and the Zavorin FM.");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption simulator(
      "simulator", "Use the built-in simulated synthesizers (\"Zavorin Simulator\") as input and "
                   "output for this run.");
  const QCommandLineOption api("api", "MIDI service for this run: alsa or jack.", "service");
  parser.addOption(simulator);
  parser.addOption(api);
  parser.addPositionalArgument("file", "A .syx file to load into the page of its kind.", "[FILE]");
  parser.process(app);

  zpm::TMainOptions options;
  options.simulator = parser.isSet(simulator);
  if (parser.isSet(api)) {
    zpm::MidiApi chosen = zpm::MidiApi::Auto;
    const std::string name = parser.value(api).toLower().toStdString();
    if (!zpm::ParseMidiApi(name, chosen) ||
        (chosen != zpm::MidiApi::Alsa && chosen != zpm::MidiApi::Jack)) {
      std::fprintf(stderr, "--api takes alsa or jack, not %s\n", name.c_str());
      return 2;
    }
    options.api = chosen;
  }

  // The simulator is this program's own demo device, listed after the service's ports.
  zpm::SetBuiltInPort(std::make_unique<zpm::TSimPort>(zpm::TSimOptions{}));
  zpm::TAppWindows windows(options);
  windows.main->show();
  if (!parser.positionalArguments().isEmpty())
    windows.main->OpenFile(parser.positionalArguments().first());
  return QApplication::exec();
}
