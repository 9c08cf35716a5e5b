// SPDX-License-Identifier: GPL-3.0-or-later
// Imports arbitrary bytes as a patch file into a library: the import must
// never crash, a refused file adds nothing, and what was stored comes back
// byte for byte with every name shown free of control characters.
#include "library/library.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

zpm::TLibrary &Library(std::string &folder) {
  static std::string dir = [] {
    char name[] = "/tmp/zpm-fuzz-library-XXXXXX";
    if (!mkdtemp(name))
      std::abort();
    return std::string(name);
  }();
  folder = dir;
  static zpm::TLibrary library(dir + "/library.sqlite");
  return library;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string folder;
  zpm::TLibrary &library = Library(folder);
  static int counter = 0;
  const std::string path = folder + "/input" + std::to_string(counter++) + ".syx";
  FILE *file = std::fopen(path.c_str(), "wb");
  if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
    std::abort();
  const int64_t before = library.Count({});
  const zpm::TImportedFile imported = library.ImportFile(path);
  unlink(path.c_str());
  if (!imported.error.empty() && library.Count({}) != before)
    std::abort();
  if (library.Count({}) != before + imported.newPatches)
    std::abort();
  zpm::TSearch newest;
  newest.sort = zpm::TSortBy::FirstSeen;
  newest.descending = true;
  newest.limit = imported.newPatches;
  for (const zpm::TPatchRow &row : library.Search(newest)) {
    if (row.name)
      for (unsigned char c : *row.name)
        if (c < 0x20 || c == 0x7F)
          std::abort();
    const zpm::TStoredPatch stored = library.Patch(row.id);
    if (zpm::PatchHash(stored.patch) != row.hash)
      std::abort();
  }
  return 0;
}
