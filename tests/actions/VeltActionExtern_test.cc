// External commands: both ways of running them, where their output lands,
// progress, the time-out and a stop in the middle of a command.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <thread>

#include "actions/ActionTestSupport.h"
#include "actions/ActionTiming.h"
#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "velt/actions/VeltCollectLogsAction.h"
#include "velt/control/VeltThread.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::test::Element;
using velt::test::W;

const std::string kStars(75, '*');

std::string Banner(const std::string& args) {
  return "\n\r" + kStars + "\r\n\"" + args + "\" output:\r\n" + kStars + "\n\r\r\n";
}

class ExternTest : public ::testing::Test {
 protected:
  ExternTest() {
    velt::test::MakeSummary(m_summary);
    m_attributes.fileID = L"net";
    m_attributes.description = L"Network state";
    m_attributes.bundleFolder = W(m_bundle.path());
    m_attributes.percentPortion = 10;
  }
  void TearDown() override {
    velt::ActionTiming::Restore();
    VeltThread::SetMainThreadHandle(nullptr);
    VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
    *VeltThread::GetProgressStatus() = PROGRESSSTATUS{};
  }

  // A script in the tools folder.
  void Tool(const std::string& name, const std::string& body) {
    std::string path = m_tools.WriteFile(name, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
  }

  // Performs one entry with a single "use_extern_action" instance.
  std::list<truncAttributes> PerformExtern(std::initializer_list<VeltComponent*> parameters) {
    VeltComponent* entry = Element(
        L"os", L"", {Element(L"use_extern_action", L"", {Element(L"action", L"", parameters)})});
    std::list<truncAttributes> files;
    {
      VeltCollectLogsAction action(m_attributes, entry);
      action.Perform(files);
    }
    delete entry;
    return files;
  }

  // Progress messages posted to the window so far.
  int ProgressPosts() {
    int posts = 0;
    WindowMessage message;
    while (m_window.Get(message, 0)) {
      posts += message.message == WM_VELT_PROGRESS ? 1 : 0;
    }
    return posts;
  }

  velt::test::ScopedLogCapture m_log;
  velt::test::TempDir m_tools;
  velt::test::TempDir m_bundle;
  VeltWindow m_window;
  XMLObject m_summary;
  ACTION_ATTRIBUTES m_attributes{&m_summary};
};

TEST_F(ExternTest, CapturedOutputGoesToTheBundleAfterABanner) {
  std::list<truncAttributes> files =
      PerformExtern({Element(L"args", L"echo hello world"), Element(L"stdout")});
  ASSERT_EQ(1u, files.size());
  std::string out = m_bundle.Path("echo_result.txt");
  EXPECT_EQ(W(out), files.front().path);
  EXPECT_EQ(Banner("echo hello world") + "hello world\n", velt::test::ReadFile(out));
  EXPECT_EQ(static_cast<double>(velt::test::ReadFile(out).size()), files.front().size);
  EXPECT_EQ(L"net", files.front().fileID);

  // A bare "temp_out" names a file in the bundle; a second command appends.
  m_attributes.dstName = L"ignored.txt";
  files = PerformExtern({Element(L"args", L"printf x"), Element(L"temp_out", L"net.txt"),
                         Element(L"stdout")});
  files = PerformExtern({Element(L"args", L"printf y"), Element(L"temp_out", L"net.txt"),
                         Element(L"stdout")});
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ(W(m_bundle.Path("net.txt")), files.front().path);
  EXPECT_EQ(Banner("printf x") + "x" + Banner("printf y") + "y",
            velt::test::ReadFile(m_bundle.Path("net.txt")));
  EXPECT_TRUE(velt::test::FailedFiles(m_summary).empty());
}

TEST_F(ExternTest, LaunchedOutputOutsideTheBundleIsCopiedThenDeleted) {
  Tool("report.sh", "echo \"report $1\" > \"$2\"\n");
  velt::test::TempDir outside;
  std::string report = outside.Path("report.log");
  m_attributes.dstName = L"Net.txt";
  std::list<truncAttributes> files =
      PerformExtern({Element(L"path", W(m_tools.path())),
                     Element(L"args", L"report.sh full " + W(report)),
                     Element(L"temp_out", W(report))});
  ASSERT_EQ(1u, files.size());
  std::string copy = m_bundle.Path("Net__report__log.txt");
  EXPECT_EQ(W(copy), files.front().path);
  EXPECT_EQ("report full\n", velt::test::ReadFile(copy));
  EXPECT_NE(0, access(report.c_str(), F_OK));  // deleted once the kind was done
  EXPECT_TRUE(velt::test::FailedFiles(m_summary).empty());
}

TEST_F(ExternTest, LaunchedOutputThatCannotBeCopiedIsNoted) {
  std::string missing = m_tools.Path("never-written.log");
  EXPECT_TRUE(PerformExtern({Element(L"args", L"true"), Element(L"temp_out", W(missing))})
                  .empty());
  auto failed = velt::test::FailedFiles(m_summary);
  ASSERT_EQ(1u, failed.size());
  EXPECT_EQ(L"never-written.log", failed[0].name);
  EXPECT_EQ(L"VELT cannot access temporary output at: " + W(missing) + L" as specified by Config",
            failed[0].reason);
  EXPECT_TRUE(m_log.Contains("helperUtil::fileCopy"));
}

TEST_F(ExternTest, LaunchedWithoutOutputCollectsNothing) {
  std::string marker = m_tools.Path("ran");
  EXPECT_TRUE(PerformExtern({Element(L"args", L"touch " + W(marker))}).empty());
  EXPECT_EQ(0, access(marker.c_str(), F_OK));
  EXPECT_TRUE(velt::test::FailedFiles(m_summary).empty());
}

TEST_F(ExternTest, ProgramsThatCannotRunAreNotedAndTheNextInstanceRuns) {
  m_tools.WriteFile("noexec.sh", "#!/bin/sh\n");
  std::string marker = m_tools.Path("ran");
  VeltComponent* entry = Element(
      L"os", L"",
      {Element(L"use_extern_action", L"",
               {Element(L"action", L"", {Element(L"args", L"no-such-tool-velt -v")}),
                Element(L"action", L"", {Element(L"path", W(m_tools.Path("nofolder"))),
                                         Element(L"args", L"tool")}),
                Element(L"action", L"", {Element(L"path", W(m_tools.path())),
                                         Element(L"args", L"noexec.sh")}),
                Element(L"action", L"", {Element(L"args", L"touch " + W(marker))})})});
  std::list<truncAttributes> files;
  {
    VeltCollectLogsAction action(m_attributes, entry);
    action.Perform(files);
  }
  delete entry;
  EXPECT_EQ(0, access(marker.c_str(), F_OK));
  auto failed = velt::test::FailedFiles(m_summary);
  ASSERT_EQ(3u, failed.size());
  EXPECT_EQ(L"N/A", failed[0].name);
  EXPECT_EQ(L"Network state", failed[0].description);
  EXPECT_EQ(L"Failed to execute no-such-tool-velt", failed[0].reason);
  EXPECT_EQ(L"Failed to execute tool", failed[1].reason);
  EXPECT_EQ(L"Failed to execute noexec.sh", failed[2].reason);
  EXPECT_TRUE(m_log.Contains("CProcessApi::Launch"));
}

TEST_F(ExternTest, QuickProgramPostsAtMostTheProcessingLine) {
  VeltThread::SetMainThreadHandle(&m_window);
  EXPECT_TRUE(PerformExtern({Element(L"args", L"true")}).empty());
  int posts = ProgressPosts();
  EXPECT_LE(posts, 1);
  if (posts == 1) {
    EXPECT_EQ(L"Processing Network state...", VeltThread::CopyProgressStatus().status);
  }
}

// A clock that jumps `stepMs` at every reading makes the time-out arrive
// after a known number of wait slices. Before its second reading (after the
// first slice) it waits for the command to be ready.
std::function<int64_t()> SteppingClock(int64_t stepMs, std::string readyFile) {
  auto now = std::make_shared<std::atomic<int64_t>>(0);
  return [now, stepMs, readyFile]() {
    int64_t reading = now->fetch_add(stepMs);
    if (reading == stepMs) {
      velt::test::AwaitLine(readyFile);
    }
    return reading;
  };
}

class TimeOutTest : public ExternTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

// The curve 2 / (1 + 1.1^-n) - 1 with a portion of 10: after n slices the
// bar stands at start + increment(n).
TEST_P(TimeOutTest, ProgressFollowsTheCurveUntilTheTimeOutEndsTheTree) {
  const int slices = GetParam().first;
  const unsigned increment = static_cast<unsigned>(GetParam().second);
  Tool("spin.sh", "sleep 300 & echo $! > \"$1\"; wait\n");
  std::string pids = m_tools.Path("pids");

  VeltThread::SetMainThreadHandle(&m_window);
  VeltThread::PostStatus(40, L"Before", VELTOFFLINE_ERROR_PROCESSING);
  ProgressPosts();
  velt::ActionTiming::Drive(SteppingClock(1200000 / slices, pids), 1);

  std::list<truncAttributes> files = PerformExtern(
      {Element(L"path", W(m_tools.path())), Element(L"args", L"spin.sh " + W(pids))});
  EXPECT_TRUE(files.empty());
  EXPECT_EQ(slices, ProgressPosts());
  PROGRESSSTATUS status = VeltThread::CopyProgressStatus();
  EXPECT_EQ(40u + increment, status.percent);
  EXPECT_EQ(L"Still running spin.sh, please be patient as this may take a few minutes...",
            status.status);

  EXPECT_TRUE(m_log.Contains("Executable spin.sh timed out after 1200 seconds of activity."));
  EXPECT_TRUE(m_log.Contains("VeltCollectLogsAction::performExternalAction"));
  EXPECT_TRUE(velt::test::FailedFiles(m_summary).empty());
  std::string line = velt::test::AwaitLine(pids);
  ASSERT_FALSE(line.empty());
  EXPECT_TRUE(velt::test::EventuallyEnded(std::stoi(line)));
}

INSTANTIATE_TEST_SUITE_P(Curve, TimeOutTest,
                         ::testing::Values(std::make_pair(5, 2), std::make_pair(10, 4),
                                           std::make_pair(20, 7), std::make_pair(30, 8),
                                           std::make_pair(60, 9)));

TEST_F(ExternTest, StopRequestEndsTheWorkerAndTheCommandTree) {
  Tool("spin.sh", "echo $PPID $$ > \"$1.tmp\"; mv \"$1.tmp\" \"$1\"; sleep 300 & echo $! > \"$2\"; wait\n");
  std::string shellPid = m_tools.Path("shell");
  std::string sleeperPid = m_tools.Path("sleeper");
  std::string marker = m_tools.Path("next-ran");

  VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
  VeltThread::SetMainThreadHandle(&m_window);
  VeltEvent* exitEvent = VeltEvent::Create(L"ExitVeltEvent", true, false);
  VeltThread::OpenExitEvent();
  ASSERT_NE(nullptr, VeltThread::m_ExitVeltEvent);

  VeltComponent* entry = Element(
      L"os", L"",
      {Element(L"use_extern_action", L"",
               {Element(L"action", L"",
                        {Element(L"path", W(m_tools.path())),
                         Element(L"args", L"spin.sh " + W(shellPid) + L" " + W(sleeperPid))}),
                Element(L"action", L"", {Element(L"args", L"touch " + W(marker))})})});
  std::atomic<long> result{0};
  std::list<truncAttributes> files;
  std::thread worker([&]() {
    result = VeltThread::RunWorker([&]() -> long {
      VeltCollectLogsAction action(m_attributes, entry);
      action.Perform(files);
      return 0;
    });
  });
  std::string shell = velt::test::AwaitLine(shellPid);
  std::string sleeper = velt::test::AwaitLine(sleeperPid);
  exitEvent->Set();
  worker.join();

  EXPECT_EQ(VELTENGINE_ERROR_ACTION_CANCELED_BY_USER, result.load());
  ASSERT_FALSE(shell.empty());
  ASSERT_FALSE(sleeper.empty());
  // The action's destructor ended the whole command and collected the
  // process it launched (the script's parent): no zombie is left.
  int script = std::stoi(shell.substr(shell.find(' ') + 1));
  int launched = std::stoi(shell) == getpid() ? script : std::stoi(shell);  // a shell may exec
  EXPECT_NE(0, access(("/proc/" + std::to_string(launched)).c_str(), F_OK));
  EXPECT_TRUE(velt::test::EventuallyEnded(script));
  EXPECT_TRUE(velt::test::EventuallyEnded(std::stoi(sleeper)));
  EXPECT_NE(0, access(marker.c_str(), F_OK));  // nothing ran after the stop
  EXPECT_TRUE(files.empty());

  VeltEvent::Close(VeltThread::m_ExitVeltEvent);
  VeltThread::m_ExitVeltEvent = nullptr;
  VeltEvent::Close(exitEvent);
  delete entry;
}

}  // namespace
