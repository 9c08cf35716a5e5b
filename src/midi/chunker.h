#pragma once
// Turns the raw bytes of a MIDI input into what the reception handles: SysEx
// chunks of at most 2048 bytes (cut at 2048 and at F7, whatever the sizes of
// the fragments the transport delivers) and short messages.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace zpm {

// Not thread-safe: one thread at a time feeds it (the driver side). The
// handlers are called on that thread, from inside Feed/FeedShort.
class TSysExChunker {
public:
  static constexpr size_t kChunkSize = 2048;
  using ChunkHandler = std::function<void(const uint8_t *bytes, size_t count)>;
  using ShortHandler = std::function<void(uint8_t status, uint8_t data1, uint8_t data2)>;

  TSysExChunker(ChunkHandler onChunk, ShortHandler onShort);

  // Raw wire bytes in fragments of any size.
  void Feed(const uint8_t *bytes, size_t count);
  // A short message the transport has already parsed. A real-time status
  // leaves a SysEx in progress alone; any other status ends it.
  void FeedShort(uint8_t status, uint8_t data1, uint8_t data2);
  // The transport lost bytes of the message in progress: nothing more of it
  // is handed on, so the receiver sees it short and never as whole.
  void MarkBroken();
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

  bool m_inSysEx = false;
  bool m_broken = false; // the SysEx in progress lost bytes: swallow the rest
  std::array<uint8_t, kChunkSize> m_chunk{};
  size_t m_chunkCount = 0;

  uint8_t m_status = 0; // running status; 0 = none
  int m_dataNeeded = 0;
  int m_dataCount = 0;
  uint8_t m_data[2] = {0, 0};
};

} // namespace zpm
