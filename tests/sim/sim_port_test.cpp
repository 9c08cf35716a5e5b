// SPDX-License-Identifier: GPL-3.0-or-later
// The device layer end to end with the built-in simulator: requests go out
// through SendSysEx, answers come back through the chunker to OnSysExData on
// the simulator's own thread. WaitIdle replaces every sleep.

#include "midi/midi_devices.h"
#include "patch/checksum.h"
#include "patch/error.h"
#include "sid/sid_messages.h"
#include "sim/sim_synth.h"
#include "support/sim_system.h"

#include <gtest/gtest.h>

#include <mutex>
#include <numeric>

namespace zpm {
namespace {

class DevicesSimulatorTest : public ::testing::Test {
protected:
  void SetUp() override { Build(TSimOptions{}); }

  void Build(const TSimOptions &options) {
    m_input.reset();
    m_output.reset();
    m_options = options;
    m_system = SimulatorSystem(options, m_simulator);
    m_input = std::make_unique<TMidiInput>(m_system);
    m_output = std::make_unique<TMidiOutput>(m_system);
    m_input->OnSysExData = [this](int device, const uint8_t *bytes, size_t count) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_devices.push_back(device);
      m_chunks.emplace_back(bytes, bytes + count);
    };
  }

  // Sends and waits until the simulator has delivered every answer.
  void Send(const Bytes &message) {
    TMemoryStream stream(message);
    m_output->SendSysEx(0, stream);
    m_simulator->WaitIdle();
  }

  // What an independent model with the same options answers.
  Bytes Expected(const Bytes &request) {
    TSimSynth model(m_options);
    return model.Receive(request);
  }

  std::vector<Bytes> Chunks() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_chunks;
  }

  TSimOptions m_options;
  TSimPort *m_simulator = nullptr; // owned by m_system
  std::shared_ptr<TMidiSystem> m_system;
  std::unique_ptr<TMidiInput> m_input;
  std::unique_ptr<TMidiOutput> m_output;
  std::mutex m_mutex;
  std::vector<Bytes> m_chunks;
  std::vector<int> m_devices;
};

TEST_F(DevicesSimulatorTest, WithoutServiceTheListsHoldTheSimulatorAlone) {
  EXPECT_EQ(m_system->Api(), MidiApi::None);
  EXPECT_EQ(m_input->DeviceNames(), std::vector<std::string>{"Zavorin Simulator"});
  EXPECT_EQ(m_output->DeviceNames(), std::vector<std::string>{"Zavorin Simulator"});
}

TEST_F(DevicesSimulatorTest, PatchRequestGivesOne266ByteChunk) {
  m_input->Open(0);
  m_output->Open(0);
  const Bytes request = SidPatchRequest(0, 5);
  TMemoryStream stream(request);
  stream.SetPosition(4);
  m_output->SendSysEx(0, stream);
  m_simulator->WaitIdle();
  EXPECT_EQ(stream.Position(), 0u);
  EXPECT_EQ(stream.Data(), request);

  const std::vector<Bytes> chunks = Chunks();
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].size(), 266u);
  EXPECT_EQ(chunks[0], Expected(request));
  EXPECT_EQ(chunks[0][7], 5);
  EXPECT_EQ(m_devices, std::vector<int>{0});
  EXPECT_EQ(m_output->LastResult(), 0u);
}

TEST_F(DevicesSimulatorTest, BankDumpArrivesAsSixteenFullChunksAndNine) {
  m_input->Open(0);
  m_output->Open(0);
  const Bytes request = SidBankDumpRequest(0);
  Send(request);

  const std::vector<Bytes> chunks = Chunks();
  ASSERT_EQ(chunks.size(), 17u);
  Bytes joined;
  for (size_t index = 0; index < chunks.size(); ++index) {
    EXPECT_EQ(chunks[index].size(), index < 16 ? 2048u : 9u) << "chunk " << index;
    joined.insert(joined.end(), chunks[index].begin(), chunks[index].end());
  }
  EXPECT_EQ(joined.size(), kSidBankDumpSize);
  EXPECT_EQ(joined, Expected(request));
}

TEST_F(DevicesSimulatorTest, AnswersFollowTheRequestsInOrder) {
  m_input->Open(0);
  m_output->Open(0);
  for (uint8_t patch : {127, 0, 64})
    Send(SidPatchRequest(0, patch));
  const std::vector<Bytes> chunks = Chunks();
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0][7], 127);
  EXPECT_EQ(chunks[1][7], 0);
  EXPECT_EQ(chunks[2][7], 64);
}

TEST_F(DevicesSimulatorTest, AWrittenPatchComesBackOnRequest) {
  m_input->Open(0);
  m_output->Open(0);
  Bytes dump = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x02, 17};
  for (int index = 0; index < 256; ++index)
    dump.push_back(static_cast<uint8_t>((index * 7 + 3) & 0x7F));
  dump.push_back(DataChecksum(dump.data() + 8));
  dump.push_back(0xF7);
  Send(dump);
  EXPECT_TRUE(Chunks().empty()); // writes are not answered
  Send(SidPatchRequest(0, 17));
  const std::vector<Bytes> chunks = Chunks();
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0], dump);
}

