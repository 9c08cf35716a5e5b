// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The patch library as the window includes it.

#include "library/library.h"
#include "library/library_files.h"
#include "library/library_types.h"
