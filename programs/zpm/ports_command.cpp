// SPDX-License-Identifier: GPL-3.0-or-later
// zpm ports: the input and output ports as the Config page lists them.
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/device_session.h"
#include "zpm/patch_file.h"

#include <cstdio>

namespace zpm::cli {

namespace {

std::string JsonNames(const std::vector<std::string> &names) {
  std::string out = "[";
  for (size_t i = 0; i < names.size(); ++i)
    out += (i == 0 ? "" : ", ") + JsonString(names[i]);
  return out + "]";
}

std::string TextNames(const char *title, const std::vector<std::string> &names) {
  std::string out = std::string(title) + ":\n";
  for (size_t i = 0; i < names.size(); ++i)
    out += "  " + std::to_string(i) + "  " + names[i] + "\n";
  return out;
}

} // namespace

int RunPorts(const QStringList &args) {
  CommandLine line("zpm ports [--api alsa|jack | --simulator] [--json]",
                   "Lists the MIDI input and output ports with their indexes.");
  AddDeviceOptions(line, false);
  line.AddFlag("json", "Print one JSON document.");
  if (!line.Parse(args, 0))
    return ExitDone;
  const std::shared_ptr<TMidiSystem> system = OpenMidiSystem(line);
  if (line.IsSet("json")) {
    const std::string out = "{\"inputs\": " + JsonNames(system->InputNames()) +
                            ", \"outputs\": " + JsonNames(system->OutputNames()) + "}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
  } else {
    PrintOut(QString::fromStdString(TextNames("Inputs", system->InputNames()) +
                                    TextNames("Outputs", system->OutputNames())));
  }
  return ExitDone;
}

} // namespace zpm::cli
