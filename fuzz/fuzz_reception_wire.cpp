// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the chunker and the reception with a cable's worth of traffic built
// from the input: whole SysEx messages, real-time bytes inside them, channel
// messages, stray bytes, lost bytes (an overrun or xrun) anywhere, a lost
// service, in fragments of any size. Whatever happens, nothing is handed on
// as whole, and no wait takes as its answer, what was not sent whole.
#include "midi/chunker.h"
#include "midi/event_log.h"
#include "midi/reception.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using zpm::Bytes;

class TInput {
public:
  TInput(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
  bool Empty() const { return m_at >= m_size; }
  uint8_t Next() { return m_at < m_size ? m_data[m_at++] : 0; }

private:
  const uint8_t *m_data;
  size_t m_size;
  size_t m_at = 0;
};

// One step on the cable: bytes, or something that happens to the input.
struct TStep {
  enum Kind { Wire, Lost, ServiceLost, Reopen, NewWait } kind = Wire;
  Bytes bytes;
};

// The awaited kind: a SID Bank-Dump-like message of a few bytes, so that
// the fuzzer meets it often; the generator builds messages near it.
const Bytes kPrefix = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x04};

Bytes MakeMessage(TInput &in, size_t awaitedSize) {
  Bytes message = {0xF0};
  const uint8_t shape = in.Next();
  if (shape & 1) {
    message.assign(kPrefix.begin(), kPrefix.end());
    if (shape & 2)
      message[5] = in.Next() & 0x7F; // another device
    if (shape & 4)
      message[6] = in.Next() & 0x7F; // another command
  }
  size_t size = (shape & 8) ? awaitedSize : message.size() + 1 + (in.Next() % 80);
  if (shape & 16)
    size += (in.Next() % 5) - 2; // near the awaited size
  size = std::max(size, message.size() + 1);
  while (message.size() + 1 < size)
    message.push_back(in.Next() & 0x7F);
  message.push_back(0xF7);
  return message;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  TInput in(data, size);
  const size_t awaitedSize = kPrefix.size() + 1 + in.Next() % 60;

  // The script, and the messages sent whole in order.
  std::vector<TStep> steps;
  std::vector<Bytes> sentWhole;
  while (!in.Empty() && steps.size() < 400) {
    const uint8_t op = in.Next();
    switch (op % 8) {
    case 0:
    case 1: { // a whole message, maybe with a real-time byte inside
      const Bytes message = MakeMessage(in, awaitedSize);
      sentWhole.push_back(message);
      Bytes wire = message;
      if (op & 0x10)
        wire.insert(wire.begin() + 1 + in.Next() % (wire.size() - 1), 0xF8 + (in.Next() % 8));
      steps.push_back({TStep::Wire, wire});
      break;
    }
    case 2: { // a message broken by lost bytes, a status byte or a new F0
      const Bytes message = MakeMessage(in, awaitedSize);
      const size_t cut = 1 + in.Next() % (message.size() - 1);
      steps.push_back({TStep::Wire, Bytes(message.begin(), message.begin() + cut)});
      const uint8_t how = in.Next() % 3;
      if (how == 0) {
        steps.push_back({TStep::Lost, {}});
        // The rest may still arrive, ending in F7: it must not pass for whole.
        steps.push_back({TStep::Wire, Bytes(message.begin() + cut, message.end())});
      } else if (how == 1) {
        steps.push_back({TStep::Wire, {static_cast<uint8_t>(0x80 + in.Next() % 0x70), 0x01}});
      } else {
        steps.push_back({TStep::Wire, {0xF0, 0x01, 0x02}}); // never finished
      }
      break;
    }
    case 3: // stray data and channel or system common bytes
      steps.push_back(
          {TStep::Wire,
           {static_cast<uint8_t>(in.Next() & 0x7F), static_cast<uint8_t>(0x80 + in.Next() % 0x70),
            static_cast<uint8_t>(in.Next() & 0x7F)}});
      break;
    case 4:
      steps.push_back({TStep::Lost, {}});
      break;
    case 5:
      steps.push_back({TStep::NewWait, {}});
      break;
    case 6:
      steps.push_back({(op & 0x10) ? TStep::ServiceLost : TStep::Reopen, {}});
      break;
    default:
      steps.push_back({TStep::Wire, {static_cast<uint8_t>(0xF8 + in.Next() % 8)}});
      break;
    }
  }

  zpm::TEventLog log;
  zpm::TReception reception(log);
  zpm::TAwait await;
  await.mode = zpm::WaitSidDump;
  await.kinds = {{kPrefix, awaitedSize}};
  await.expectedSize = awaitedSize;

  // Messages as the chunker hands them on, joined from their chunks.
  std::vector<Bytes> handedWhole;
  Bytes building;
  bool inMessage = false;
  zpm::TSysExChunker chunker(
      [&](const uint8_t *bytes, size_t count) {
        if (count == 0 || count > zpm::TSysExChunker::kChunkSize)
          std::abort();
        if (bytes[0] == 0xF0) {
          building.clear();
          inMessage = true;
        } else if (!inMessage) {
          std::abort(); // a chunk that belongs to no message
        }
        building.insert(building.end(), bytes, bytes + count);
        if (bytes[count - 1] == 0xF7) {
          handedWhole.push_back(building);
          inMessage = false;
        }
        reception.HandleSysExData(0, bytes, count);
      },
      [&](uint8_t status, uint8_t d1, uint8_t d2) {
        if (status < 0xF8)
          inMessage = false; // the SysEx it interrupted is dropped
        reception.HandleMidiData(0, status, d1, d2);
      },
      [&](zpm::TInputProblem problem, const std::string &reason) {
        inMessage = false;
        reception.HandleInputProblem(0, problem, reason);
      });

  // A wait's answer must be one of the messages sent whole, of the awaited kind.
  const auto checkAnswer = [&] {
    const zpm::TWaitOutcome outcome = reception.Outcome();
    if (outcome.end != zpm::TWaitEnd::Complete)
      return;
    const Bytes answer = reception.Buffer();
    if (answer.size() != awaitedSize || !std::equal(kPrefix.begin(), kPrefix.end(), answer.begin()))
      std::abort();
    if (std::find(sentWhole.begin(), sentWhole.end(), answer) == sentWhole.end())
      std::abort();
  };

  reception.BeginWait(await);
  size_t fragmentSeed = size;
  for (const TStep &step : steps) {
    switch (step.kind) {
    case TStep::Wire:
      for (size_t at = 0; at < step.bytes.size();) {
        fragmentSeed = fragmentSeed * 1103515245u + 12345u;
        const size_t part = std::min<size_t>(1 + (fragmentSeed >> 16) % 7, step.bytes.size() - at);
        chunker.Feed(step.bytes.data() + at, part);
        at += part;
      }
      break;
    case TStep::Lost:
      chunker.MarkBroken();
      break;
    case TStep::ServiceLost:
      chunker.MarkLost("The MIDI port fuzz:out has gone.");
      if (reception.Outcome().end == zpm::TWaitEnd::Waiting)
        std::abort(); // a lost service ends every wait at once
      break;
    case TStep::Reopen:
      chunker.Reset();
      inMessage = false;
      reception.InputOpened();
      break;
    case TStep::NewWait:
      checkAnswer();
      reception.EndWait();
      reception.BeginWait(await);
      break;
    }
    checkAnswer();
  }
  reception.EndWait();
  checkAnswer();

  // Every message handed on as whole was sent whole, in order.
  size_t next = 0;
  for (const Bytes &message : handedWhole) {
    while (next < sentWhole.size() && sentWhole[next] != message)
      ++next;
    if (next == sentWhole.size())
      std::abort();
    ++next;
  }
  return 0;
}
