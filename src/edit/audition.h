// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor's audition: a thread of its own writes the latest edited patch
// into the audition slot while the window goes on, holding the synthesizer's
// port lock from Start to the end of Close.
//
// For the editor window:
//   TAudition audition(link, options, events, lock);
//   std::string why = audition.Start();        // empty, or a line to show
//   audition.Submit(patchImage);                // on every change; latest wins
//   ... on closing: ask "put back?" (Yes by default), then
//   audition.Close(putBack); audition.WaitClosed();   // or poll Closed()
// The events are called on the audition's thread: post them to the window's.

#include "edit/audition_core.h"
#include "edit/audition_host.h"
#include "midi/port_lock.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zpm {

// The port lock the audition holds: the port's service scope and name as
// TPortLock takes them, and the program's name for others to read. An empty
// port (the built-in simulator) takes no lock.
struct TAuditionLock {
  std::string scope;
  std::string port;
  std::string program = "zavorin-patch-manager";
};

class TAudition {
public:
  // The link's devices, reception and log are used from the audition's
  // thread: nothing else may talk to the synthesizer through them until
  // Close has ended.
  TAudition(const TMidiLink &link, const TAuditionOptions &options, TAuditionEvents events,
            TAuditionLock lock = {});
  // Closes without putting back (what the slot holds stays) and waits.
  ~TAudition();
  TAudition(const TAudition &) = delete;
  TAudition &operator=(const TAudition &) = delete;

  // Checks the devices and takes the port lock, then starts the thread.
  // Empty when auditioning runs, else the line that says why not.
  std::string Start();
  // See TAuditionCore::Submit.
  bool Submit(const Bytes &image, std::string *why = nullptr);
  // Ends auditioning: the last patch still goes out unless putBack, which
  // writes back the slot's own patch instead; then "All notes off" when the
  // notes are on. Returns at once.
  void Close(bool putBack);
  bool Closed() const;
  void WaitClosed();

  bool Stopped() const { return m_core.Stopped(); }
  std::string StopReason() const { return m_core.StopReason(); }
  int Writes() const { return m_core.Writes(); }

private:
  void Run();

  TMidiLink m_link;
  TAuditionLock m_lockPlace;
  std::unique_ptr<TPortLock> m_lock;
  TAuditionHost m_host;
  TAuditionCore m_core;

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_closing = false;
  bool m_putBack = false;
  bool m_ended = false;
  std::thread m_thread;
};

} // namespace zpm
