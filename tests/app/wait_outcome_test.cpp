// SPDX-License-Identifier: GPL-3.0-or-later
// The real "Waiting for SysEx" dialog over a wait for whole messages: it
// counts only the awaited message and closes at once when that message is cut
// short or the service goes, fed through the input's chunker by the simulator.

#include "app_fixture.h"
#include "sid/sid_messages.h"
#include "sid/sid_transfer.h"

#include <QLabel>

#include <functional>
#include <string>
#include <vector>

namespace zpm {
namespace {

Bytes Dump(size_t size, uint8_t device = 0) {
  Bytes bytes = {0xF0, 0x00, 0x00, 0x7E, 0x46, device, 0x04};
  bytes.resize(size - 1, 0x33);
  bytes.push_back(0xF7);
  return bytes;
}

class TWaitOutcomeTest : public TAppFixture {
protected:
  void SetUp() override {
    Start(true);
    Main().show();
    lbBytes = app->wait->findChild<QLabel *>("lbBytes");
    ASSERT_NE(lbBytes, nullptr);
  }
  QLabel *lbBytes = nullptr;
};

TEST_F(TWaitOutcomeTest, TheDialogEndsByItselfAndCountsOnlyTheAwaitedMessage) {
  struct TCase {
    const char *name;
    std::function<void(TSimPort &)> cable;
    TWaitEnd end;
    QString count; // what the counter shows last
  };
  const std::vector<TCase> cases = {
      {"a whole dump after a stray one",
       [](TSimPort &sim) {
         sim.Inject({0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x0F, 0x02, 0xF7});
         sim.Inject(Dump(kSidBankDumpSize, 5));
         sim.Inject(Dump(kSidBankDumpSize));
       },
       TWaitEnd::Complete, "32777"},
      {"a dump cut short", [](TSimPort &sim) { sim.Inject(Dump(30297)); }, TWaitEnd::CutShort,
       "30297"},
      {"bytes lost mid-dump",
       [](TSimPort &sim) {
         Bytes part = Dump(kSidBankDumpSize);
         part.resize(5000);
         sim.Inject(part);
         sim.LoseBytes();
       },
       TWaitEnd::CutShort, "5000"},
      {"the service gone", [](TSimPort &sim) { sim.LoseService("The JACK server has shut down."); },
       TWaitEnd::ServiceLost, "0"},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.name);
    Main().Reception().InputOpened();
    Main().Reception().BeginWait(SidBankDumpAwait(0));
    WhenModal([&](QWidget *) { c.cable(Simulator()); });
    TSafetyNet net(app->wait, 30000);
    EXPECT_EQ(app->host.WaitForSysEx(), kWaitClosed);
    EXPECT_FALSE(net.fired); // ended by the reception, not by the safety net's Cancel
    Simulator().WaitIdle();
    QCoreApplication::processEvents();
    Main().Reception().EndWait();
    EXPECT_EQ(Main().Reception().Outcome().end, c.end);
    EXPECT_EQ(lbBytes->text(), c.count);
  }
}

} // namespace
} // namespace zpm
