// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the two SID patch lists (fetched and loaded patches) show: the three
// columns and the texts of one row.

#include "patch/patch.h"

#include <string>

namespace zpm {

constexpr const char *kSidBankCaption = "Bnk";
constexpr int kSidBankWidth = 32;
constexpr const char *kSidNumberCaption = "Nr";
constexpr int kSidNumberWidth = 30; // fixed: minimum = maximum
constexpr const char *kSidNameCaption = "Patch Name";
constexpr int kSidNameInitialWidth = 160;

// "Nr" is centred in the fetched list (lvSysExPatchList) and left-aligned in
// the file list (lvFilePatchList).
enum class SidColumnAlign { Left, Centre };
constexpr SidColumnAlign kSidGetNumberAlign = SidColumnAlign::Centre;
constexpr SidColumnAlign kSidFileNumberAlign = SidColumnAlign::Left;

// bank: "A" + Bank; number: patch number + 1 (1..128); name: the 16 name
// bytes, each below 32 as a blank, in Latin-1.
struct SidListRow {
  std::string bank;
  int number;
  std::string name;
};
SidListRow SidListText(const TPatch &patch);

// "Patch Name" takes what the two other columns leave of the client width.
int SidNameColumnWidth(int clientWidth);

} // namespace zpm
