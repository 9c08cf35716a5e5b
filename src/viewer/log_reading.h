// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A short reading of the log's lines for people: what each SysEx line
// carries ("SID Patch Dump C:17 'Lead' checksum ok", "FM acknowledgement",
// "cut short: 30297 of 32777 bytes"). Received messages come in chunks of
// up to 2048 bytes, one line each, and a patch dump names the bank chosen
// by the Bank Select before it, so the reader keeps what the lines before
// told it: feed it every line, oldest first.

#include "patch/stream.h"

#include <string>

namespace zpm {

class TLogReader {
public:
  // The reading of line; empty when there is nothing to add (a note line,
  // a line of the program's own text).
  std::string Read(const std::string &line);

private:
  std::string Describe(const Bytes &message, bool incoming);
  std::string SidReading(const Bytes &message, bool incoming);
  std::string FmReading(const Bytes &message, bool incoming);

  int m_sidBank = -1; // selected with the last Bank Select sent, -1: none yet
  Bytes m_pending;    // a received message whose end has not come yet
  size_t m_expected = 0;
  int m_chunks = 0;
};

} // namespace zpm