TEST_F(DevicesSimulatorTest, PacedAnswersArriveWholeAndInOrder) {
  TSimOptions options;
  options.pace = true;
  Build(options);
  m_input->Open(0);
  m_output->Open(0);
  // Both answers are on the cable at once: 2 x 266 bytes in 16-byte fragments.
  TMemoryStream first(SidPatchRequest(0, 1));
  TMemoryStream second(SidPatchRequest(0, 2));
  m_output->SendSysEx(0, first);
  m_output->SendSysEx(0, second);
  m_simulator->WaitIdle();
  const std::vector<Bytes> chunks = Chunks();
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0], Expected(SidPatchRequest(0, 1)));
  EXPECT_EQ(chunks[1][7], 2);
  EXPECT_EQ(chunks[1].size(), 266u);
}

TEST_F(DevicesSimulatorTest, HandlesAndIndexErrors) {
  try {
    m_output->GetHandle(-1);
    FAIL() << "no error for index -1";
  } catch (const ZpmError &error) {
    EXPECT_STREQ(error.what(), "TMidiOutput: Device index out of bounds! (-1)");
  }
  try {
    m_input->Open(1);
    FAIL() << "no error for index 1";
  } catch (const ZpmError &error) {
    EXPECT_STREQ(error.what(), "TMidiInput: Device index out of bounds! (1)");
  }
  TMemoryStream stream(SidPatchRequest(0, 0));
  EXPECT_THROW(m_output->SendSysEx(1, stream), ZpmError);
  try {
    m_output->SendSysEx(0, stream);
    FAIL() << "sent to a closed device";
  } catch (const ZpmError &error) {
    EXPECT_STREQ(error.what(), "TMidiOutput: Device not open! (0)");
  }
  EXPECT_NE(m_output->LastResult(), 0u);

  // Open and Close are idempotent; a handle exists exactly while open.
  EXPECT_EQ(m_input->GetHandle(0), nullptr);
  m_input->Open(0);
  const TMidiHandle *handle = m_input->GetHandle(0);
  ASSERT_NE(handle, nullptr);
  m_input->Open(0);
  EXPECT_EQ(m_input->GetHandle(0), handle);
  m_input->Close(0);
  m_input->Close(0);
  EXPECT_EQ(m_input->GetHandle(0), nullptr);
  m_output->Open(0);
  m_output->Open(0);
  EXPECT_NE(m_output->GetHandle(0), nullptr);
  m_output->Close(0);
  m_output->Close(0);
  EXPECT_EQ(m_output->GetHandle(0), nullptr);
}

TEST_F(DevicesSimulatorTest, NothingArrivesOnAClosedInput) {
  m_output->Open(0);
  Send(SidPatchRequest(0, 1)); // input never opened
  m_input->Open(0);
  m_input->Close(0);
  Send(SidPatchRequest(0, 2)); // input closed again
  m_simulator->WaitIdle();
  EXPECT_TRUE(Chunks().empty());
  m_input->Open(0);
  Send(SidPatchRequest(0, 3));
  const std::vector<Bytes> chunks = Chunks();
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0][7], 3);
}

TEST_F(DevicesSimulatorTest, ClosingDropsAHalfMessageInsteadOfHandingItOn) {
  TSimOptions options;
  options.fault.kind = TSimFaultKind::Short;
  options.fault.count = 100;
  options.fault.at = 1;
  Build(options);
  m_input->Open(0);
  m_output->Open(0);
  Send(SidPatchRequest(0, 9)); // 100 bytes, no F7
  EXPECT_TRUE(Chunks().empty());
  m_input->Close(0);
  EXPECT_TRUE(Chunks().empty());

  m_input->Open(0);
  Send(SidPatchRequest(0, 9));
  const std::vector<Bytes> chunks = Chunks();
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].size(), 266u);
  EXPECT_EQ(chunks[0][0], 0xF0);
}

TEST_F(DevicesSimulatorTest, ADestroyedInputIsNoLongerFed) {
  m_output->Open(0);
  m_input->Open(0);
  m_input.reset();
  // The simulator outlives the input object: its answer must go nowhere.
  Send(SidBankDumpRequest(0));
  TMidiInput again(m_system);
  size_t received = 0;
  again.OnSysExData = [&](int, const uint8_t *, size_t count) { received += count; };
  again.Open(0);
  Send(SidPatchRequest(0, 0));
  EXPECT_EQ(received, 266u);
}

TEST(DevicesDefaultTest, TheSingleObjectsUseTheApiSetBeforeFirstUse) {
  ASSERT_TRUE(SetMidiApi(MidiApi::None));
  TSimOptions options;
  options.sidId = 5;
  auto port = std::make_unique<TSimPort>(options);
  const TMidiService *simulator = port.get();
  ASSERT_TRUE(SetBuiltInPort(std::move(port)));
  TMidiInput &input = MidiInput();
  EXPECT_EQ(&MidiInput(), &input);
  EXPECT_EQ(&MidiOutput(), &MidiOutput());
  EXPECT_EQ(input.DeviceNames(), std::vector<std::string>{"Zavorin Simulator"});
  EXPECT_FALSE(SetMidiApi(MidiApi::Jack));
  EXPECT_FALSE(SetBuiltInPort(std::make_unique<TSimPort>(TSimOptions{})));
  EXPECT_EQ(DefaultMidiSystem()->Input(0).service, simulator);
  EXPECT_EQ(DefaultMidiSystem()->Output(0).service, simulator);

  MidiApi api = MidiApi::None;
  for (const char *name : {"auto", "alsa", "jack", "none"}) {
    ASSERT_TRUE(ParseMidiApi(name, api)) << name;
    EXPECT_STREQ(MidiApiName(api), name);
  }
  EXPECT_FALSE(ParseMidiApi("ALSA ", api));
}

} // namespace
} // namespace zpm
