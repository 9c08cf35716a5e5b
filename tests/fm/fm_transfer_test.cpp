// SPDX-License-Identifier: GPL-3.0-or-later
// One FM patch fetched or written against the simulated FM: what goes out,
// how the reply is judged, and how long the write waits on the fake clock.

#include "fm/fm_transfer.h"

#include "support/fake_host.h"

#include <gtest/gtest.h>

namespace zpm {
namespace {

TSimOptions FmOptions(uint8_t id = 0) {
  TSimOptions options;
  options.fmId = id;
  return options;
}

TSimOptions Fault(TSimFaultKind kind, size_t count) {
  TSimOptions options;
  options.fault = {kind, count, 1};
  return options;
}

Bytes Image(const TFMPatch &patch) {
  return Bytes(patch.Dump.begin(), patch.Dump.end());
}

Bytes Data(const TFMPatch &patch) {
  return Bytes(patch.Data(), patch.Data() + kDataSize);
}

// A recognisable patch that no fetch may touch.
TFMPatch Marker() {
  TFMPatch patch;
  patch.SetPatchType(kFmEnsemble);
  patch.SetBank(6);
  patch.SetPatchNumber(30);
  return patch;
}

// A voice whose data the simulator does not hold yet.
TFMPatch NewVoice(uint8_t bank, uint8_t number) {
  TFMPatch patch;
  patch.SetBank(bank);
  patch.SetPatchNumber(number);
  for (size_t i = 0; i < kDataSize; ++i)
    patch.Data()[i] = static_cast<uint8_t>((i * 5 + 1) & 0x7F);
  patch.UpdateChecksum();
  return patch;
}

TEST(FmFetch, RequestsGoOutClampedAndLogged) {
  TSimRig rig;
  RequestFmPatch(rig.link, 200, 16, 20, kFmDrumset);
  RequestFmPatch(rig.link, 5, 9, 40, kFmEnsemble);
  const std::vector<Bytes> expected = {
      {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x00, 0x01, 0x10, 0x00, 0x00, 0xF7},
      {0xF0, 0x00, 0x00, 0x7E, 0x49, 0x05, 0x01, 0x70, 0x09, 0x00, 0xF7}};
  EXPECT_EQ(rig.Sent(), expected);
}

TEST(FmFetch, APresentPatchIsReadExactlyAsReceived) {
  TSimRig rig(FmOptions(4));
  TFMPatch patch = Marker();
  EXPECT_EQ(FetchFmPatch(rig.link, rig.host, 4, 2, 5, kFmDrumset, patch), FmFetchReply::Dump);
  EXPECT_EQ(rig.Sent(), std::vector<Bytes>{FmPatchRequest(4, 2, 5, kFmDrumset)});
  ASSERT_EQ(rig.Received().size(), 1u);
  EXPECT_EQ(Image(patch), rig.Received()[0]);
  EXPECT_EQ(patch.DeviceNumber(), 4);
  EXPECT_EQ(patch.PatchType(), kFmDrumset);
  EXPECT_EQ(patch.Bank(), 2);
  EXPECT_EQ(patch.PatchNumber(), 5);
  EXPECT_EQ(Data(patch), rig.Synth().FmPatchData(kFmDrumset, 2, 5));
  EXPECT_EQ(rig.host.sysExWaits, 1);
  EXPECT_EQ(rig.reception.WaitMode(), WaitNone);
}

TEST(FmFetch, OnlyTheDumpOfThePatchAskedForCounts) {
  struct TCase {
    const char *name;
    std::vector<uint8_t> head; // bytes 0..9 of the 268-byte message that arrives
    FmFetchReply reply;
  };
  const std::vector<TCase> cases = {
      {"the patch asked for",
       {0xF0, 0, 0, 0x7E, 0x49, 0, 0x02, 0x00, 0x01, 0x05},
       FmFetchReply::Dump},
      {"another patch", {0xF0, 0, 0, 0x7E, 0x49, 0, 0x02, 0x00, 0x01, 0x06}, FmFetchReply::Nothing},
      {"another device",
       {0xF0, 0, 0, 0x7E, 0x49, 3, 0x02, 0x00, 0x01, 0x05},
       FmFetchReply::Nothing},
      {"the SID's header",
       {0xF0, 0, 0, 0x7E, 0x46, 0, 0x02, 0x00, 0x01, 0x05},
       FmFetchReply::Nothing},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    TSimRig rig(Fault(TSimFaultKind::Silence, 0));
    Bytes message(c.head.begin(), c.head.end());
    message.resize(kFmDumpSize - 1, 0x55);
    message.push_back(0xF7);
    rig.host.during = [&](TFakeWait, int) { rig.Simulator().Inject(message); };
    TFMPatch patch = Marker();
    EXPECT_EQ(FetchFmPatch(rig.link, rig.host, 0, 1, 5, kFmVoice, patch), c.reply);
    EXPECT_EQ(Image(patch), c.reply == FmFetchReply::Dump ? message : Image(Marker()));
  }
}

TEST(FmFetch, AnAbsentBankIsRefusedAndThePatchLeftAlone) {
  TSimOptions options;
  options.fmDrumBanks = 0b11;
  TSimRig rig(options);
  TFMPatch patch = Marker();
  EXPECT_EQ(FetchFmPatch(rig.link, rig.host, 0, 2, 5, kFmDrumset, patch), FmFetchReply::Refused);
  EXPECT_EQ(Image(patch), Image(Marker()));
  EXPECT_EQ(rig.reception.WaitMode(), WaitNone);
}

TEST(FmFetch, NoWholeReplyIsNothingAndACutShortOneEndsTheWaitAtOnce) {
  struct TCase {
    const char *name;
    TSimOptions options;
    TWaitEnd end;
  };
  for (const TCase &c :
       std::vector<TCase>{{"silent", Fault(TSimFaultKind::Silence, 0), TWaitEnd::Cancelled},
                          {"short, no end", Fault(TSimFaultKind::Short, 100), TWaitEnd::Cancelled},
                          {"spliced", Fault(TSimFaultKind::Spliced, 100), TWaitEnd::CutShort},
                          {"other device", FmOptions(3), TWaitEnd::Cancelled}}) {
    SCOPED_TRACE(c.name);
    TSimRig rig(c.options);
    TFMPatch patch = Marker();
    bool cancelled = false;
    TWaitOutcome outcome;
    EXPECT_EQ(FetchFmPatch(rig.link, rig.host, 0, 1, 0, kFmVoice, patch, &cancelled, &outcome),
              FmFetchReply::Nothing);
    EXPECT_EQ(Image(patch), Image(Marker()));
    // The fake user cancels a wait that does not end by itself; a bank loop must learn of it.
    EXPECT_EQ(cancelled, c.end == TWaitEnd::Cancelled);
    EXPECT_EQ(outcome.end, c.end);
    EXPECT_EQ(rig.reception.WaitMode(), WaitNone);
  }
}

TEST(FmFetch, ASecondDumpArrivingMeanwhileIsSetAside) {
  TSimRig rig(FmOptions());
  rig.host.during = [&](TFakeWait, int) { rig.link.Send(FmPatchRequest(0, 1, 1, kFmVoice)); };
  TFMPatch patch;
  EXPECT_EQ(FetchFmPatch(rig.link, rig.host, 0, 1, 0, kFmVoice, patch), FmFetchReply::Dump);
  EXPECT_EQ(patch.PatchNumber(), 0);
  EXPECT_EQ(rig.reception.ReceivedSize(), kFmDumpSize);
}

// --- writes ---

TEST(FmWrite, UntilAckEndsOnTheAcknowledgementAndStoresThePatch) {
  TSimRig rig(FmOptions(6));
  TFMPatch patch = NewVoice(3, 7);
  TMemoryStream image;
  patch.SaveToStreamAs(image, 6);
  EXPECT_EQ(WriteFmPatch(rig.link, rig.host, image, 1500, TFmWriteWait::UntilAck),
            FmWriteReply::Acknowledged);
  EXPECT_EQ(rig.Sent(), std::vector<Bytes>{image.Data()});
  EXPECT_EQ(rig.host.byteWaits, 1);
  EXPECT_TRUE(rig.host.delays.empty());
  EXPECT_EQ(rig.host.clockMs, 0);
  EXPECT_EQ(rig.Synth().FmPatchData(kFmVoice, 3, 7), Data(patch));
  EXPECT_EQ(rig.reception.WaitMode(), WaitNone);
}

TEST(FmWrite, RefusalAndSilenceLeaveTheMemoryAlone) {
  struct TCase {
    const char *name;
    TBankMask voiceBanks;
    uint8_t device;
    FmWriteReply reply;
    int64_t clockMs;
  };
  for (const TCase &c :
       std::vector<TCase>{{"absent bank", 0b1, 0, FmWriteReply::Refused, 0},
                          {"other device", kAllBanks, 7, FmWriteReply::NoReply, 1500}}) {
    SCOPED_TRACE(c.name);
    TSimOptions options;
    options.fmVoiceBanks = c.voiceBanks;
    TSimRig rig(options);
    const Bytes before = rig.Synth().FmPatchData(kFmVoice, 3, 7);
    TMemoryStream image;
    NewVoice(3, 7).SaveToStreamAs(image, c.device);
    EXPECT_EQ(WriteFmPatch(rig.link, rig.host, image, 1500, TFmWriteWait::UntilAck), c.reply);
    EXPECT_EQ(rig.host.clockMs, c.clockMs);
    EXPECT_EQ(rig.Synth().FmPatchData(kFmVoice, 3, 7), before);
  }
}

TEST(FmWrite, FullTimeoutAlwaysWaitsTheWholeTimeout) {
  for (TBankMask voiceBanks : {kAllBanks, TBankMask{0b1}}) {
    TSimOptions options;
    options.fmVoiceBanks = voiceBanks;
    TSimRig rig(options);
    TMemoryStream image;
    NewVoice(3, 7).SaveToStreamAs(image, 0);
    EXPECT_EQ(WriteFmPatch(rig.link, rig.host, image, 900, TFmWriteWait::FullTimeout),
              voiceBanks == kAllBanks ? FmWriteReply::Acknowledged : FmWriteReply::Refused);
    EXPECT_EQ(rig.host.delays, std::vector<int>{900});
    EXPECT_EQ(rig.host.clockMs, 900);
    EXPECT_EQ(rig.host.byteWaits, 0);
  }
}

TEST(FmWrite, AReAddressedPatchKeepsItsChecksumAndIsStoredThere) {
  TSimRig rig;
  TFMPatch patch;
  ASSERT_EQ(FetchFmPatch(rig.link, rig.host, 0, 0, 3, kFmEnsemble, patch), FmFetchReply::Dump);
  const Bytes fetched = Image(patch);
  TMemoryStream image;
  patch.SaveToStreamAt(image, 0, 5, 10);
  EXPECT_EQ(image.Data()[8], 5);
  EXPECT_EQ(image.Data()[9], 10);
  EXPECT_EQ(image.Data()[266], fetched[266]);
  EXPECT_EQ(Image(patch), fetched);
  // The device checks the checksum: the acknowledgement proves it still holds.
  EXPECT_EQ(WriteFmPatch(rig.link, rig.host, image, 1500, TFmWriteWait::UntilAck),
            FmWriteReply::Acknowledged);
  EXPECT_EQ(rig.Synth().FmPatchData(kFmEnsemble, 5, 10), Data(patch));
}

} // namespace
} // namespace zpm
