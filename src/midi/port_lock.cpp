// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/port_lock.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zpm {

namespace {

std::string LockFolder() {
  const char *runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat info {};
  if (runtime && *runtime && stat(runtime, &info) == 0 && S_ISDIR(info.st_mode))
    return runtime;
  const char *temporary = std::getenv("TMPDIR");
  return temporary && *temporary ? temporary : "/tmp";
}

// A port name as part of a file name: letters, digits, '.', '-' and '_' as
// they are, every other byte as %XX.
std::string FileNamePart(const std::string &name) {
  std::string part;
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
        c == '-' || c == '_') {
      part += static_cast<char>(c);
    } else {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", c);
      part += code;
    }
  }
  return part;
}

std::string ReadHolder(int fd) {
  char text[128] = {};
  const ssize_t size = pread(fd, text, sizeof text - 1, 0);
  std::string holder = size > 0 ? std::string(text, static_cast<size_t>(size)) : std::string();
  while (!holder.empty() && (holder.back() == '\n' || holder.back() == ' '))
    holder.pop_back();
  const size_t space = holder.rfind(' ');
  if (holder.empty() || space == std::string::npos)
    return "another program";
  return holder.substr(0, space) + ", process " + holder.substr(space + 1);
}

} // namespace

TPortLock::TPortLock(const std::string &scope, const std::string &portName,
                     const std::string &program)
    : m_port(portName), m_program(program), m_path(PathFor(scope, portName)) {}

TPortLock::~TPortLock() {
  Release();
  if (m_fd >= 0)
    close(m_fd);
}

std::string TPortLock::PathFor(const std::string &scope, const std::string &portName) {
  return LockFolder() + "/zavorin-patch-manager-" + FileNamePart(scope + "-" + portName) + ".lock";
}

std::string TPortLock::ServiceScope(bool jack) {
  if (!jack)
    return "alsa";
  const char *server = std::getenv("JACK_DEFAULT_SERVER");
  return std::string("jack-") + (server && *server ? server : "default");
}

bool TPortLock::TryAcquire(std::string *holder) {
  if (m_held)
    return true;
  if (m_fd < 0) {
    m_fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (m_fd < 0) {
      Skip(errno);
      return true;
    }
  }
  if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) {
      Skip(errno);
      return true;
    }
    if (holder)
      *holder = ReadHolder(m_fd);
    return false;
  }
  m_held = true;
  // A holder that died left its line: ours replaces it.
  const std::string line = m_program + " " + std::to_string(getpid()) + "\n";
  if (ftruncate(m_fd, 0) == 0 && pwrite(m_fd, line.data(), line.size(), 0) < 0) {
    // Who holds it is only told to others; the lock holds without it.
  }
  return true;
}

void TPortLock::Skip(int error) {
  if (m_toldSkipped || !m_skipped.empty())
    return;
  std::string reason = std::strerror(error);
  if (!reason.empty())
    reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  m_skipped = "Could not take the lock " + m_path + ": " + reason + "; going on without it.";
}

std::string TPortLock::TakeSkipNotice() {
  std::string text;
  text.swap(m_skipped);
  m_toldSkipped = m_toldSkipped || !text.empty();
  return text;
}

void TPortLock::Release() {
  if (!m_held)
    return;
  if (ftruncate(m_fd, 0) != 0) {
    // An empty file only says less to the next one who looks.
  }
  flock(m_fd, LOCK_UN);
  m_held = false;
}

std::string TPortLock::BusyText(const std::string &holder, const std::string &portName) {
  return "Another program (" + holder + ") is talking to the synthesizer on " + portName + ".";
}

std::string TPortLock::WaitingText(const std::string &holder, const std::string &portName) {
  return "Waiting for another program (" + holder + ") to finish talking to the synthesizer on " +
         portName + "...";
}

} // namespace zpm
