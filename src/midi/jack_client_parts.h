// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the parts of TJackClient share: the per-port state and the guard its
// JACK callbacks go through. Only the client's own files include this.

#include "midi/jack_client.h"

#include <chrono>

namespace zpm {

constexpr auto kJackCloseLimit = std::chrono::milliseconds(1000);

// "The JACK server has shut down.", with the server's own reason after it
// when it says more than that it closed.
std::string JackServerGoneText(const char *reason);

struct TJackClient::TInPort {
  jack_port_t *port = nullptr;
  // Odd while listening; every switch moves it on, so records of an
  // earlier session are recognised and dropped.
  std::atomic<uint32_t> generation{0};
  uint32_t lostInGeneration = 0;   // process thread only
  std::vector<std::string> peers;  // ports we connected to it; under m_noticeMutex
  uint32_t toldLostGeneration = 0; // worker, under m_deliveryMutex
};

struct TJackClient::TGuard {
  std::mutex mutex; // held while a notification callback reaches the owner
  std::atomic<TJackClient *> owner;
  std::atomic<bool> inProcess{false}; // a process cycle may be using the owner
};

struct TJackClient::TOutPort {
  jack_port_t *port = nullptr;
  // Pieces: a uint32_t size and that many bytes of one message.
  jack_ringbuffer_t *ring = nullptr;
  uint32_t pieceLeft = 0;    // process thread: bytes of the current piece not yet sent
  bool undrained = false;    // under m_sendMutex: sent since the last drain
  uint64_t behindAtSend = 0; // under m_sendMutex: m_fellBehind when undrained began
  ~TOutPort() {
    if (ring)
      jack_ringbuffer_free(ring);
  }
};

} // namespace zpm
