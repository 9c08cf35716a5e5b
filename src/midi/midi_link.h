// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The open devices and the receive state that every transfer works through:
// what the main window owns for its transfers, and zpm and the tests alike.

#include "midi/event_log.h"
#include "midi/midi_devices.h"
#include "midi/reception.h"

#include <functional>
#include <string>

namespace zpm {

struct TMidiLink {
  TMidiOutput &output;
  TReception &reception;
  TEventLog &log;
  int InputDeviceIndex = -1;
  int OutputDeviceIndex = -1;
  // Called when an operation starts talking to the device: the front end
  // takes hold of the synthesizer here (raising ZpmError when it cannot).
  std::function<void()> OnClaim = nullptr;

  // Both devices must be open before anything is sent; the same message
  // serves both cases. Then the device is claimed.
  void CheckDevicesOpen() const;
  void Claim() const {
    if (OnClaim)
      OnClaim();
  }
  // Returns once everything sent has left the program; raises when it
  // cannot (the service or the port has gone). False when it may not have
  // arrived: the service fell behind while it left.
  bool Drain();
  // Why nothing sent now can reach the device or be answered: the input's
  // or the output's service or port has gone; empty while both are there.
  std::string LostReason() const;
  // Raises the output's problem when its service or port has gone.
  void CheckOutputThere() const;
  // Sends one whole message and logs it once it has been handed to the
  // device; a message whose sending failed is not logged.
  void Send(TMemoryStream &message);
  void Send(const Bytes &message);
  // One channel message, checked and logged the same way.
  void SendShort(uint8_t status, uint8_t data1, uint8_t data2);

  // Sends a message with the reception collecting whole messages of the
  // awaited kinds from before it leaves, so a fast answer is never missed,
  // then runs wait(); the wait mode always goes back to WaitNone, also when
  // sending or waiting fails. Returns how the wait ended.
  template <typename Wait>
  TWaitOutcome SendAndAwait(const TAwait &await, const Bytes &message, Wait wait) {
    reception.BeginWait(await);
    // A run that is to stop asks nothing more; the wait has ended cancelled.
    if (reception.StopRequested()) {
      reception.EndWait();
      return reception.Outcome();
    }
    try {
      Send(message);
      wait();
    } catch (...) {
      reception.EndWait();
      throw;
    }
    reception.EndWait();
    return reception.Outcome();
  }
};

} // namespace zpm
