// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/interrupts.h"

#include <atomic>
#include <csignal>
#include <mutex>
#include <string>
#include <thread>

#include <pthread.h>
#include <unistd.h>

namespace zpm::cli {

namespace {

std::atomic<int> g_received{0};
std::mutex g_handlerLock;
std::function<void()> g_handler;
std::mutex g_lastWordsLock;
std::string g_lastWords;

// The second signal: the run's own thread may be anywhere, so the line goes
// straight to the descriptor.
[[noreturn]] void EndAtOnce(int signal) {
  {
    std::lock_guard<std::mutex> lock(g_lastWordsLock);
    if (!g_lastWords.empty()) {
      const std::string line = g_lastWords + "\n";
      // Nothing is left to do when standard error cannot take it.
      [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
    }
  }
  _exit(128 + signal);
}

sigset_t Watched() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

void Watch() {
  const sigset_t set = Watched();
  for (;;) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0)
      continue;
    int none = 0;
    if (!g_received.compare_exchange_strong(none, signal))
      EndAtOnce(signal);
    std::lock_guard<std::mutex> lock(g_handlerLock);
    if (g_handler)
      g_handler();
  }
}

} // namespace

void TInterrupts::Install() {
  static std::once_flag once;
  std::call_once(once, [] {
    const sigset_t set = Watched();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // It waits in sigwait until the program ends.
    std::thread(Watch).detach();
  });
}

int TInterrupts::Received() {
  return g_received.load();
}

void TInterrupts::SetHandler(std::function<void()> handler) {
  std::lock_guard<std::mutex> lock(g_handlerLock);
  g_handler = std::move(handler);
}

void TInterrupts::SetLastWords(const std::string &line) {
  std::lock_guard<std::mutex> lock(g_lastWordsLock);
  g_lastWords = line;
}

int TInterrupts::ExitStatus(int status) {
  const int signal = g_received.load();
  return signal != 0 ? 128 + signal : status;
}

} // namespace zpm::cli
