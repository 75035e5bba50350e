#include "platform/Process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/ProcessState.h"
#include "support/TempDir.h"

namespace {

using velt::platform::ChildProcess;
using velt::platform::ChildWait;

ChildWait WaitFor(ChildProcess& child, unsigned timeoutMs, std::vector<int> wake = {}) {
  ChildWait outcome = ChildWait::kTimedOut;
  size_t wokenBy = 99;
  EXPECT_EQ(0, velt::platform::WaitChild(child, wake, timeoutMs, outcome, wokenBy));
  return outcome;
}

TEST(ProcessTest, DetachedChildHasItsOwnSessionAndNullStreams) {
  velt::test::TempDir dir;
  std::string out = dir.Path("facts");
  // pid, process group, session, controlling terminal; then the three streams.
  std::string command = "read -r line < /proc/$$/stat; "
                        "set -- ${line#*) }; echo \"$$ $1 $2 $3 $4 $5\" > " + out + "; "
                        "links=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2); "
                        "echo $links >> " + out;
  ChildProcess child;
  ASSERT_EQ(0, velt::platform::StartDetached(command, child));
  EXPECT_EQ(ChildWait::kEnded, WaitFor(child, 60000));
  EXPECT_EQ(0u, child.exitCode);
  velt::platform::ReleaseChild(child);

  std::istringstream facts(velt::test::ReadFile(out));
  int pid = 0, ppid = 0, group = 0, session = 0, tty = -1;
  std::string state, in, stdoutLink, stderrLink;
  facts >> pid >> state >> ppid >> group >> session >> tty >> in >> stdoutLink >> stderrLink;
  EXPECT_EQ(child.pid, pid);
  EXPECT_EQ(pid, group);
  EXPECT_EQ(pid, session);
  EXPECT_EQ(0, tty);
  EXPECT_EQ("/dev/null", in);
  EXPECT_EQ("/dev/null", stdoutLink);
  EXPECT_EQ("/dev/null", stderrLink);
}

TEST(ProcessTest, WaitEndsWithTheChildAndLeavesNoZombie) {
  ChildProcess child;
  ASSERT_EQ(0, velt::platform::StartDetached("exit 7", child));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ChildWait::kEnded, WaitFor(child, 120000));
  // Far below the time-out: the wait followed the child, not the clock.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
  EXPECT_TRUE(child.reaped);
  EXPECT_EQ(7u, child.exitCode);
  errno = 0;
  EXPECT_EQ(-1, waitpid(child.pid, nullptr, WNOHANG));
  EXPECT_EQ(ECHILD, errno);
  velt::platform::ReleaseChild(child);
}

TEST(ProcessTest, WaitReportsTimeOutAndWakeDescriptor) {
  ChildProcess child;
  ASSERT_EQ(0, velt::platform::StartDetached("exec sleep 300", child));
  EXPECT_EQ(ChildWait::kTimedOut, WaitFor(child, 30));
  EXPECT_EQ(ChildWait::kTimedOut, WaitFor(child, 0));

  int wake = eventfd(1, EFD_CLOEXEC);
  ASSERT_GE(wake, 0);
  ChildWait outcome = ChildWait::kTimedOut;
  size_t wokenBy = 99;
  int quiet = eventfd(0, EFD_CLOEXEC);
  ASSERT_EQ(0, velt::platform::WaitChild(child, {quiet, wake}, 60000, outcome, wokenBy));
  EXPECT_EQ(ChildWait::kWoken, outcome);
  EXPECT_EQ(1u, wokenBy);
  close(wake);
  close(quiet);

  bool running = false;
  EXPECT_EQ(0, velt::platform::PollChild(child, running));
  EXPECT_TRUE(running);
  EXPECT_EQ(0, velt::platform::KillChildGroup(child));
  EXPECT_TRUE(child.reaped);
  EXPECT_EQ(128u + SIGKILL, child.exitCode);
  velt::platform::ReleaseChild(child);
}

