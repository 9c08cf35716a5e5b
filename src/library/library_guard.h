// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeping the library from being written over: a save whose output is the
// library's file, its -wal or its -shm would destroy the collection, however
// the output was named (a symbolic link, "..", a hard link).

#include <optional>
#include <string>

namespace zpm {

// Whether writing to path would replace library, library-wal or
// library-shm: the same file by device and inode, or, for a name not there
// yet, the same name in the same folder.
bool IsLibraryFile(const std::string &path, const std::string &library);

// The libraries this program uses, which no save may replace. Recorded
// before a library is opened, so one that cannot be opened is kept too.
void GuardLibrary(const std::string &library);
// The guarded library that path would replace, if any.
std::optional<std::string> GuardedLibraryAt(const std::string &path);
// The sentence a refused save gives.
std::string LibraryOutputRefusal(const std::string &path, const std::string &library);

} // namespace zpm
