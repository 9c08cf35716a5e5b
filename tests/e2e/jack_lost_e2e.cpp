// SPDX-License-Identifier: GPL-3.0-or-later
// The device layer on a private JACK server of its own per test, against
// zavorin-sim: what the input hears when the server or the simulator is
// killed in the middle of a bank dump, or when this process misses cycles,
// and how the output cuts messages into JACK events. Times are measured and
// printed; the bounds asserted are generous, only to catch a hang.

#include "jack_private_server.h"
#include "midi/jack_client.h"
#include "midi/midi_devices.h"
#include "patch/error.h"
#include "sid/sid_messages.h"
#include "sim/sim_port.h"
#include "sim/sim_synth.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace zpm {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(20);

double Seconds(Clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

// What one open input handed on, with waits for it.
class TInputRecord {
public:
  void Chunk(const uint8_t *bytes, size_t count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_chunks.emplace_back(bytes, bytes + count);
    m_bytes += count;
    m_changed.notify_all();
  }
  void Problem(TInputProblem problem, const std::string &reason) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_problems.push_back({problem, reason, Clock::now()});
    m_changed.notify_all();
  }
  bool WaitForBytes(size_t count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, kPatience, [&] { return m_bytes >= count; });
  }
  // The first problem of that kind told after since, waiting up to limit.
  bool WaitForProblem(TInputProblem problem, std::chrono::seconds limit, std::string &reason,
                      Clock::time_point &when, Clock::time_point since = {}) {
    std::unique_lock<std::mutex> lock(m_mutex);
    auto heard = [&] {
      for (const TProblem &entry : m_problems)
        if (entry.problem == problem && entry.when >= since) {
          reason = entry.reason;
          when = entry.when;
          return true;
        }
      return false;
    };
    return m_changed.wait_for(lock, limit, heard);
  }
  // Chunks that closed a message: none may close one that lost bytes.
  size_t ClosedMessages() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<size_t>(std::count_if(
        m_chunks.begin(), m_chunks.end(), [](const Bytes &chunk) { return chunk.back() == 0xF7; }));
  }

private:
  struct TProblem {
    TInputProblem problem;
    std::string reason;
    Clock::time_point when;
  };
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<Bytes> m_chunks;
  std::vector<TProblem> m_problems;
  size_t m_bytes = 0;
};

size_t Total(const std::vector<Bytes> &events) {
  size_t total = 0;
  for (const Bytes &event : events)
    total += event.size();
  return total;
}

int IndexOf(const std::vector<std::string> &names, const std::string &name) {
  const auto found = std::find(names.begin(), names.end(), name);
  return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

// A JACK client of our own that records the events it receives, one per call.
class TEventRecorder {
public:
  bool Open() {
    m_client = TJackClient::Open("recorder", true,
                                 [this](size_t, const uint8_t *bytes, size_t count, bool) {
                                   std::lock_guard<std::mutex> lock(m_mutex);
                                   m_events.emplace_back(bytes, bytes + count);
                                   m_bytes += count;
                                   m_changed.notify_all();
                                 });
    size_t slot = 0;
    if (!m_client || !m_client->AddInput("in", slot).Ok())
      return false;
    m_client->SetListening(slot, true);
    return true;
  }
  TJackClient &Client() { return *m_client; }
  std::vector<Bytes> WaitForBytes(size_t count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, kPatience, [&] { return m_bytes >= count; });
    return m_events;
  }

private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<Bytes> m_events;
  size_t m_bytes = 0;
  // Last, so its worker stops before what it fills goes.
  std::unique_ptr<TJackClient> m_client;
};

