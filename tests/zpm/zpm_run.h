// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the real zpm with arguments given as bytes (a file name need not be
// UTF-8, which QProcess cannot pass), in a folder, with extra environment and
// an optional file size limit, and collects its exit code and output.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zpm::test {

struct RawRun {
  int code = -1; // the exit code, or 128 + signal
  std::string out, err;
  double seconds = 0;
};

struct RunSetup {
  RunSetup() = default;
  explicit RunSetup(std::string in) : folder(std::move(in)) {}
  std::string folder = ".";
  std::vector<std::pair<std::string, std::string>> env;
  long fileSizeLimit = -1; // bytes, or -1 for none
  // Run as nobody when the tests run as root, so permissions hold.
  bool unprivileged = false;
};

inline std::string SlurpFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

// The run is bounded: a zpm that hangs is killed after 20 s and reported as such.
inline RawRun RunZpm(const std::vector<std::string> &args, const RunSetup &setup = {}) {
  char outName[] = "/tmp/zpm-run-out-XXXXXX", errName[] = "/tmp/zpm-run-err-XXXXXX";
  const int outFd = mkstemp(outName), errFd = mkstemp(errName);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(outFd, 1);
    dup2(errFd, 2);
    const int nothing = open("/dev/null", O_RDONLY);
    dup2(nothing, 0);
    if (chdir(setup.folder.c_str()) != 0)
      _exit(125);
    // What the device commands keep goes to a library of the run's own, not the user's.
    const std::string library = std::string(outName) + ".library";
    setenv("ZPM_LIBRARY", library.c_str(), 1);
    for (const auto &[name, value] : setup.env)
      setenv(name.c_str(), value.c_str(), 1);
    if (setup.fileSizeLimit >= 0) {
      // A write past the limit then fails with EFBIG instead of killing zpm.
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{static_cast<rlim_t>(setup.fileSizeLimit),
                         static_cast<rlim_t>(setup.fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (setup.unprivileged && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
      _exit(124);
    alarm(20);
    std::vector<char *> argv{const_cast<char *>(ZPM_BINARY)};
    for (const std::string &arg : args)
      argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    execv(ZPM_BINARY, argv.data());
    _exit(126);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  RawRun run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  close(outFd);
  close(errFd);
  run.out = SlurpFile(outName);
  run.err = SlurpFile(errName);
  unlink(outName);
  unlink(errName);
  for (const char *suffix : {".library", ".library-wal", ".library-shm"})
    unlink((std::string(outName) + suffix).c_str());
  return run;
}

// True when text holds a byte a terminal could take as a command: below 20h
// other than a line feed, 7Fh, or a C1 control (U+0080..U+009F, in UTF-8 C2 80..C2 9F).
inline bool HasControlBytes(const std::string &text, bool allowReturn = false) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte < 0x20 && byte != '\n' && !(allowReturn && byte == '\r')) || byte == 0x7F)
      return true;
    if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F)
      return true;
  }
  return false;
}

} // namespace zpm::test
