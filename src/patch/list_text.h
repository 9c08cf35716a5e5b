// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Texts shared by every patch list: the bank letter and the 16-character name.

#include <cstdint>
#include <string>

namespace zpm {

// "A" for bank 0; letters go on past "H" for banks the device does not have,
// as a stored byte may hold them.
std::string BankLetter(uint8_t bank);

// The 16 name bytes as a list shows them: every byte below 32 as a blank,
// every other byte as its Latin-1 character. The result is Latin-1.
std::string ListNameText(const uint8_t *name);

// Latin-1 text to UTF-8, for output that leaves the program.
std::string Latin1ToUtf8(const std::string &latin1);

} // namespace zpm
