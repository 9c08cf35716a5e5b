// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI service of the device commands: one that cannot be used ends the
// run at once, naming it, with nothing written; the built-in simulator is
// reached only with --simulator, never by a port index or name.
#include "zpm/zpm_run.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <csignal>
#include <glob.h>
#include <sys/stat.h>

namespace zpm {
namespace {

using test::RunZpm;

// A server name no other run uses, so that no server answers to it.
std::string UniqueServer(const char *what) {
  return std::string("zpm") + what + std::to_string(getpid()) + "x" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 100000);
}

bool Exists(const std::string &path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

TEST(ZpmService, AServiceThatCannotBeUsedEndsTheRunNamingItAndWritesNothing) {
  if (Exists("/dev/snd/seq"))
    GTEST_SKIP() << "this machine has an ALSA sequencer; the default would use it";
  QTemporaryDir dir;
  const std::string output = dir.path().toStdString() + "/bank.syx";
  test::RunSetup setup;
  setup.env = {{"JACK_DEFAULT_SERVER", UniqueServer("none")}};
  const std::string alsa =
      "ALSA sequencer is not available (/dev/snd/seq: No such file or directory)";
  struct Case {
    std::vector<std::string> api;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--api", "jack"}, "The JACK server is not running.\n"},
      {{"--api", "alsa"}, "The " + alsa + ".\n"},
      {{}, "No MIDI service can be used: the " + alsa + " and the JACK server is not running.\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.message);
    const std::vector<std::string> fetch = {"sid",    "fetch", "--in",    "0", "--out",    "0",
                                            "--bank", "A",     "--delay", "0", "--output", output};
    for (std::vector<std::string> args : {std::vector<std::string>{"ports"}, fetch}) {
      args.insert(args.end(), c.api.begin(), c.api.end());
      const test::RawRun run = RunZpm(args, setup);
      EXPECT_EQ(run.code, 1);
      EXPECT_EQ(run.err, c.message);
      EXPECT_EQ(run.out, "");
      EXPECT_FALSE(Exists(output)) << "written from somewhere else";
      EXPECT_LT(run.seconds, 5.0);
    }
  }
  const test::RawRun both = RunZpm({"ports", "--simulator", "--api", "jack"}, setup);
  EXPECT_EQ(both.code, 2);
  // A wrong number is bad usage before any service is asked for.
  for (const auto &[option, value] : std::vector<std::pair<std::string, std::string>>{
           {"--device-id", "200"}, {"--delay", "5001"}, {"--wait", "-1"}}) {
    const test::RawRun usage = RunZpm(
        {"sid", "fetch", "--bank", "A", "--output", output, "--api", "jack", option, value}, setup);
    EXPECT_EQ(usage.code, 2) << option << ": " << usage.err;
  }
}

TEST(ZpmService, TheSimulatorAnswersOnlyUnderItsOwnFlag) {
  QTemporaryDir dir;
  const std::string output = dir.path().toStdString() + "/one.syx";
  const test::RawRun ports = RunZpm({"ports", "--simulator", "--json"});
  EXPECT_EQ(ports.code, 0);
  EXPECT_EQ(ports.out,
            "{\"inputs\": [\"Zavorin Simulator\"], \"outputs\": [\"Zavorin Simulator\"]}\n");
  for (const char *port : {"0", "Zavorin Simulator", "Simul"}) {
    SCOPED_TRACE(port);
    const test::RawRun run = RunZpm({"sid", "fetch", "--simulator", "--in", port, "--out", port,
                                     "--delay", "100", "--patch", "A:17", "--output", output});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(test::SlurpFile(output).size(), 9u + 266u);
    unlink(output.c_str());
  }
}

// A private JACK server with no other client: its port lists are empty, and
// the simulator must not fill them.
class PrivateJack {
public:
  PrivateJack() : m_name(UniqueServer("jack")) {
    m_pid = fork();
    if (m_pid == 0) {
      const int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, 1);
      dup2(quiet, 2);
      execlp("jackd", "jackd", "-n", m_name.c_str(), "-r", "-d", "dummy", "-r", "48000", "-p",
             "256", "-C", "0", "-P", "0", static_cast<char *>(nullptr));
      _exit(127);
    }
  }
  ~PrivateJack() {
    if (m_pid > 0) {
      kill(m_pid, SIGTERM);
      int status = 0;
      waitpid(m_pid, &status, 0);
    }
    glob_t found{};
    for (const std::string &pattern :
         {"/dev/shm/jack_sem.0_" + m_name + "_*", "/dev/shm/jack-*-" + m_name + "*"})
      if (glob(pattern.c_str(), 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i)
          unlink(found.gl_pathv[i]);
        globfree(&found);
      }
  }
  // False once jackd has ended (it refuses to start when the machine's JACK
  // registry is full of other servers).
  bool Running() {
    int status = 0;
    if (m_pid > 0 && waitpid(m_pid, &status, WNOHANG) == m_pid)
      m_pid = -1;
    return m_pid > 0;
  }
  test::RunSetup Setup() const {
    test::RunSetup setup;
    setup.env = {{"JACK_DEFAULT_SERVER", m_name}};
    return setup;
  }

private:
  std::string m_name;
  pid_t m_pid = -1;
};

TEST(ZpmService, NoPortOfARunningServiceReachesTheSimulator) {
  if (system("command -v jackd >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "jackd is not installed";
  PrivateJack jack;
  test::RawRun ports;
  for (int i = 0; i < 200 && jack.Running(); ++i) {
    ports = RunZpm({"ports", "--api", "jack", "--json"}, jack.Setup());
    if (ports.code == 0)
      break;
    usleep(50 * 1000);
  }
  if (!jack.Running())
    GTEST_SKIP() << "jackd did not start here (another server may hold its registry)";
  ASSERT_EQ(ports.code, 0) << ports.err;
  EXPECT_EQ(ports.out.find("Zavorin Simulator"), std::string::npos) << ports.out;
  QTemporaryDir dir;
  const std::string output = dir.path().toStdString() + "/x.syx";
  for (const char *port : {"0", "Zavorin Simulator", "Simul"}) {
    SCOPED_TRACE(port);
    const test::RawRun run = RunZpm({"sid", "fetch", "--api", "jack", "--in", port, "--out", port,
                                     "--delay", "0", "--patch", "A:1", "--output", output},
                                    jack.Setup());
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_FALSE(Exists(output));
  }
}

} // namespace
} // namespace zpm
