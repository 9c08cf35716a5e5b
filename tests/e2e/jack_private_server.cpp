// SPDX-License-Identifier: GPL-3.0-or-later
#include "jack_private_server.h"

#include "midi/jack_client.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

extern char **environ;

namespace zpm {

TChild::~TChild() {
  if (m_pid > 0) {
    Kill(SIGKILL);
    Wait();
  }
}

bool TChild::Start(const std::vector<std::string> &argv, int stdoutFd) {
  std::vector<char *> args;
  for (const std::string &arg : argv)
    args.push_back(const_cast<char *>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdoutFd >= 0)
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
  else
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const int result = posix_spawnp(&m_pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0)
    m_pid = -1;
  return result == 0;
}

void TChild::Kill(int signal) {
  if (m_pid > 0)
    kill(m_pid, signal);
}

bool TChild::Ended() {
  int status = 0;
  if (m_pid > 0 && waitpid(m_pid, &status, WNOHANG) == m_pid)
    m_pid = -1;
  return m_pid < 0;
}

int TChild::Wait() {
  int status = 0;
  if (m_pid > 0 && waitpid(m_pid, &status, 0) == m_pid)
    m_pid = -1;
  return status;
}

TPrivateServer::TPrivateServer(bool synchronous) {
  static int s_count = 0;
  m_name = "zpmtest" + std::to_string(getpid()) + "x" + std::to_string(++s_count);
  setenv("JACK_DEFAULT_SERVER", m_name.c_str(), 1);
  const char *kind = std::getenv("ZPM_TEST_JACK");
  if (kind && std::string(kind) == "pipewire") {
    // PipeWire's JACK library finds the daemon in the runtime folder.
    m_runtimeDir = std::filesystem::temp_directory_path() / m_name;
    std::filesystem::create_directories(m_runtimeDir);
    std::filesystem::permissions(m_runtimeDir, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", m_runtimeDir.c_str(), 1);
    unsetenv("PIPEWIRE_RUNTIME_DIR");
    unsetenv("PIPEWIRE_REMOTE");
    m_argv = {"pipewire", "-c", ZPM_PIPEWIRE_CONF};
    Start();
    return;
  }
  // Realtime where the system allows it (else jackd runs without): a busy
  // machine then does not make the clients miss cycles.
  m_argv = {"jackd", "-n", m_name, "-R"};
  if (synchronous)
    m_argv.push_back("-S");
  for (const char *arg : {"-d", "dummy", "-r", "48000", "-p", "256", "-C", "0", "-P", "0"})
    m_argv.push_back(arg);
  Start();
}

bool TPrivateServer::Start() {
  if (!m_jackd.Start(m_argv)) {
    m_failure = m_argv[0] + " cannot be started";
    return false;
  }
  // Poll until the server answers (about 0.1-0.3 s); give up after 10 s.
  for (int attempt = 0; attempt < 200 && !m_jackd.Ended(); ++attempt) {
    if (TJackClient::Open("probe", false, nullptr))
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  m_failure = "the JACK server " + m_name + " did not come up";
  return false;
}

void TPrivateServer::Kill() {
  m_jackd.Kill(SIGKILL);
  m_jackd.Wait();
  m_killed = true;
}

TPrivateServer::~TPrivateServer() {
  // Asked to stop, zavorin-sim leaves the server as it found it; a server
  // with -S stalls for seconds over a client that was killed.
  m_sim.Kill(SIGTERM);
  m_sim.Wait();
  // A killed server stays in JACK's registry of servers, which holds only
  // a few: a server of the same name takes the entry over, and one that is
  // stopped properly gives it back.
  if (m_killed && m_runtimeDir.empty())
    Start();
  m_jackd.Kill(SIGTERM);
  m_jackd.Wait();
  // A killed server leaves its semaphores and shared memory behind.
  std::error_code ignored;
  for (const auto &entry : std::filesystem::directory_iterator("/dev/shm", ignored))
    if (entry.path().filename().string().find(m_name) != std::string::npos)
      std::filesystem::remove(entry.path(), ignored);
  if (!m_runtimeDir.empty())
    std::filesystem::remove_all(m_runtimeDir, ignored);
}

bool TPrivateServer::StartSimulator(const std::vector<std::string> &arguments) {
  const char *program = std::getenv("ZAVORIN_SIM");
  if (!program) {
    m_failure = "ZAVORIN_SIM does not name the zavorin-sim program";
    return false;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    m_failure = "no pipe";
    return false;
  }
  std::vector<std::string> argv = {program, "--api", "jack"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const bool started = m_sim.Start(argv, fds[1]);
  close(fds[1]);
  std::string said;
  pollfd ready{fds[0], POLLIN, 0};
  while (started && said.find('\n') == std::string::npos && poll(&ready, 1, 20000) > 0) {
    char text[64];
    const ssize_t count = read(fds[0], text, sizeof text);
    if (count <= 0)
      break;
    said.append(text, static_cast<size_t>(count));
  }
  close(fds[0]);
  if (said != "ready\n") {
    m_failure = "zavorin-sim did not get ready: '" + said + "'";
    return false;
  }
  return true;
}

} // namespace zpm
