// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What each byte of an FM voice, drumset and ensemble means, as the parameter
// view lists it.

#include "viewer/parameter_map.h"

#include <vector>

namespace zpm {

// 94 rows, the first the voice name.
const std::vector<ParameterEntry> &FmVoiceParameterMap();
// 74 rows; a drumset has no name.
const std::vector<ParameterEntry> &FmDrumsetParameterMap();
// 44 rows: the same eleven for each of the four instruments.
const std::vector<ParameterEntry> &FmEnsembleParameterMap();

} // namespace zpm
