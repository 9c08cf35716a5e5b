// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One program at a time talks to a synthesizer: whoever sends to a MIDI
// output port holds an advisory lock on it for the length of an operation.
// The lock is a file under $XDG_RUNTIME_DIR (else the temporary folder)
// locked with flock(2), so the system lets go of it when its holder ends,
// however it ends; the file says who holds it.

#include <string>

namespace zpm {

class TPortLock {
public:
  // scope: the service the port belongs to ("jack-default", "alsa"), as
  // ServiceScope gives it; program: how the holder is named to others ("zpm").
  TPortLock(const std::string &scope, const std::string &portName, const std::string &program);
  ~TPortLock();
  TPortLock(const TPortLock &) = delete;
  TPortLock &operator=(const TPortLock &) = delete;

  // Takes the lock when it is free (or already ours): true. When another
  // program holds it, false, and holder says who ("zpm, process 1234").
  // A lock file that cannot be made or locked does not stop anyone: true,
  // without holding it, and TakeSkipNotice says so.
  bool TryAcquire(std::string *holder = nullptr);
  // "Could not take the lock PATH: REASON; going on without it." the first
  // time a lock could not be taken; empty otherwise, so it is told once.
  std::string TakeSkipNotice();
  void Release();
  bool Held() const { return m_held; }

  const std::string &PortName() const { return m_port; }
  const std::string &Path() const { return m_path; }

  // The lock file of a port.
  static std::string PathFor(const std::string &scope, const std::string &portName);
  // Where a port name means one port: ALSA's sequencer, or one JACK server
  // (JACK_DEFAULT_SERVER, else "default").
  static std::string ServiceScope(bool jack);
  // "Another program (zpm, process 1234) is talking to the synthesizer on
  // zavorin-sim:in."
  static std::string BusyText(const std::string &holder, const std::string &portName);
  // "Waiting for another program (zpm, process 1234) to finish talking to
  // the synthesizer on zavorin-sim:in..."
  static std::string WaitingText(const std::string &holder, const std::string &portName);

private:
  std::string m_port;
  std::string m_program;
  std::string m_path;
  int m_fd = -1;
  bool m_held = false;
  std::string m_skipped; // why the lock could not be taken, until told
  bool m_toldSkipped = false;
  void Skip(int error);
};

} // namespace zpm
