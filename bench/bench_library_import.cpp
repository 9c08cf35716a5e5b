// SPDX-License-Identifier: GPL-3.0-or-later
// zpm library import of a whole collection beside the plain Python import
// (library_import.py) on the same files in the same run, with the goals side
// by side: at least 3 times as fast, bytes written at most twice the file's
// final size, peak memory at most 64 MB, an unchanged import again under
// 0.2 s per 100,000 patches, and opening the library in at most 20 ms.
// Usage: bench_library_import [PATCHES...] (default 100000).
#include "library/library.h"
#include "sid/sid_file.h"
#include "support/made_library.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRowsPerFile = 128;

// What one program's run cost.
struct TCost {
  double seconds = 0;
  double cpuSeconds = 0; // user and system: less swayed by a busy machine
  double writtenMB = 0;  // bytes handed to write(), the log's and the file's
  double diskMB = 0;     // of those, what the system sent to the disk
  double peakMB = 0;
  bool ok = false;
};

// This process's counters, which take in a child's once it is waited for.
void ReadIo(long long &wchar, long long &writeBytes) {
  std::ifstream io("/proc/self/io");
  std::string name;
  long long value = 0;
  while (io >> name >> value) {
    if (name == "wchar:")
      wchar = value;
    else if (name == "write_bytes:")
      writeBytes = value;
  }
}

TCost Run(const std::vector<std::string> &args) {
  long long wchar0 = 0, disk0 = 0, wchar1 = 0, disk1 = 0;
  ReadIo(wchar0, disk0);
  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char *> argv;
    for (const std::string &arg : args)
      argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  TCost cost;
  cost.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  ReadIo(wchar1, disk1);
  cost.writtenMB = static_cast<double>(wchar1 - wchar0) / 1e6;
  cost.diskMB = static_cast<double>(disk1 - disk0) / 1e6;
  cost.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  cost.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return cost;
}

// patches made patches in bank files of 128: one row in eight is a patch
// of an earlier file again, as a collection holds the same sound twice.
void MakeFiles(const fs::path &folder, int patches) {
  fs::create_directories(folder);
  int made = 0;
  for (int f = 0; made < patches; ++f) {
    const int rows = std::min(kRowsPerFile, patches - made);
    char name[32];
    std::snprintf(name, sizeof name, "bank%06d.syx", f);
    zpm::bench::WriteMadeBankFile((folder / name).string(), f % 8, rows, [&](int r) {
      const int at = made + r;
      return r % 8 == 7 && at > 1000 ? static_cast<int>((at * 7919LL) % (at - 500)) : at;
    });
    made += rows;
  }
}

double FileMB(const fs::path &file) {
  double bytes = 0;
  for (const char *suffix : {"", "-wal"}) {
    std::error_code error;
    const auto size = fs::file_size(file.string() + suffix, error);
    if (!error)
      bytes += static_cast<double>(size);
  }
  return bytes / 1e6;
}

// The median of eleven opens of the library, in milliseconds.
double OpenMs(const fs::path &library) {
  std::vector<double> times;
  for (int i = 0; i < 11; ++i) {
    const Clock::time_point start = Clock::now();
    { zpm::TLibrary lib(library.string()); }
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

bool Measure(const fs::path &work, int patches) {
  const fs::path files = work / ("banks" + std::to_string(patches));
  const fs::path python = work / "python.sqlite";
  const fs::path library = work / "library.sqlite";
  MakeFiles(files, patches);
  for (const fs::path &file : {python, library})
    for (const char *suffix : {"", "-wal", "-shm"})
      fs::remove(file.string() + suffix);
  // The best of three runs of each up to 200,000 patches, where a busy
  // machine's noise is as large as a run.
  const int runs = patches <= 200000 ? 3 : 1;
  const auto best = [&](const std::vector<std::string> &args, const fs::path &database) {
    TCost fastest;
    for (int run = 0; run < runs; ++run) {
      for (const char *suffix : {"", "-wal", "-shm"})
        fs::remove(database.string() + suffix);
      const TCost cost = Run(args);
      if (run == 0 || (cost.ok && cost.seconds < fastest.seconds))
        fastest = cost;
    }
    return fastest;
  };
  const TCost script = best(
      {"python3", ZPM_BENCH_DIR "/library_import.py", files.string(), python.string()}, python);
  // ZPM_BENCH_ZPM names another zpm to measure, e.g. a copy that stays put.
  const char *other = std::getenv("ZPM_BENCH_ZPM");
  const std::string zpm = other && *other ? other : ZPM_BINARY;
  const TCost import =
      best({zpm, "library", "import", files.string(), "--library", library.string()}, library);
  const double finalMB = FileMB(library);
  const TCost again =
      Run({zpm, "library", "import", files.string(), "--library", library.string()});
  const double open = OpenMs(library);
  fs::remove_all(files);
  if (!script.ok || !import.ok || !again.ok) {
    std::printf("%d patches: a run failed (python %d, import %d, again %d)\n", patches, script.ok,
                import.ok, again.ok);
    return false;
  }
  const double perHundredThousand = again.seconds * 100000.0 / patches;
  std::printf("\n%d patches in %d files; library %.1f MB, Python's %.1f MB\n", patches,
              (patches + kRowsPerFile - 1) / kRowsPerFile, finalMB, FileMB(python));
  std::printf("  %-34s %10s %10s %8s %s\n", "", "zpm", "python", "ratio", "goal");
  std::printf("  %-34s %10.2f %10.2f %7.2fx %s\n", "import, s", import.seconds, script.seconds,
              script.seconds / import.seconds, ">= 3x faster");
  std::printf("  %-34s %10.2f %10.2f %7.2fx\n", "import, CPU s", import.cpuSeconds,
              script.cpuSeconds, script.cpuSeconds / import.cpuSeconds);
  std::printf("  %-34s %10.1f %10.1f %7.2fx %s\n", "written (write calls), MB / final",
              import.writtenMB, script.writtenMB, import.writtenMB / finalMB, "<= 2x");
  std::printf("  %-34s %10.1f %10.1f %7.2fx\n", "written (to the disk), MB / final", import.diskMB,
              script.diskMB, import.diskMB / finalMB);
  std::printf("  %-34s %10.1f %10.1f %8s %s\n", "peak memory, MB", import.peakMB, script.peakMB, "",
              "<= 64 MB");
  std::printf("  %-34s %10.3f %10s %8s %s\n", "import again, s per 100,000", perHundredThousand, "",
              "", "< 0.2 s");
  std::printf("  %-34s %10.1f %10s %8s %s\n", "open, ms (median of 11)", open, "", "", "<= 20 ms");
  const bool met = script.seconds / import.seconds >= 3 && import.writtenMB <= 2 * finalMB &&
                   import.peakMB <= 64 && perHundredThousand < 0.2 && open <= 20;
  std::printf("  goals %s\n", met ? "met" : "NOT met");
  return met;
}

} // namespace

int main(int argc, char **argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i)
    sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty())
    sizes.push_back(100000);
  const fs::path work =
      fs::temp_directory_path() / ("zpm-bench-import-" + std::to_string(getpid()));
  fs::create_directories(work);
  bool met = true;
  for (int patches : sizes)
    met = Measure(work, std::max(patches, 1)) && met;
  fs::remove_all(work);
  return met ? 0 : 1;
}
