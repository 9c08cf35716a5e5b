// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/bounded_call.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace zpm {

namespace {

struct TCallState {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
};

} // namespace

bool RunBounded(std::function<void()> call, std::chrono::milliseconds limit) {
  // Shared, so a call that outlives the wait still has somewhere to report.
  auto state = std::make_shared<TCallState>();
  std::thread thread([state, call = std::move(call)] {
    call();
    std::lock_guard<std::mutex> lock(state->mutex);
    state->done = true;
    state->finished.notify_all();
  });
  bool done = false;
  {
    std::unique_lock<std::mutex> lock(state->mutex);
    done = state->finished.wait_for(lock, limit, [&] { return state->done; });
  }
  if (done)
    thread.join();
  else
    thread.detach();
  return done;
}

} // namespace zpm