// The device layer on the private server, talking to zavorin-sim.
struct TDeviceRun {
  explicit TDeviceRun(TInputRecord &record)
      : system(std::make_shared<TMidiSystem>(MidiApi::Jack,
                                             std::make_unique<TSimPort>(TSimOptions{}))),
        input(std::make_unique<TMidiInput>(system)), output(std::make_unique<TMidiOutput>(system)) {
    input->OnSysExData = [&record](int, const uint8_t *bytes, size_t count) {
      record.Chunk(bytes, count);
    };
    input->OnInputProblem = [&record](int, TInputProblem problem, const std::string &reason) {
      record.Problem(problem, reason);
    };
    in = IndexOf(input->DeviceNames(), "zavorin-sim:out");
    out = IndexOf(output->DeviceNames(), "zavorin-sim:in");
    if (in >= 0 && out >= 0) {
      input->Open(in);
      output->Open(out);
    }
  }
  void Request(const Bytes &message) {
    TMemoryStream stream(message);
    output->SendSysEx(out, stream);
  }

  std::shared_ptr<TMidiSystem> system;
  std::unique_ptr<TMidiInput> input;
  std::unique_ptr<TMidiOutput> output;
  int in = -1;
  int out = -1;
};

struct TLossCase {
  const char *name;
  bool killServer; // else the simulator
  const char *reason;
};

class JackLostE2E : public ::testing::TestWithParam<TLossCase> {};

TEST_P(JackLostE2E, AKillMidDumpEndsTheWaitWithItsReasonAndClosingStaysQuick) {
  const TLossCase &loss = GetParam();
  TPrivateServer server(true);
  ASSERT_EQ(server.Failure(), "");
  // Paced: the dump takes about 10 s, so the kill surely lands inside it.
  ASSERT_TRUE(server.StartSimulator({"--pace"})) << server.Failure();
  TInputRecord record;
  auto run = std::make_unique<TDeviceRun>(record);
  ASSERT_GE(run->in, 0);
  ASSERT_GE(run->out, 0);
  // Sees the dump leave the simulator, whatever our input makes of it.
  TEventRecorder recorder;
  ASSERT_TRUE(recorder.Open());
  ASSERT_TRUE(recorder.Client().Connect("zavorin-sim:out", "recorder:in").Ok());
  run->Request(SidBankDumpRequest(0));
  ASSERT_GE(Total(recorder.WaitForBytes(2048)), 2048u);

  const Clock::time_point killed = Clock::now();
  if (loss.killServer)
    server.Kill();
  else
    server.KillSimulator();
  std::string reason;
  Clock::time_point heard;
  ASSERT_TRUE(
      record.WaitForProblem(TInputProblem::ServiceLost, std::chrono::seconds(5), reason, heard));
  std::printf("[ measured ] %s: lost service heard %.3f s after the kill: %s\n", loss.name,
              Seconds(heard - killed), reason.c_str());
  EXPECT_EQ(reason.rfind(loss.reason, 0), 0u) << reason;
  EXPECT_EQ(record.ClosedMessages(), 0u) << "a dump that lost its end was handed on whole";

  if (loss.killServer) {
    // Nothing takes bytes from a dead server: sending fails at once.
    const Clock::time_point start = Clock::now();
    try {
      run->Request(SidPatchRequest(0, 1));
      ADD_FAILURE() << "sending to a dead server succeeded";
    } catch (const ZpmError &error) {
      EXPECT_EQ(std::string(error.what()).rfind(loss.reason, 0), 0u) << error.what();
    }
    EXPECT_LT(Seconds(Clock::now() - start), 1.0);
  }
  const Clock::time_point start = Clock::now();
  for (TMidiDevices *devices : {static_cast<TMidiDevices *>(run->input.get()),
                                static_cast<TMidiDevices *>(run->output.get())}) {
    try {
      devices->Close(devices == run->input.get() ? run->in : run->out);
    } catch (const ZpmError &error) {
      ADD_FAILURE() << "closing raised: " << error.what();
    }
  }
  run.reset();
  const double closing = Seconds(Clock::now() - start);
  std::printf("[ measured ] %s: closing and tearing down took %.3f s\n", loss.name, closing);
  EXPECT_LT(closing, 5.0);
}

INSTANTIATE_TEST_SUITE_P(
    Kills, JackLostE2E,
    ::testing::Values(TLossCase{"server", true, "The JACK server has shut down."},
                      TLossCase{"simulator", false, "The MIDI port zavorin-sim:out has gone."}),
    [](const ::testing::TestParamInfo<TLossCase> &info) { return std::string(info.param.name); });

