// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files read and keyed beside the database's work: while one thread stores
// a bulk import's patches, others load the next files and key their
// patches, a few files ahead, handing them over in the order given.

#include "library/library_files.h"
#include "library/library_types.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zpm {

struct TReadFile {
  TFilePatches file;
  std::vector<TPatchKeys> keys; // of each patch, whole when read for storing
  std::string error;            // the loader's reason, when it could not be read
};

class TReadAhead {
public:
  // Reads paths with workers threads, at most ahead files before the one
  // handed over last; whole keys (PatchKeys) for storing, or the key
  // alone for counting.
  TReadAhead(std::vector<std::string> paths, unsigned workers, bool whole, size_t ahead = 16);
  // Stops the workers, reading no further.
  ~TReadAhead();
  TReadAhead(const TReadAhead &) = delete;
  TReadAhead &operator=(const TReadAhead &) = delete;

  // The next file, in the order given; false after the last.
  bool Next(TReadFile &file);

private:
  void Work(size_t first);

  const std::vector<std::string> m_paths;
  const size_t m_workers;
  const size_t m_ahead;
  const bool m_whole;
  std::vector<std::unique_ptr<TReadFile>> m_read; // by path, until handed over
  size_t m_next = 0;                              // the next to hand over
  bool m_stop = false;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::thread> m_threads;
};

} // namespace zpm
