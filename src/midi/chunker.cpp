// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/chunker.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace zpm {

namespace {

constexpr uint8_t kSysExStart = 0xF0;
constexpr uint8_t kSysExEnd = 0xF7;
constexpr uint8_t kFirstRealTime = 0xF8;

bool IsData(uint8_t byte) {
  return byte < 0x80;
}

// Data bytes that follow a status byte; program change and channel pressure
// carry one, the other channel messages two.
int DataBytesOf(uint8_t status) {
  switch (status & 0xF0) {
  case 0xC0:
  case 0xD0:
    return 1;
  case 0xF0:
    break;
  default:
    return 2;
  }
  switch (status) {
  case 0xF1: // MIDI time code quarter frame
  case 0xF3: // song select
    return 1;
  case 0xF2: // song position
    return 2;
  default:
    return 0;
  }
}

} // namespace

TSysExChunker::TSysExChunker(ChunkHandler onChunk, ShortHandler onShort, ProblemHandler onProblem)
    : m_onChunk(std::move(onChunk)), m_onShort(std::move(onShort)),
      m_onProblem(std::move(onProblem)) {}

void TSysExChunker::Feed(const uint8_t *bytes, size_t count) {
  size_t i = 0;
  while (i < count) {
    const uint8_t byte = bytes[i];
    if (m_inSysEx && IsData(byte)) {
      i += FeedSysExData(bytes + i, count - i);
      continue;
    }
    if (IsData(byte)) {
      FeedData(byte);
    } else {
      FeedStatus(byte);
    }
    ++i;
  }
  // A message broken by lost bytes goes on arriving all the same.
  if (count > 0 && m_onActivity)
    m_onActivity(m_inSysEx || m_orphan, m_handed + m_chunkCount);
}

void TSysExChunker::FeedShort(uint8_t status, uint8_t data1, uint8_t data2) {
  // F0 and F7 belong to SysEx, which comes only as raw bytes.
  if (IsData(status) || status == kSysExStart || status == kSysExEnd) {
    return;
  }
  if (status < kFirstRealTime) {
    m_orphan = false;
    DropSysEx();
    ClearShort();
  }
  if (m_onShort) {
    m_onShort(status, data1, data2);
  }
}

void TSysExChunker::MarkBroken() {
  if (m_inSysEx) {
    // What came before the loss is handed on, so the receiving side knows
    // which message the loss broke; the rest of it is swallowed.
    if (!m_broken)
      HandOnChunk();
    m_broken = true;
  } else {
    // The lost bytes may have held a status byte: data that follows cannot be
    // trusted to belong to the running status.
    ClearShort();
    m_startMayBeLost = true;
  }
  if (m_onProblem) {
    m_onProblem(TInputProblem::BytesLost, std::string());
  }
}

void TSysExChunker::MarkLost(const std::string &reason) {
  m_startMayBeLost = false;
  m_orphan = false;
  DropSysEx();
  ClearShort();
  if (m_onProblem) {
    m_onProblem(TInputProblem::ServiceLost, reason);
  }
}

void TSysExChunker::MarkBack(const std::string &text) {
  m_startMayBeLost = false;
  m_orphan = false;
  DropSysEx();
  ClearShort();
  if (m_onProblem)
    m_onProblem(TInputProblem::PortBack, text);
}

void TSysExChunker::Reset() {
  m_startMayBeLost = false;
  m_orphan = false;
  DropSysEx();
  ClearShort();
}

void TSysExChunker::FeedStatus(uint8_t status) {
  if (status >= kFirstRealTime) {
    // Real-time bytes may sit anywhere, even between the bytes of another message.
    if (m_onShort) {
      m_onShort(status, 0, 0);
    }
    return;
  }
  m_startMayBeLost = false;
  m_orphan = false;
  if (m_inSysEx) {
    if (status == kSysExEnd) {
      if (!m_broken) {
        Append(status);
        HandOnChunk();
      }
      DropSysEx();
      return;
    }
    // Any other status ends the SysEx unfinished; its unsent rest is lost.
    DropSysEx();
  }
  ClearShort();
  if (status == kSysExStart) {
    m_inSysEx = true;
    m_handed = 0;
    Append(status);
    return;
  }
  if (status == kSysExEnd) {
    return; // an end without a start
  }
  const int needed = DataBytesOf(status);
  if (needed == 0) {
    if (m_onShort) {
      m_onShort(status, 0, 0);
    }
    return;
  }
  m_status = status;
  m_dataNeeded = needed;
}

void TSysExChunker::FeedData(uint8_t data) {
  if (m_status == 0) {
    // No status to belong to; after a loss, the sign that a start was lost.
    if (m_startMayBeLost) {
      m_startMayBeLost = false;
      if (m_onProblem) {
        m_onProblem(TInputProblem::StartLost, std::string());
      }
    }
    m_orphan = true;
    return;
  }
  m_data[m_dataCount++] = data;
  if (m_dataCount < m_dataNeeded) {
    return;
  }
  const uint8_t status = m_status;
  const uint8_t data1 = m_data[0];
  const uint8_t data2 = m_dataNeeded > 1 ? m_data[1] : 0;
  m_dataCount = 0;
  m_data[0] = m_data[1] = 0;
  // Channel messages keep their status running; system common ones do not.
  if (status >= 0xF0) {
    ClearShort();
  }
  if (m_onShort) {
    m_onShort(status, data1, data2);
  }
}

size_t TSysExChunker::FeedSysExData(const uint8_t *bytes, size_t count) {
  const size_t run = static_cast<size_t>(
      std::find_if(bytes, bytes + count, [](uint8_t b) { return !IsData(b); }) - bytes);
  if (m_broken) {
    return run;
  }
  size_t done = 0;
  while (done < run) {
    const size_t part = std::min(run - done, kChunkSize - m_chunkCount);
    std::memcpy(m_chunk.data() + m_chunkCount, bytes + done, part);
    m_chunkCount += part;
    done += part;
    if (m_chunkCount == kChunkSize) {
      HandOnChunk();
    }
  }
  return run;
}

void TSysExChunker::Append(uint8_t byte) {
  m_chunk[m_chunkCount++] = byte;
  if (m_chunkCount == kChunkSize) {
    HandOnChunk();
  }
}

void TSysExChunker::HandOnChunk() {
  const size_t count = m_chunkCount;
  m_chunkCount = 0;
  m_handed += count;
  if (count > 0 && m_onChunk) {
    m_onChunk(m_chunk.data(), count);
  }
}

void TSysExChunker::DropSysEx() {
  m_inSysEx = false;
  m_broken = false;
  m_chunkCount = 0;
  m_handed = 0;
}

void TSysExChunker::ClearShort() {
  m_status = 0;
  m_dataNeeded = 0;
  m_dataCount = 0;
  m_data[0] = m_data[1] = 0;
}

} // namespace zpm