TEST(JackLostE2E, ARequestQueuedWhenTheServerDiesNeverThrowsFromADestructor) {
  TInputRecord record;
  {
    TPrivateServer server(true);
    ASSERT_EQ(server.Failure(), "");
    ASSERT_TRUE(server.StartSimulator({})) << server.Failure();
    TDeviceRun run(record);
    ASSERT_GE(run.out, 0);
    server.Kill();
    // Whether the send beats the news of the death or not, the devices are
    // destroyed with the port still open and must neither throw nor hang.
    try {
      run.Request(SidBankDumpRequest(0));
    } catch (const ZpmError &) {
    }
    const Clock::time_point start = Clock::now();
    run.input.reset();
    run.output.reset();
    run.system.reset();
    EXPECT_LT(Seconds(Clock::now() - start), 5.0);
  }
}

// Every event lies within one message and every message starts an event.
void ExpectOneMessagePerEvent(const std::vector<Bytes> &events, const std::vector<Bytes> &sent) {
  size_t message = 0, offset = 0;
  for (size_t index = 0; index < events.size(); ++index) {
    ASSERT_LT(message, sent.size()) << "event " << index << " beyond what was sent";
    const Bytes &whole = sent[message];
    ASSERT_LE(offset + events[index].size(), whole.size())
        << "event " << index << " runs from message " << message << " into the next";
    EXPECT_TRUE(std::equal(events[index].begin(), events[index].end(), whole.begin() + offset))
        << "event " << index;
    offset += events[index].size();
    if (offset == whole.size()) {
      ++message;
      offset = 0;
    }
  }
  EXPECT_EQ(message, sent.size());
}

Bytes Filler(size_t size) {
  Bytes message(size);
  message.front() = 0xF0;
  for (size_t index = 1; index + 1 < size; ++index)
    message[index] = static_cast<uint8_t>((index * 7) & 0x7F);
  message.back() = 0xF7;
  return message;
}

TEST(JackEventsE2E, MessagesQueuedTogetherLeaveInEventsOfTheirOwn) {
  TPrivateServer server(true);
  ASSERT_EQ(server.Failure(), "");
  ASSERT_TRUE(server.StartSimulator({})) << server.Failure();
  TEventRecorder recorder;
  ASSERT_TRUE(recorder.Open());
  ASSERT_TRUE(recorder.Client().Connect("zavorin-sim:out", "recorder:in").Ok());
  TInputRecord record;
  TDeviceRun run(record);
  const int toRecorder = IndexOf(run.output->DeviceNames(), "recorder:in");
  ASSERT_GE(toRecorder, 0);
  run.output->Open(toRecorder);

  // Ours: sent one after the other without a pause, so they wait in the
  // outgoing ring together; one is larger than a port buffer takes.
  const std::vector<Bytes> ours = {SidPatchRequest(0, 1), Filler(266), Filler(40000),
                                   SidBankDumpRequest(0), Filler(3)};
  size_t total = 0;
  for (const Bytes &message : ours) {
    TMemoryStream stream(message);
    run.output->SendSysEx(toRecorder, stream);
    total += message.size();
  }
  std::vector<Bytes> events = recorder.WaitForBytes(total);
  ExpectOneMessagePerEvent(events, ours);
  EXPECT_GE(events.size(), ours.size() + 1) << "40000 bytes cannot go in one event";
  const size_t oursEvents = events.size();

  // zavorin-sim's: a patch and a whole bank, answered back to back.
  TSimSynth model{TSimOptions{}};
  const std::vector<Bytes> requests = {SidPatchRequest(0, 5), SidBankDumpRequest(0)};
  std::vector<Bytes> answers;
  for (const Bytes &request : requests) {
    answers.push_back(model.Receive(request));
    run.Request(request);
  }
  events = recorder.WaitForBytes(total + 266 + kSidBankDumpSize);
  events.erase(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(oursEvents));
  ExpectOneMessagePerEvent(events, answers);
}

