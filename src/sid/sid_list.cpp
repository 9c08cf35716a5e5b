// SPDX-License-Identifier: GPL-3.0-or-later
#include "sid/sid_list.h"

#include "patch/list_text.h"

#include <algorithm>

namespace zpm {

SidListRow SidListText(const TPatch &patch) {
  uint8_t name[kNameSize];
  patch.GetName(name);
  return {BankLetter(patch.Bank), patch.PatchNumber() + 1, ListNameText(name)};
}

int SidNameColumnWidth(int clientWidth) {
  return std::max(0, clientWidth - kSidBankWidth - kSidNumberWidth);
}

} // namespace zpm
