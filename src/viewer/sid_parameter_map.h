// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What each byte of a SID patch means, as the parameter view lists it.

#include "viewer/parameter_map.h"

#include <vector>

namespace zpm {

// The 107 rows in list order. The order is not that of the bytes: each
// voice's "Split High" (dump bytes 101..103) follows its "Split Low", and the
// envelope curves (dump bytes 38, 39) follow their "Release" rows.
const std::vector<ParameterEntry> &SidParameterMap();

} // namespace zpm
