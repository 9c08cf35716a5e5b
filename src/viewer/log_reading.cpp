// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/log_reading.h"

#include "patch/checksum.h"
#include "patch/patch.h"

#include <cstdio>

namespace zpm {

namespace {

constexpr uint8_t kSidFamily = 0x46;
constexpr uint8_t kFmFamily = 0x49;
constexpr size_t kSidPatchDumpSize = 266;
constexpr size_t kSidBankDumpSize = 32777;
constexpr size_t kFmPatchDumpSize = 268;
constexpr size_t kFmRefusalSize = 9;

// The bytes after "<SysEx> ", read as hex pairs; false for another line.
bool ParseSysExLine(const std::string &line, bool &incoming, Bytes &bytes) {
  const size_t marker = line.find("<SysEx> ");
  if (marker == std::string::npos)
    return false;
  incoming = line.find("] IN : ") != std::string::npos;
  bytes.clear();
  for (size_t at = marker + 8; at + 1 < line.size(); at += 3) {
    unsigned value = 0;
    if (std::sscanf(line.c_str() + at, "%2x", &value) != 1)
      break;
    bytes.push_back(static_cast<uint8_t>(value));
  }
  return !bytes.empty();
}

bool IsFamily(const Bytes &message, uint8_t family) {
  return message.size() >= 7 && message[0] == 0xF0 && message[1] == 0x00 && message[2] == 0x00 &&
         message[3] == 0x7E && message[4] == family;
}

std::string Letter(int bank) {
  return bank >= 0 && bank < 8 ? std::string(1, static_cast<char>('A' + bank)) : "?";
}

// Name and checksum of 256 data bytes followed by their checksum byte.
std::string PatchText(const Bytes &message, size_t dataOffset, bool named) {
  const uint8_t *data = message.data() + dataOffset;
  std::string text;
  if (named) {
    // The name ends at its first zero byte; trailing blanks say nothing.
    std::string name;
    for (size_t i = 0; i < kNameSize && data[i] != 0; ++i)
      name += data[i] >= 32 && data[i] < 127 ? static_cast<char>(data[i]) : '?';
    while (!name.empty() && name.back() == ' ')
      name.pop_back();
    text += " '" + name + "'";
  }
  const bool ok = DataChecksum(data) == message[dataOffset + kDataSize];
  return text + (ok ? " checksum ok" : " checksum wrong");
}

size_t ExpectedSize(const Bytes &start) {
  if (IsFamily(start, kSidFamily))
    return start[6] == 0x02 ? kSidPatchDumpSize : start[6] == 0x04 ? kSidBankDumpSize : 0;
  if (IsFamily(start, kFmFamily) && start[6] == 0x02)
    return kFmPatchDumpSize;
  return 0;
}

std::string CutShort(size_t received, size_t expected) {
  return "cut short: " + std::to_string(received) + " of " + std::to_string(expected) + " bytes";
}

} // namespace

std::string TLogReader::Read(const std::string &line) {
  bool incoming = false;
  Bytes bytes;
  if (!ParseSysExLine(line, incoming, bytes))
    return {};
  if (!incoming)
    return Describe(bytes, false);

  std::string before;
  if (bytes.front() == 0xF0) {
    if (!m_pending.empty())
      before = "the message before " +
               CutShort(m_pending.size(), m_expected ? m_expected : m_pending.size()) + "; ";
    m_pending = bytes;
    m_expected = ExpectedSize(bytes);
    m_chunks = 1;
  } else if (!m_pending.empty()) {
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    ++m_chunks;
  } else {
    return "bytes without the start of a message";
  }
  if (m_pending.back() != 0xF7 && (m_expected == 0 || m_pending.size() < m_expected))
    return before + "part " + std::to_string(m_chunks) + ": " + std::to_string(m_pending.size()) +
           (m_expected ? " of " + std::to_string(m_expected) : std::string()) + " bytes";
  Bytes message;
  message.swap(m_pending);
  if (m_expected != 0 && message.size() != m_expected)
    return before + CutShort(message.size(), m_expected);
  return before + Describe(message, true);
}

std::string TLogReader::Describe(const Bytes &message, bool incoming) {
  if (IsFamily(message, kSidFamily))
    return SidReading(message, incoming);
  if (IsFamily(message, kFmFamily))
    return FmReading(message, incoming);
  if (incoming && message.size() == 7)
    return "SID Bank Select: answer of a single-cart firmware";
  return "SysEx, " + std::to_string(message.size()) + " bytes, not a Zavorin message";
}

std::string TLogReader::SidReading(const Bytes &message, bool incoming) {
  const uint8_t command = message[6];
  const size_t size = message.size();
  const std::string bank = Letter(m_sidBank);
  if (size == 7)
    return "SID Bank Select: answer of a single-cart firmware";
  if (command == 0x01 && size == 9)
    return "SID Patch Request " + bank + ":" + std::to_string(message[7] + 1);
  if (command == 0x03 && size == 8)
    return "SID Bank Dump Request " + bank;
  if (command == 0x0B && size == 9 && !incoming) {
    m_sidBank = message[7];
    return "SID Bank Select " + Letter(m_sidBank);
  }
  if (incoming && size == 9)
    return "SID Bank Select " + Letter(message[7]) +
           (command == 0x0F ? ": acknowledged" : ": not available");
  if (command == 0x02 && size == kSidPatchDumpSize)
    return "SID Patch Dump " + bank + ":" + std::to_string(message[7] + 1) +
           PatchText(message, 8, true);
  if (command == 0x04 && size == kSidBankDumpSize)
    return "SID Bank Dump " + bank + ": 128 patches";
  return "SID message, command " + std::to_string(command) + ", " + std::to_string(size) + " bytes";
}

std::string TLogReader::FmReading(const Bytes &message, bool incoming) {
  const size_t size = message.size();
  const auto kind = [](uint8_t type) {
    return std::string(type == 0x10 ? "Drumset" : type == 0x70 ? "Ensemble" : "Voice");
  };
  if (incoming && size == kFmRefusalSize)
    return "FM refusal: bank not available";
  if (message[6] == 0x01 && size == 11)
    return "FM " + kind(message[7]) + " Request " + Letter(message[8]) + ":" +
           std::to_string(message[9] + 1);
  if (message[6] == 0x02 && size == kFmPatchDumpSize)
    return "FM " + kind(message[7]) + " Dump " + Letter(message[8]) + ":" +
           std::to_string(message[9] + 1) + PatchText(message, 10, message[7] == 0x00);
  if (incoming)
    return "FM acknowledgement";
  return "FM message, " + std::to_string(size) + " bytes";
}

} // namespace zpm
