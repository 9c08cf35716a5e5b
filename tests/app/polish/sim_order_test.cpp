// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in simulator answers like a device on a cable: after the send
// has returned, so each request's line comes before its answer's, and the
// wait sees the answer come in.

#include "app/answer_modals.h"
#include "app/app_fixture.h"

#include <QPushButton>

#include <string>

namespace zpm {
namespace {

using TSimOrderTest = TAppFixture;

TEST_F(TSimOrderTest, EveryRequestIsLoggedBeforeTheAnswerItCaused) {
  Start(/*simulator=*/true);
  Main().show();
  for (int run = 0; run < 5; ++run)
    AnswerModals([&] { Find<QPushButton>("btnGetSinglePatch")->click(); });
  Simulator().WaitIdle();
  QCoreApplication::processEvents();
  ASSERT_EQ(Main().SidGetBank().Count(), 1);

  std::vector<std::string> kinds;
  for (size_t at = 0; at < Main().Log().Count(); ++at) {
    const std::string line = Main().Log().LineFromOldest(at);
    if (line.find("] OUT: ") != std::string::npos)
      kinds.push_back("OUT");
    else if (line.find("] IN : ") != std::string::npos)
      kinds.push_back("IN");
  }
  // Bank Select, its acknowledgement, Patch Request, the dump: five times.
  std::vector<std::string> expected;
  for (int run = 0; run < 5; ++run)
    for (const char *kind : {"OUT", "IN", "OUT", "IN"})
      expected.push_back(kind);
  EXPECT_EQ(kinds, expected);
}

} // namespace
} // namespace zpm
