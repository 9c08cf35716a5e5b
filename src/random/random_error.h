// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A value that the random pages' controls could never hold (a seed, bank,
// patch or count outside its control's range, a range set on a rule row).
// The window cannot produce one; zpm reports it as bad usage.

#include "patch/error.h"

namespace zpm {

class RandomSettingError : public ZpmError {
public:
  using ZpmError::ZpmError;
};

} // namespace zpm
