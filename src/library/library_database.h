// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The database under a library, for tests and benchmarks that look at or
// damage its tables directly; the program itself goes through TLibrary.

#include "library/library.h"
#include "library/sqlite_db.h"

namespace zpm {

class TLibraryDatabase {
public:
  static TSqliteDb &Of(TLibrary &library) { return *library.m_db; }
};

} // namespace zpm
