// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ctrl+C and SIGTERM during a device command: the first one asks the run to
// stop after the patch in progress (as "&Cancel" does in the window), so it
// can still report what it did; the second ends the program at once,
// saying in one line what is known of the run.

#include <functional>
#include <string>

namespace zpm::cli {

class TInterrupts {
public:
  // Blocks SIGINT and SIGTERM in the calling thread and every thread it
  // starts from here on, and watches for them on a thread of its own. Call
  // before any other thread is started; later calls do nothing.
  static void Install();
  // The signal that asked the run to stop; 0 while none did.
  static int Received();
  // Called on the watcher's thread at the first signal, so that a wait in
  // progress ends at once; nullptr: nothing to call.
  static void SetHandler(std::function<void()> handler);
  // The line a second signal prints on standard error before the program
  // ends: what the run is known to have done so far. Empty: none.
  static void SetLastWords(const std::string &line);
  // The exit status for a run a signal stopped: 128 + its number; status
  // itself when none did.
  static int ExitStatus(int status);
};

} // namespace zpm::cli
