// SPDX-License-Identifier: GPL-3.0-or-later
// The device layer on a real JACK server against the zavorin-sim program
// (started by jack_e2e.sh on the server named by JACK_DEFAULT_SERVER), plus
// two clients of our own: "recorder", which records what the layer sends it,
// and "gone", whose port vanishes after the lists were made. Waits are
// bounded only so that a lost answer fails instead of hanging.

#include "midi/jack_client.h"
#include "midi/midi_devices.h"
#include "patch/checksum.h"
#include "patch/error.h"
#include "sid/sid_messages.h"
#include "sim/sim_port.h"
#include "sim/sim_synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>

namespace zpm {
namespace {

constexpr auto kPatience = std::chrono::seconds(20);

// Bytes and events that reached one place, with a wait for a byte count.
class TCollector {
public:
  void Add(const uint8_t *bytes, size_t count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pieces.emplace_back(bytes, bytes + count);
    m_total += count;
    m_changed.notify_all();
  }
  bool WaitFor(size_t total) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, kPatience, [&] { return m_total >= total; });
  }
  std::vector<Bytes> Pieces() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pieces;
  }
  Bytes Joined() {
    Bytes joined;
    for (const Bytes &piece : Pieces())
      joined.insert(joined.end(), piece.begin(), piece.end());
    return joined;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pieces.clear();
    m_total = 0;
  }

private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<Bytes> m_pieces;
  size_t m_total = 0;
};

int IndexOf(const std::vector<std::string> &names, const std::string &name) {
  const auto found = std::find(names.begin(), names.end(), name);
  return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

class DevicesJackE2E : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    s_recorded = new TCollector;
    s_recorder =
        TJackClient::Open("recorder", true, [](size_t, const uint8_t *bytes, size_t count, bool) {
          s_recorded->Add(bytes, count);
        }).release();
    ASSERT_NE(s_recorder, nullptr) << "no JACK server";
    size_t slot = 0;
    ASSERT_TRUE(s_recorder->AddInput("in", slot).Ok());
    s_recorder->SetListening(slot, true);
    auto gone = TJackClient::Open("gone", true, nullptr);
    ASSERT_TRUE(gone && gone->AddInput("in", slot).Ok());
    s_system = new std::shared_ptr<TMidiSystem>(
        std::make_shared<TMidiSystem>(MidiApi::Jack, std::make_unique<TSimPort>(TSimOptions{})));
    // "gone" closes here, after the lists were made.
  }
  static void TearDownTestSuite() {
    delete s_system;
    delete s_recorder;
    delete s_recorded;
  }

  void SetUp() override {
    ASSERT_NE(s_recorder, nullptr);
    m_input = std::make_unique<TMidiInput>(*s_system);
    m_output = std::make_unique<TMidiOutput>(*s_system);
    m_input->OnSysExData = [this](int, const uint8_t *bytes, size_t count) {
      m_chunks.Add(bytes, count);
    };
    m_simOut = IndexOf(m_input->DeviceNames(), "zavorin-sim:out");
    m_simIn = IndexOf(m_output->DeviceNames(), "zavorin-sim:in");
    ASSERT_GE(m_simOut, 0);
    ASSERT_GE(m_simIn, 0);
    s_recorded->Clear();
  }

  void Send(int device, const Bytes &message) {
    TMemoryStream stream(message);
    m_output->SendSysEx(device, stream);
  }

  static Bytes Expected(const Bytes &request) {
    TSimSynth model{TSimOptions{}};
    return model.Receive(request);
  }

  static TCollector *s_recorded;
  static TJackClient *s_recorder;
  static std::shared_ptr<TMidiSystem> *s_system;

  // Before the devices, so it outlives the input that fills it.
  TCollector m_chunks;
  std::unique_ptr<TMidiInput> m_input;
  std::unique_ptr<TMidiOutput> m_output;
  int m_simOut = -1;
  int m_simIn = -1;
};

TCollector *DevicesJackE2E::s_recorded = nullptr;
TJackClient *DevicesJackE2E::s_recorder = nullptr;
std::shared_ptr<TMidiSystem> *DevicesJackE2E::s_system = nullptr;

TEST_F(DevicesJackE2E, ListsShowOtherClientsPortsButNeverOurOwn) {
  EXPECT_EQ((*s_system)->Api(), MidiApi::Jack);
  EXPECT_EQ(m_input->DeviceNames().back(), "Zavorin Simulator");
  EXPECT_EQ(m_output->DeviceNames().back(), "Zavorin Simulator");
  EXPECT_GE(IndexOf(m_output->DeviceNames(), "recorder:in"), 0);
  EXPECT_EQ(IndexOf(m_output->DeviceNames(), "zavorin-sim:out"), -1);
  EXPECT_EQ(IndexOf(m_input->DeviceNames(), "zavorin-sim:in"), -1);

  const std::vector<std::string> destinations = s_recorder->OtherMidiPorts(false);
  EXPECT_EQ(IndexOf(destinations, "recorder:in"), -1);
  EXPECT_GE(IndexOf(destinations, "zavorin-sim:in"), 0);
  EXPECT_TRUE(std::is_sorted(destinations.begin(), destinations.end()));
}

