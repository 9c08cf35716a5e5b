// SPDX-License-Identifier: GPL-3.0-or-later
// A slider swept on a real MIDI service: the audition writes the changes
// into zavorin-sim's audition slot as the editor would hand them over, one
// change every few milliseconds, then closes, writing the last value or
// putting the slot's own patch back. Prints "writes N last V" on success.
// Usage: audition_sweep sid|fm BANK:SLOT CHANGES STEP_MS PAUSE_MS [putback]

#include "edit/audition.h"
#include "midi/midi_devices.h"
#include "midi/reception.h"
#include "patch/patch.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

using namespace zpm;

namespace {

int IndexOf(const std::vector<std::string> &names, const std::string &name) {
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == name)
      return static_cast<int>(i);
  return -1;
}

Bytes Image(bool sid, int value) {
  Bytes image = sid ? Bytes{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0}
                    : Bytes{0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x02, kFmVoice, 0, 0};
  image.resize(image.size() + kDataSize, static_cast<uint8_t>(value % 128));
  image.push_back(0);
  image.push_back(0xF7);
  return image;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: audition_sweep sid|fm BANK:SLOT CHANGES STEP_MS PAUSE_MS "
                         "[putback]\n");
    return 2;
  }
  const bool sid = std::string(argv[1]) == "sid";
  TAuditionSettings settings;
  TAuditionSlotSetting &setting = sid ? settings.sid : settings.fm;
  if (!ParseAuditionSlotText(argv[2], setting.bank, setting.slot)) {
    std::fprintf(stderr, "bad slot %s\n", argv[2]);
    return 2;
  }
  const int changes = std::atoi(argv[3]);
  const int stepMs = std::atoi(argv[4]);
  const int pauseMs = std::atoi(argv[5]);
  const bool putBack = argc > 6 && std::string(argv[6]) == "putback";

  auto system = std::make_shared<TMidiSystem>(MidiApi::Jack);
  TMidiInput input(system);
  TMidiOutput output(system);
  TEventLog log;
  TReception reception(log);
  input.OnSysExData = [&](int device, const uint8_t *bytes, size_t count) {
    reception.HandleSysExData(device, bytes, count);
  };
  input.OnInputProblem = [&](int device, TInputProblem problem, const std::string &why) {
    reception.HandleInputProblem(device, problem, why);
  };
  TMidiLink link{output, reception, log};
  link.InputDeviceIndex = IndexOf(input.DeviceNames(), "zavorin-sim:out");
  link.OutputDeviceIndex = IndexOf(output.DeviceNames(), "zavorin-sim:in");
  if (link.InputDeviceIndex < 0 || link.OutputDeviceIndex < 0) {
    std::fprintf(stderr, "zavorin-sim's ports are not there: %s\n",
                 system->ServiceProblem().c_str());
    return 1;
  }
  input.Open(link.InputDeviceIndex);
  output.Open(link.OutputDeviceIndex);

  const TAuditionSynth synth = sid ? TAuditionSynth::Sid : TAuditionSynth::Fm;
  TAuditionEvents events;
  events.status = [](const std::string &line) { std::fprintf(stderr, "%s\n", line.c_str()); };
  int backups = 0;
  events.backup = [&](const TSnapshotRecord &) { ++backups; };
  int writes = 0;
  std::string stopped;
  {
    TAudition audition(link, AuditionOptionsFor(settings, synth, 0, pauseMs), events,
                       AuditionLockFor(output, link.OutputDeviceIndex, "audition_sweep"));
    const std::string why = audition.Start();
    if (!why.empty()) {
      std::fprintf(stderr, "%s\n", why.c_str());
      return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < changes; ++i) {
      std::this_thread::sleep_until(start + std::chrono::milliseconds(i * stepMs));
      audition.Submit(Image(sid, i));
    }
    audition.Close(putBack);
    audition.WaitClosed();
    writes = audition.Writes();
    stopped = audition.StopReason();
  }
  if (!stopped.empty() || backups != 1) {
    std::fprintf(stderr, "stopped: \"%s\", %d backups\n", stopped.c_str(), backups);
    return 1;
  }
  std::printf("writes %d last %d\n", writes, (changes - 1) % 128);
  return 0;
}