TEST(JackXrunE2E, MissedCyclesDuringADumpAreLostBytesNeverASplicedMessage) {
  // Without -S the server goes on without a client that is late.
  TPrivateServer server(false);
  ASSERT_EQ(server.Failure(), "");
  ASSERT_TRUE(server.StartSimulator({"--pace"})) << server.Failure();
  TInputRecord record;
  TDeviceRun run(record);
  ASSERT_GE(run.in, 0);
  TEventRecorder recorder;
  ASSERT_TRUE(recorder.Open());
  ASSERT_TRUE(recorder.Client().Connect("zavorin-sim:out", "recorder:in").Ok());
  const Clock::time_point requested = Clock::now();
  run.Request(SidBankDumpRequest(0));
  ASSERT_GE(Total(recorder.WaitForBytes(2048)), 2048u);

  // This whole process stops for 80 ms, as if the machine were busy.
  const Clock::time_point stopped = Clock::now();
  // By a program of its own: a child forked from this threaded process
  // could not be trusted to send the SIGCONT.
  const std::string self = std::to_string(getpid());
  TChild stopper;
  ASSERT_TRUE(
      stopper.Start({"sh", "-c", "kill -STOP " + self + "; sleep 0.08; kill -CONT " + self}));
  stopper.Wait();
  std::string reason;
  Clock::time_point heard;
  EXPECT_TRUE(record.WaitForProblem(TInputProblem::BytesLost, std::chrono::seconds(5), reason,
                                    heard, stopped));
  // The rest of the dump still arrives, on the cable's time; none of it
  // may close a message.
  std::this_thread::sleep_until(requested +
                                std::chrono::milliseconds(kSidBankDumpSize * 1000 / 3125 + 1000));
  EXPECT_EQ(record.ClosedMessages(), 0u);
}

// The synthesizer's program restarts: its ports come back under their
// names, and the device layer connects to them again, says so, and is
// answered again; while they were gone, the output said so too.
TEST(JackPortBack, ARestartedSimulatorIsConnectedAgainAndAnswers) {
  TPrivateServer server(false);
  ASSERT_EQ(server.Failure(), "");
  ASSERT_TRUE(server.StartSimulator({})) << server.Failure();
  TInputRecord record;
  TDeviceRun run(record);
  ASSERT_GE(run.in, 0);
  ASSERT_GE(run.out, 0);
  server.EndSimulator();
  std::string reason;
  Clock::time_point when;
  ASSERT_TRUE(
      record.WaitForProblem(TInputProblem::ServiceLost, std::chrono::seconds(5), reason, when));
  EXPECT_EQ(reason, "The MIDI port zavorin-sim:out has gone.");
  EXPECT_EQ(run.output->Problem(run.out), "The MIDI port zavorin-sim:in has gone.");

  ASSERT_TRUE(server.StartSimulator({})) << server.Failure();
  ASSERT_TRUE(
      record.WaitForProblem(TInputProblem::PortBack, std::chrono::seconds(5), reason, when));
  EXPECT_EQ(reason, "The MIDI port zavorin-sim:out is back.");
  // The output is connected again once the simulator's input has come back.
  for (int look = 0; look < 100 && !run.output->Problem(run.out).empty(); ++look)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(run.output->Problem(run.out), "");
  run.output->Drain(run.out);
  run.Request(SidPatchRequest(0, 1));
  EXPECT_TRUE(record.WaitForBytes(266)) << "no answer after the restart";
}

TEST(JackNames, ANameInUseIsRefusedToAClientThatAsksForItExactly) {
  TPrivateServer server(false);
  ASSERT_EQ(server.Failure(), "");
  ASSERT_TRUE(server.StartSimulator({})) << server.Failure();
  std::string why;
  EXPECT_EQ(TJackClient::Open("zavorin-sim", true, nullptr, &why), nullptr);
  EXPECT_EQ(why, "The JACK client name zavorin-sim is taken");
}

} // namespace
} // namespace zpm