TEST_F(DevicesJackE2E, PatchRequestIsAnsweredInOneChunk) {
  m_input->Open(m_simOut);
  m_output->Open(m_simIn);
  const Bytes request = SidPatchRequest(0, 42);
  Send(m_simIn, request);
  ASSERT_TRUE(m_chunks.WaitFor(266));
  const std::vector<Bytes> chunks = m_chunks.Pieces();
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0], Expected(request));
}

TEST_F(DevicesJackE2E, BankDumpCrossesIntact) {
  m_input->Open(m_simOut);
  m_output->Open(m_simIn);
  const Bytes request = SidBankDumpRequest(0);
  Send(m_simIn, request);
  ASSERT_TRUE(m_chunks.WaitFor(kSidBankDumpSize));
  const std::vector<Bytes> chunks = m_chunks.Pieces();
  ASSERT_EQ(chunks.size(), 17u);
  for (size_t index = 0; index < chunks.size(); ++index)
    EXPECT_EQ(chunks[index].size(), index < 16 ? 2048u : 9u) << "chunk " << index;
  EXPECT_EQ(m_chunks.Joined(), Expected(request));
}

TEST_F(DevicesJackE2E, AWrittenPatchIsReadBack) {
  m_input->Open(m_simOut);
  m_output->Open(m_simIn);
  Bytes dump = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 17};
  for (int index = 0; index < 256; ++index)
    dump.push_back(static_cast<uint8_t>((index * 5 + 11) & 0x7F));
  dump.push_back(DataChecksum(dump.data() + 8));
  dump.push_back(0xF7);
  Send(m_simIn, dump);
  Send(m_simIn, SidPatchRequest(0, 17));
  ASSERT_TRUE(m_chunks.WaitFor(266));
  EXPECT_EQ(m_chunks.Joined(), dump);
  // The script checks that zavorin-sim saves it on exit.
  if (const char *path = std::getenv("ZPM_E2E_WRITTEN_PATCH")) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(dump.data()),
               static_cast<std::streamsize>(dump.size()));
  }
}

TEST_F(DevicesJackE2E, MessagesLargerThanAnEventAndTheRingArriveWhole) {
  const int recorder = IndexOf(m_output->DeviceNames(), "recorder:in");
  ASSERT_GE(recorder, 0);
  m_output->Open(recorder);
  Bytes large(100003);
  large.front() = 0xF0;
  for (size_t index = 1; index + 1 < large.size(); ++index)
    large[index] = static_cast<uint8_t>((index * 31) & 0x7F);
  large.back() = 0xF7;
  const Bytes small = SidPatchRequest(0, 1);
  Send(recorder, large);
  Send(recorder, small);
  ASSERT_TRUE(s_recorded->WaitFor(large.size() + small.size()));
  Bytes expected = large;
  expected.insert(expected.end(), small.begin(), small.end());
  EXPECT_EQ(s_recorded->Joined(), expected);
  // JACK carries it in several events, none above what a port buffer takes.
  const std::vector<Bytes> events = s_recorded->Pieces();
  EXPECT_GE(events.size(), 4u);
  for (const Bytes &event : events)
    EXPECT_LE(event.size(), 32768u);
  m_output->Close(recorder);
}

TEST_F(DevicesJackE2E, BytesArrivingWhileClosedAreNeverHandedOn) {
  // The recorder listens to the simulator too, to know when an answer is out.
  ASSERT_TRUE(s_recorder->Connect("zavorin-sim:out", s_recorder->InputName(0)).Ok());
  const int recorder = IndexOf(m_output->DeviceNames(), "recorder:in");
  ASSERT_GE(recorder, 0);
  m_output->Open(recorder);
  m_output->Open(m_simIn);
  m_input->Open(m_simOut);
  m_input->Close(m_simOut);
  m_input->Close(m_simOut);
  Send(m_simIn, SidPatchRequest(0, 3));
  ASSERT_TRUE(s_recorded->WaitFor(266));
  // Our port reads the answer in the recorder's cycle or the next one. Two
  // fences through our own output, each sent after the last one arrived,
  // make sure our process callback has run past both while still closed.
  const Bytes fence = {0xF0, 0x7D, 0xF7};
  Send(recorder, fence);
  ASSERT_TRUE(s_recorded->WaitFor(266 + 3));
  Send(recorder, fence);
  ASSERT_TRUE(s_recorded->WaitFor(266 + 6));

  m_input->Open(m_simOut);
  m_input->Open(m_simOut);
  Send(m_simIn, SidPatchRequest(0, 4));
  ASSERT_TRUE(m_chunks.WaitFor(266));
  const std::vector<Bytes> chunks = m_chunks.Pieces();
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0][7], 4);
  ASSERT_TRUE(s_recorder->Disconnect("zavorin-sim:out", s_recorder->InputName(0)).Ok());
  m_output->Close(recorder);
}

TEST_F(DevicesJackE2E, AVanishedPortRaisesJacksOwnText) {
  const int gone = IndexOf(m_output->DeviceNames(), "gone:in");
  ASSERT_GE(gone, 0);
  try {
    m_output->Open(gone);
    FAIL() << "opened a port that has gone";
  } catch (const ZpmError &error) {
    EXPECT_NE(std::string(error.what()).find("gone:in"), std::string::npos) << error.what();
  }
  EXPECT_NE(m_output->LastResult(), 0u);
  EXPECT_EQ(m_output->GetHandle(gone), nullptr);
}

} // namespace
} // namespace zpm
