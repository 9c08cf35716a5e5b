// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the library, and where its file lives.
#include "library/library.h"

#include "library/library_internal.h"

#include <cstdlib>
#include <filesystem>

namespace zpm {

namespace fs = std::filesystem;

std::string DefaultLibraryPath() {
  if (const char *named = std::getenv("ZPM_LIBRARY"); named && *named)
    return named;
  fs::path folder;
  if (const char *data = std::getenv("XDG_DATA_HOME"); data && *data)
    folder = data;
  else if (const char *home = std::getenv("HOME"); home && *home)
    folder = fs::path(home) / ".local" / "share";
  else
    folder = fs::current_path();
  folder /= "zavorin-patch-manager";
  std::error_code error;
  fs::create_directories(folder, error);
  return (folder / "library.sqlite").string();
}

// One file has one path however it was named, through a symbolic link too.
std::string LibraryFilePath(const std::string &path) {
  std::error_code error;
  const fs::path canonical = fs::weakly_canonical(fs::path(path), error);
  if (!error)
    return canonical.lexically_normal().string();
  const fs::path absolute = fs::absolute(fs::path(path), error);
  return (error ? fs::path(path) : absolute).lexically_normal().string();
}

TLibrary::TLibrary(const std::string &path) : m_path(path) {
  m_db = InReadOnlyFolder(path) ? OpenReadOnlyLibraryFile(path) : OpenLibraryFile(path);
  AddSearchFunctions(*m_db);
}

TLibrary::~TLibrary() = default;

} // namespace zpm
