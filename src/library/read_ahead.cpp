// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/read_ahead.h"

#include <algorithm>
#include <exception>

namespace zpm {

TReadAhead::TReadAhead(std::vector<std::string> paths, unsigned workers, bool whole, size_t ahead)
    : m_paths(std::move(paths)), m_workers(std::max(1u, workers)),
      m_ahead(std::max<size_t>(1, ahead)), m_whole(whole), m_read(m_paths.size()) {
  for (size_t first = 0; first < m_workers && first < m_paths.size(); ++first)
    m_threads.emplace_back([this, first] { Work(first); });
}

TReadAhead::~TReadAhead() {
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
  }
  m_changed.notify_all();
  for (std::thread &thread : m_threads)
    thread.join();
}

void TReadAhead::Work(size_t first) {
  // Each worker takes every m_workers-th file, so the files come out in order
  // without the workers asking one another.
  for (size_t at = first; at < m_paths.size(); at += m_workers) {
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_changed.wait(lock, [&] { return m_stop || at < m_next + m_ahead; });
      if (m_stop)
        return;
    }
    auto read = std::make_unique<TReadFile>();
    try {
      read->file = ReadPatchFile(m_paths[at]);
      read->keys.reserve(read->file.patches.size());
      for (const TFilePatch &patch : read->file.patches)
        read->keys.push_back(PatchKeys(patch.patch, m_whole));
    } catch (const std::exception &error) {
      read->file = TFilePatches();
      read->keys.clear();
      read->error = error.what();
    }
    {
      const std::lock_guard<std::mutex> lock(m_mutex);
      m_read[at] = std::move(read);
    }
    m_changed.notify_all();
  }
}

bool TReadAhead::Next(TReadFile &file) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (m_next >= m_paths.size())
    return false;
  m_changed.wait(lock, [&] { return m_read[m_next] != nullptr; });
  file = std::move(*m_read[m_next]);
  m_read[m_next].reset();
  ++m_next;
  lock.unlock();
  m_changed.notify_all();
  return true;
}

} // namespace zpm