TEST(ProcessTest, ReleasedRunningChildIsCollectedWhenItEnds) {
  ChildProcess child;
  ASSERT_EQ(0, velt::platform::StartDetached("exec sleep 300", child));
  int pid = child.pid;
  velt::platform::ReleaseChild(child);
  EXPECT_FALSE(velt::test::ProcessEnded(pid));
  kill(pid, SIGKILL);
  // A zombie would keep its /proc entry; the background reaper removes it.
  bool removed = false;
  for (int i = 0; i < 500 && !removed; ++i) {
    struct stat info;
    removed = stat(("/proc/" + std::to_string(pid)).c_str(), &info) != 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(removed);
}

// Runs `command` captured and returns what it wrote and its exit code.
std::string Captured(const std::string& command, unsigned* exitCode = nullptr) {
  ChildProcess child;
  int fd = -1;
  EXPECT_EQ(0, velt::platform::StartCaptured(command, child, fd));
  std::string all;
  char buffer[256];
  size_t got = 0;
  while (velt::platform::ReadDescriptor(fd, buffer, sizeof(buffer), got) == 0 && got > 0) {
    all.append(buffer, got);
  }
  velt::platform::CloseDescriptor(fd);
  EXPECT_EQ(ChildWait::kEnded, WaitFor(child, 60000));
  if (exitCode != nullptr) {
    *exitCode = child.exitCode;
  }
  velt::platform::ReleaseChild(child);
  return all;
}

// Lines without shell syntax start the program directly; everything else
// goes through the shell. Either way the words are what the shell makes.
TEST(ProcessTest, CommandLinesMeanWhatTheShellMakesOfThem) {
  EXPECT_EQ("-x%sy--a=b-", Captured("printf -%s- x%sy a=b"));
  EXPECT_EQ("<a b><c>", Captured("printf '<%s>' 'a b' c"));
  EXPECT_EQ("<a b>", Captured("\"printf\" '<%s>' \"a b\""));
  EXPECT_EQ("<x y>", Captured("\"/usr/bin/printf\" \"<%s>\" \"x y\""));
  EXPECT_EQ("home=" + std::string(std::getenv("HOME")) + "\n", Captured("echo home=$HOME"));
  EXPECT_NE(std::string::npos, Captured("VELT_PROBE=on env").find("VELT_PROBE=on"));
  EXPECT_EQ("2\n", Captured("echo a b | wc -w | tr -d ' '"));
  unsigned code = 0;
  Captured("exit 3", &code);
  EXPECT_EQ(3u, code);
  Captured("no-such-program-velt", &code);
  EXPECT_EQ(127u, code);

  velt::test::TempDir dir;
  std::string script = dir.WriteFile("plain script", "echo from script\n");  // no #! line
  chmod(script.c_str(), 0755);
  EXPECT_EQ("from script\n", Captured("\"" + script + "\""));
}

TEST(ProcessTest, FindProgramTellsMissingFileFolderAndPermission) {
  velt::test::TempDir dir;
  std::string plain = dir.WriteFile("plain.sh", "#!/bin/sh\n");
  std::string runnable = dir.WriteFile("run.sh", "#!/bin/sh\n");
  chmod(runnable.c_str(), 0755);

  EXPECT_EQ(0, velt::platform::FindProgram(runnable));
  EXPECT_EQ(0, velt::platform::FindProgram("true"));  // on PATH
  EXPECT_EQ(ENOENT, velt::platform::FindProgram("no-such-program-anywhere"));
  EXPECT_EQ(ENOENT, velt::platform::FindProgram(dir.Path("missing")));
  EXPECT_EQ(ENOTDIR, velt::platform::FindProgram(dir.Path("nofolder/prog")));
  EXPECT_EQ(EACCES, velt::platform::FindProgram(plain));
  EXPECT_EQ(EACCES, velt::platform::FindProgram(dir.path()));  // a folder

  using velt::platform::ProcessErrorKind;
  EXPECT_EQ(ProcessErrorKind::kFileNotFound, velt::platform::ClassifyProcessError(ENOENT));
  EXPECT_EQ(ProcessErrorKind::kPathNotFound, velt::platform::ClassifyProcessError(ENOTDIR));
  EXPECT_EQ(ProcessErrorKind::kOther, velt::platform::ClassifyProcessError(EACCES));
}

}  // namespace
