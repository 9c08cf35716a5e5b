// SPDX-License-Identifier: GPL-3.0-or-later
// The audition slot against the built-in simulator, answers at the cable's
// pace: how long a change takes to become a drained write, and how many
// writes a 2-second slider sweep (a change every 5 ms) makes, beside the
// patches the cable could carry in that time (3125 bytes/s).

#include "edit/audition.h"
#include "midi/din_pacing.h"
#include "midi/event_log.h"
#include "midi/reception.h"
#include "patch/patch.h"
#include "sim/sim_port.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

using namespace zpm;
using Clock = std::chrono::steady_clock;

TSimOptions Paced() {
  TSimOptions options;
  options.pace = true;
  return options;
}

// The simulator as the only MIDI system, its input feeding a reception.
struct TRig {
  TRig()
      : simulator(new TSimPort(Paced())),
        system(
            std::make_shared<TMidiSystem>(MidiApi::None, std::unique_ptr<TMidiService>(simulator))),
        input(system), output(system), link{output, reception, log} {
    input.OnSysExData = [this](int device, const uint8_t *bytes, size_t count) {
      reception.HandleSysExData(device, bytes, count);
    };
    input.OnInputProblem = [this](int device, TInputProblem problem, const std::string &why) {
      reception.HandleInputProblem(device, problem, why);
    };
    input.Open(0);
    output.Open(0);
    link.InputDeviceIndex = 0;
    link.OutputDeviceIndex = 0;
  }

  TEventLog log;
  TReception reception{log};
  TSimPort *simulator; // owned by system
  std::shared_ptr<TMidiSystem> system;
  TMidiInput input;
  TMidiOutput output;
  TMidiLink link;
};

Bytes Image(TAuditionSynth synth, int value) {
  const bool sid = synth == TAuditionSynth::Sid;
  Bytes image = sid ? Bytes{0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 0}
                    : Bytes{0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x02, 0x00, 0, 0};
  image.resize(image.size() + 256, static_cast<uint8_t>(value % 128));
  image.push_back(0);
  image.push_back(0xF7);
  return image;
}

TAuditionOptions Options(TAuditionSynth synth, int pauseMs) {
  TAuditionOptions options;
  options.synth = synth;
  options.bank = 0;
  options.slot = 127;
  options.pauseMs = pauseMs;
  return options;
}

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// A change after a pause in the sliding: from Submit to the write whose
// bytes have left (and, on the FM, whose acknowledgement has come).
void BM_AuditionChangeToWrite(benchmark::State &state) {
  const auto synth = static_cast<TAuditionSynth>(state.range(0));
  TRig rig;
  TAuditionHost host(rig.reception, nullptr);
  const auto now = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
  };
  // The SID's pause belongs to the device, after the write: 0 here.
  TAuditionCore core(rig.link, host, Options(synth, synth == TAuditionSynth::Sid ? 0 : 1500), {},
                     now);
  core.Submit(Image(synth, 0));
  core.WriteNext(); // the slot's own patch is fetched first, once
  double total = 0;
  int value = 1;
  for (auto _ : state) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kAuditionSpacingMs));
    const Clock::time_point start = Clock::now();
    core.Submit(Image(synth, value++));
    core.WriteNext();
    const double ms = Ms(Clock::now() - start);
    total += ms;
    state.SetIterationTime(ms / 1000);
  }
  state.counters["latency_ms"] = total / static_cast<double>(state.iterations());
  state.counters["cable_ms"] = Ms(DinTime(synth == TAuditionSynth::Sid ? 266 : 268));
}
BENCHMARK(BM_AuditionChangeToWrite)
    ->Arg(static_cast<int>(TAuditionSynth::Sid))
    ->Arg(static_cast<int>(TAuditionSynth::Fm))
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// A slider swept for 2 seconds, a change every 5 ms, on the audition's own
// thread; args: synthesizer, the SID's pause (the FM's acknowledge timeout).
void BM_AuditionSweep(benchmark::State &state) {
  const auto synth = static_cast<TAuditionSynth>(state.range(0));
  const int pauseMs = static_cast<int>(state.range(1));
  constexpr int kSweepMs = 2000;
  constexpr int kStepMs = 5;
  int writes = 0;
  bool lastArrived = true;
  for (auto _ : state) {
    TRig rig;
    const Clock::time_point start = Clock::now();
    int last = 0;
    {
      TAudition audition(rig.link, Options(synth, pauseMs), {});
      if (!audition.Start().empty()) {
        state.SkipWithError("the audition did not start");
        return;
      }
      for (int at = 0; at < kSweepMs; at += kStepMs) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(at));
        last = at / kStepMs;
        audition.Submit(Image(synth, last));
      }
      audition.Close(false);
      audition.WaitClosed();
      writes = audition.Writes();
    }
    rig.simulator->WaitIdle();
    const Bytes data = synth == TAuditionSynth::Sid
                           ? rig.simulator->Synth().SidPatchData(0, 127)
                           : rig.simulator->Synth().FmPatchData(kFmVoice, 0, 127);
    lastArrived = lastArrived && data[100] == last % 128;
  }
  state.counters["writes"] = writes;
  state.counters["cable_could_carry"] = kSweepMs / Ms(DinTime(266));
  state.counters["last_value_in_slot"] = lastArrived ? 1 : 0;
}
BENCHMARK(BM_AuditionSweep)
    ->Args({static_cast<int>(TAuditionSynth::Sid), 0})
    ->Args({static_cast<int>(TAuditionSynth::Sid), 750})
    ->Args({static_cast<int>(TAuditionSynth::Fm), 1500})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
