// SPDX-License-Identifier: GPL-3.0-or-later
#include "patch/list_text.h"

#include "patch/patch.h"

namespace zpm {

std::string BankLetter(uint8_t bank) {
  return std::string(1, static_cast<char>('A' + bank));
}

std::string ListNameText(const uint8_t *name) {
  std::string text(kNameSize, ' ');
  for (size_t i = 0; i < kNameSize; ++i)
    if (name[i] >= 32)
      text[i] = static_cast<char>(name[i]);
  return text;
}

std::string Latin1ToUtf8(const std::string &latin1) {
  std::string utf8;
  utf8.reserve(latin1.size());
  for (char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8.push_back(c);
    } else {
      utf8.push_back(static_cast<char>(0xC0 | (byte >> 6)));
      utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
  }
  return utf8;
}

} // namespace zpm
