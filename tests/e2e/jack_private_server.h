// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private JACK server (jackd2's dummy driver) under a name of its own, or
// with ZPM_TEST_JACK=pipewire a private headless PipeWire, and zavorin-sim
// on it, started and stopped by a test so that it can kill
// either one in the middle of a transfer.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zpm {

// A child process; killed and waited for when it goes out of scope.
class TChild {
public:
  TChild() = default;
  ~TChild();
  TChild(const TChild &) = delete;
  TChild &operator=(const TChild &) = delete;

  // stdoutFd: where the child's standard output goes (-1: /dev/null).
  bool Start(const std::vector<std::string> &argv, int stdoutFd = -1);
  void Kill(int signal);
  // Waits for the child to end; its exit status as waitpid gives it.
  int Wait();
  // Whether it has ended (and is then waited for).
  bool Ended();
  pid_t Pid() const { return m_pid; }

private:
  pid_t m_pid = -1;
};

class TPrivateServer {
public:
  // synchronous: jackd -S, which waits for late clients instead of letting
  // them miss cycles. Sets JACK_DEFAULT_SERVER for this process, and for
  // PipeWire XDG_RUNTIME_DIR.
  explicit TPrivateServer(bool synchronous);
  ~TPrivateServer();

  // Empty when the server runs, else what went wrong.
  const std::string &Failure() const { return m_failure; }
  // SIGKILL: the server has no chance to tell its clients.
  void Kill();

  // Starts zavorin-sim (the program named by ZAVORIN_SIM) with these extra
  // arguments and waits for its "ready"; false with Failure() set if not.
  bool StartSimulator(const std::vector<std::string> &arguments);
  void KillSimulator() { m_sim.Kill(9); }
  // Kills it and waits until it has ended, so that it can be started again.
  void EndSimulator() {
    m_sim.Kill(9);
    m_sim.Wait();
  }

private:
  // Starts jackd and waits until it answers.
  bool Start();

  std::vector<std::string> m_argv;
  bool m_killed = false;
  std::string m_name;
  std::string m_failure;
  std::filesystem::path m_runtimeDir; // PipeWire's only
  TChild m_jackd;
  TChild m_sim;
};

} // namespace zpm
