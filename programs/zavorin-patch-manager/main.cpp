// zavorin-patch-manager: the window. --simulator picks the built-in
// simulator's ports for this run, --api the MIDI service.

#include "app/app_windows.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

int main(int argc, char *argv[]) {
  QApplication app(argc, argv);
  // The configuration folder is named after it when the executable's folder is not writable.
  QApplication::setApplicationName("zavorin-patch-manager");
  QApplication::setApplicationVersion("0.8");
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

  zpm::TAppWindows windows(options);
  windows.main->show();
  return QApplication::exec();
}
