// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the zpm library commands share: the library named on the command
// line, patches named by ID or hash, banks and slots, and stored bytes made
// fit for a terminal or a JSON document.

#include "library/library.h"
#include "zpm/command_line.h"

#include <QString>

#include <memory>
#include <string>

namespace zpm::cli {

void AddLibraryOption(CommandLine &line);
// The library of --library, else the default one; a file that cannot be
// opened raises TLibraryError naming it.
std::unique_ptr<TLibrary> OpenLibrary(const CommandLine &line);

// An argument's bytes, for the library, which keeps names and paths as bytes.
std::string ArgumentString(const QString &text);
// Stored bytes as one field of a line: bytes that are not UTF-8 and
// control characters become '?'.
QString ShownBytes(const std::string &bytes);
// Stored bytes as a JSON string: bytes that are not UTF-8 become U+FFFD.
std::string JsonBytes(const std::string &bytes);

// The filters of search, which export --search takes too, and the search
// they make with the text.
void AddSearchOptions(CommandLine &line);
TSearch SearchOf(const CommandLine &line, const QString &text);

// The patch an argument names, by ID or by 8 or more hex digits of its hash.
int64_t ResolvePatch(TLibrary &library, const QString &text);

// A patch as messages name it: its ID and, when it has one, its name.
QString PatchLabel(const TPatchRow &row);

// "C:17": bank 2, number 16.
std::string SlotName(int bank, int number);

// A bank of the synthesizer as the history knows it: sid:L or
// fm:voice|drumset|ensemble:L.
struct TBankName {
  TKind kind = TKind::Sid;
  int bank = 0;
};
// UsageError naming the option when text is neither.
TBankName ParseBankName(const QString &option, const QString &text);
std::string BankNameText(const TBankName &bank);
// The synthesizer's device ID of the newest snapshot of the bank at or
// before time, or 0 when none.
int DeviceAt(TLibrary &library, const TBankName &bank, int64_t time);

} // namespace zpm::cli
