// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns the raw bytes of a MIDI input into what the reception handles: SysEx
// chunks of at most 2048 bytes (cut at 2048 and at F7, whatever the sizes of
// the fragments the transport delivers) and short messages.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace zpm {

// What went wrong below the chunker: bytes were lost (an overrun, a missed
// cycle), so the message in progress, if any, is broken; data bytes came
// after a loss with no message to belong to, so the lost bytes held the start
// of one; or the service or port behind the input is gone for good, with the
// service's own reason.
// PortBack is no problem but its end: the port that had gone is there again
// and connected; reason is the line to log.
enum class TInputProblem { BytesLost, StartLost, ServiceLost, PortBack };

// Not thread-safe: one thread at a time feeds it (the driver side). The
// handlers are called on that thread, from inside Feed/FeedShort.
class TSysExChunker {
public:
  static constexpr size_t kChunkSize = 2048;
  using ChunkHandler = std::function<void(const uint8_t *bytes, size_t count)>;
  using ShortHandler = std::function<void(uint8_t status, uint8_t data1, uint8_t data2)>;
  using ProblemHandler = std::function<void(TInputProblem problem, const std::string &reason)>;
  // After every fragment: whether a SysEx is under way, and how many of its
  // bytes have come. A chunk is handed on only every 2048 bytes, so this is
  // how the receiver knows that bytes are still coming in. Data bytes with no
  // message begun (an input opened in the middle of a dump) count as a SysEx
  // under way until the next status byte: the device is sending, though
  // nothing of it is ever handed on.
  using ActivityHandler = std::function<void(bool inSysEx, size_t messageBytes)>;

  TSysExChunker(ChunkHandler onChunk, ShortHandler onShort, ProblemHandler onProblem = nullptr);

  void SetActivityHandler(ActivityHandler onActivity) { m_onActivity = std::move(onActivity); }

  // Raw wire bytes in fragments of any size.
  void Feed(const uint8_t *bytes, size_t count);
  // A short message the transport has already parsed. A real-time status
  // leaves a SysEx in progress alone; any other status ends it.
  void FeedShort(uint8_t status, uint8_t data1, uint8_t data2);
  // The transport lost bytes of the message in progress: nothing more of it
  // is handed on, so the receiver sees it short and never as whole. The
  // problem handler hears of every loss, also outside a SysEx, since the
  // lost bytes may have held the start of one.
  void MarkBroken();
  // The service or port is gone: a message in progress is dropped and the
  // problem handler hears the reason.
  void MarkLost(const std::string &reason);
  // The lost port is back and connected again; text says so.
  void MarkBack(const std::string &text);
  // The input closes: a partly received message is discarded.
  void Reset();

private:
  void FeedStatus(uint8_t status);
  void FeedData(uint8_t data);
  size_t FeedSysExData(const uint8_t *bytes, size_t count);
  void Append(uint8_t byte);
  void HandOnChunk();
  void DropSysEx();
  void ClearShort();

  ChunkHandler m_onChunk;
  ShortHandler m_onShort;
  ProblemHandler m_onProblem;
  ActivityHandler m_onActivity;

  bool m_inSysEx = false;
  bool m_broken = false; // the SysEx in progress lost bytes: swallow the rest
  // Bytes were lost between messages: until the next status byte, a data
  // byte is the rest of a message whose start was lost.
  bool m_startMayBeLost = false;
  // Data bytes came with no message begun: the rest of one whose start
  // this input never saw.
  bool m_orphan = false;
  std::array<uint8_t, kChunkSize> m_chunk{};
  size_t m_chunkCount = 0;
  size_t m_handed = 0; // bytes of the SysEx under way handed on so far

  uint8_t m_status = 0; // running status; 0 = none
  int m_dataNeeded = 0;
  int m_dataCount = 0;
  uint8_t m_data[2] = {0, 0};
};

} // namespace zpm
