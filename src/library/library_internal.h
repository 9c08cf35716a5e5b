// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the library's files share: turning the database's failures into
// sentences about the library file.

#include "library/library_schema.h"
#include "library/sqlite_db.h"

#include <string>

namespace zpm {

// Runs body, turning the database's failures into sentences about the file.
template <typename Body> auto Guarded(const std::string &path, Body body) -> decltype(body()) {
  try {
    return body();
  } catch (const TSqliteError &error) {
    throw TLibraryError(LibraryFailureText(path, error));
  }
}

// Gives the connection the functions a search calls (zpm_name_has).
void AddSearchFunctions(TSqliteDb &db);

} // namespace zpm
