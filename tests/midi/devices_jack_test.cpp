// JACK without a server: the layer must neither start one nor complain, and
// the lists then hold the built-in simulator alone.

#include "midi/jack_service.h"
#include "midi/midi_system.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace zpm {
namespace {

TEST(DevicesJackTest, NoServerMeansNoPortsAndNoError) {
  const char *previous = std::getenv("JACK_DEFAULT_SERVER");
  const std::string saved = previous ? previous : "";
  // A server name nobody uses: a running default server must not count.
  const std::string name = "zpm-absent-" + std::to_string(getpid());
  setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);

  testing::internal::CaptureStderr();
  EXPECT_EQ(TJackService::Open(), nullptr);
  TMidiSystem system(MidiApi::Jack, TSimOptions{});
  const std::string complaints = testing::internal::GetCapturedStderr();

  if (previous)
    setenv("JACK_DEFAULT_SERVER", saved.c_str(), 1);
  else
    unsetenv("JACK_DEFAULT_SERVER");

  EXPECT_EQ(system.Api(), MidiApi::None);
  EXPECT_EQ(system.InputNames(), std::vector<std::string>{"Zavorin Simulator"});
  EXPECT_EQ(system.OutputNames(), std::vector<std::string>{"Zavorin Simulator"});
  EXPECT_EQ(complaints, "");
}

} // namespace
} // namespace zpm
