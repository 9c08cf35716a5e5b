// SPDX-License-Identifier: GPL-3.0-or-later
// The hold on a synthesizer's output port, between two real processes: a
// second one is kept out and told who holds it, and gets in once the holder
// lets go or dies, however it dies. A lock that cannot be taken is said so.

#include "midi/port_lock.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace zpm {
namespace {

// A process that holds the lock of port until told to let go (a byte on its
// pipe) or killed.
struct THolder {
  pid_t pid = -1;
  int tell = -1;

  THolder(const std::string &port, const std::string &program) {
    int ready[2], go[2];
    if (pipe(ready) != 0 || pipe(go) != 0)
      std::abort();
    pid = fork();
    if (pid == 0) {
      TPortLock lock("jack-test", port, program);
      const char held = lock.TryAcquire() ? 'y' : 'n';
      if (write(ready[1], &held, 1) != 1)
        _exit(2);
      char byte = 0;
      if (read(go[0], &byte, 1) == 1)
        lock.Release();
      _exit(0);
    }
    char held = 0;
    EXPECT_EQ(read(ready[0], &held, 1), 1);
    EXPECT_EQ(held, 'y');
    tell = go[1];
    close(ready[0]);
    close(ready[1]);
    close(go[0]);
  }
  void LetGo() {
    const char byte = 1;
    EXPECT_EQ(write(tell, &byte, 1), 1);
    Reap();
  }
  void Die() {
    kill(pid, SIGKILL);
    Reap();
  }
  void Reap() {
    int status = 0;
    waitpid(pid, &status, 0);
    close(tell);
  }
};

TEST(PortLock, AnotherProgramIsKeptOutUntilTheHolderLetsGoOrDies) {
  char folder[] = "/tmp/zpm-lock-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  setenv("XDG_RUNTIME_DIR", folder, 1);
  const std::string port = "zavorin-sim:in";
  EXPECT_EQ(TPortLock::PathFor("jack-test", port),
            std::string(folder) + "/zavorin-patch-manager-jack-test-zavorin-sim%3Ain.lock");

  for (bool dies : {false, true}) {
    SCOPED_TRACE(dies ? "the holder dies" : "the holder lets go");
    // A dead holder's longer line must not show through the next one's.
    THolder holder(port, "zavorin-patch-manager");
    TPortLock mine("jack-test", port, "zpm");
    std::string who;
    EXPECT_FALSE(mine.TryAcquire(&who));
    EXPECT_EQ(who, "zavorin-patch-manager, process " + std::to_string(holder.pid));
    EXPECT_EQ(TPortLock::BusyText(who, port),
              "Another program (" + who + ") is talking to the synthesizer on zavorin-sim:in.");
    // Another port, or the same name on another server, is not held.
    EXPECT_TRUE(TPortLock("jack-other", port, "x").TryAcquire());
    dies ? holder.Die() : holder.LetGo();
    EXPECT_TRUE(mine.TryAcquire());
    EXPECT_EQ(mine.TakeSkipNotice(), "");
    // The next one to come is told it is us now.
    TPortLock third("jack-test", port, "zpm");
    EXPECT_FALSE(third.TryAcquire(&who));
    EXPECT_EQ(who, "zpm, process " + std::to_string(getpid()));
  }
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(std::system(("rm -rf " + std::string(folder)).c_str()), 0);
}

// Where no lock file can be made, the run goes on and says so, once.
TEST(PortLock, ALockThatCannotBeTakenIsSaidOnce) {
  char folder[] = "/tmp/zpm-lock-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  setenv("XDG_RUNTIME_DIR", folder, 1);
  const std::string port = "zavorin-sim:in";
  const std::string path = TPortLock::PathFor("jack-test", port);
  // A folder in its place stops it as a read-only runtime folder would,
  // even for root.
  ASSERT_EQ(std::system(("mkdir '" + path + "'").c_str()), 0);
  TPortLock lock("jack-test", port, "zpm");
  EXPECT_TRUE(lock.TryAcquire());
  EXPECT_FALSE(lock.Held());
  EXPECT_TRUE(lock.TryAcquire());
  EXPECT_EQ(lock.TakeSkipNotice(),
            "Could not take the lock " + path + ": is a directory; going on without it.");
  EXPECT_TRUE(lock.TryAcquire());
  EXPECT_EQ(lock.TakeSkipNotice(), "");
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(std::system(("rm -rf " + std::string(folder)).c_str()), 0);
}

} // namespace
} // namespace zpm
