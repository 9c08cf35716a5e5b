// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_guard.h"

#include <sys/stat.h>

#include <mutex>
#include <vector>

namespace zpm {

namespace {

struct TIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const TIdentity &other) const {
    return device == other.device && inode == other.inode;
  }
};

// The file a path names, through symbolic links.
std::optional<TIdentity> IdentityOf(const std::string &path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0)
    return std::nullopt;
  return TIdentity{info.st_dev, info.st_ino};
}

std::string FolderOf(const std::string &path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string &path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name in a folder, the folder by its identity, so that "a/../b/x" and
// "b/x" are one place.
bool SamePlace(const std::string &a, const std::string &b) {
  if (NameOf(a) != NameOf(b))
    return false;
  const std::optional<TIdentity> folderA = IdentityOf(FolderOf(a));
  return folderA && folderA == IdentityOf(FolderOf(b));
}

std::mutex &GuardedLock() {
  static std::mutex lock;
  return lock;
}

std::vector<std::string> &Guarded() {
  static std::vector<std::string> libraries;
  return libraries;
}

} // namespace

bool IsLibraryFile(const std::string &path, const std::string &library) {
  if (path.empty() || library.empty())
    return false;
  const std::optional<TIdentity> output = IdentityOf(path);
  for (const char *suffix : {"", "-wal", "-shm"}) {
    const std::string file = library + suffix;
    const std::optional<TIdentity> existing = IdentityOf(file);
    if (output && existing) {
      if (*output == *existing)
        return true;
    } else if (!output && SamePlace(path, file)) {
      // Neither there yet, or only the library's: a file written under
      // that name would become the library's.
      return true;
    }
  }
  return false;
}

void GuardLibrary(const std::string &library) {
  const std::lock_guard<std::mutex> hold(GuardedLock());
  Guarded().push_back(library);
}

std::optional<std::string> GuardedLibraryAt(const std::string &path) {
  const std::lock_guard<std::mutex> hold(GuardedLock());
  for (const std::string &library : Guarded())
    if (IsLibraryFile(path, library))
      return library;
  return std::nullopt;
}

std::string LibraryOutputRefusal(const std::string &path, const std::string &library) {
  return path + " is the patch library " + library +
         " or one of its files, which saving there would destroy; nothing was written. Choose "
         "another output file.";
}

} // namespace zpm
