#include "velt/actions/CProcessApi.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "actions/ActionTestSupport.h"
#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "velt/control/VeltThread.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::test::W;

class ProcessApiTest : public ::testing::Test {
 protected:
  // Launches "program args" from `folder` (null: none).
  long Launch(const wchar_t* folder, const std::wstring& program, const std::wstring& args) {
    CProcessApi::ProcessAttributes attributes;
    attributes.programFolder = folder;
    long rc = m_api.Launch(attributes, program.c_str(), args.c_str(),
                           static_cast<const wchar_t*>(nullptr));
    m_id = attributes.processId;
    return rc;
  }
  unsigned WaitExit() {
    unsigned code = 0;
    EXPECT_EQ(0, m_api.WaitForProcess(m_id, code, nullptr, true, 60000));
    return code;
  }

  velt::test::ScopedLogCapture m_log;
  velt::test::TempDir m_dir;
  CProcessApi m_api;
  uint32_t m_id = 0;
};

TEST_F(ProcessApiTest, RunsProgramFromFolderWithShellArguments) {
  std::string script = m_dir.WriteFile("tool.sh", "#!/bin/sh\necho \"$#:$1:$2\" > \"$3\"\nexit 4\n");
  chmod(script.c_str(), 0755);
  std::wstring folder = W(m_dir.path());
  std::string out = m_dir.Path("out");
  ASSERT_EQ(0, Launch(folder.c_str(), L"tool.sh", L"'one two' three " + W(out)));
  EXPECT_NE(0u, m_id);
  EXPECT_EQ(4u, WaitExit());
  EXPECT_EQ("3:one two:three\n", velt::test::ReadFile(out));

  // The entry stays after the end: found, reported as not running, and a
  // second wait answers at once with the same code.
  EXPECT_EQ(PROCESS_API_ERROR_NOTRUNNING, m_api.IsRunning(m_id));
  EXPECT_EQ(4u, WaitExit());
  EXPECT_EQ(0, m_api.Terminate(m_id));
}

TEST_F(ProcessApiTest, FolderNamesAreQuotedForTheShell) {
  for (const char* name : {"my tools", "it's $HOME `x` \\ \"q\""}) {
    std::string script = m_dir.WriteFile(std::string(name) + "/tool.sh", "#!/bin/sh\nexit 6\n");
    chmod(script.c_str(), 0755);
    std::wstring folder = W(m_dir.Path(name));
    ASSERT_EQ(0, Launch(folder.c_str(), L"tool.sh", L"")) << name;
    EXPECT_EQ(6u, WaitExit()) << name;
  }
}

TEST_F(ProcessApiTest, ProgramWithoutFolderIsFoundOnPath) {
  ASSERT_EQ(0, Launch(L"", L"sh", L"-c 'exit 9'"));
  EXPECT_EQ(9u, WaitExit());
  ASSERT_EQ(0, Launch(nullptr, L"true", L""));
  EXPECT_EQ(0u, WaitExit());
}

TEST_F(ProcessApiTest, LaunchFailuresAreLoggedAndMapped) {
  CProcessApi::ProcessAttributes attributes;
  EXPECT_EQ(PROCESS_API_ERROR_BAD_PARAMETER,
            m_api.Launch(attributes, std::vector<const wchar_t*>{}));
  EXPECT_EQ(PROCESS_API_ERROR_BAD_PARAMETER,
            m_api.Launch(attributes, std::vector<const wchar_t*>{nullptr}));

  std::wstring folder = W(m_dir.path());
  EXPECT_EQ(PROCESS_API_ERROR_FILENOTFOUND, Launch(folder.c_str(), L"missing", L"-x"));
  EXPECT_TRUE(m_log.Contains("Unable to spawn Application:"));
  EXPECT_TRUE(m_log.Contains("missing\" -x"));
  std::wstring nowhere = W(m_dir.Path("nowhere"));
  EXPECT_EQ(PROCESS_API_ERROR_PATHNOTFOUND, Launch(nowhere.c_str(), L"tool", L""));
  m_dir.WriteFile("plain", "#!/bin/sh\n");
  EXPECT_EQ(PROCESS_API_ERROR_UNKNOWN, Launch(folder.c_str(), L"plain", L""));
  EXPECT_EQ(PROCESS_API_ERROR_FILENOTFOUND, Launch(L"", L"no-such-program-velt", L""));
  EXPECT_EQ(0u, attributes.processId);
}

TEST_F(ProcessApiTest, UnknownIdsAreRejectedWithoutWaiting) {
  unsigned code = 0;
  EXPECT_EQ(PROCESS_API_ERROR_INVALIDPROCESSID, m_api.WaitForProcess(12345, code, nullptr, true,
                                                                     600000));
  EXPECT_EQ(0x80004005u, code);
  EXPECT_TRUE(m_log.Contains("FindProcess"));
  EXPECT_EQ(PROCESS_API_ERROR_INVALIDPROCESSID, m_api.IsRunning(12345));
  EXPECT_EQ(PROCESS_API_ERROR_INVALIDPROCESSID, m_api.Terminate(12345));
}

TEST_F(ProcessApiTest, WaitEndsOnTimeOutAbortEventAndExitEvent) {
  ASSERT_EQ(0, Launch(nullptr, L"sleep", L"300"));
  unsigned code = 0;
  EXPECT_EQ(PROCESS_API_ERROR_WAIT_TIMEOUT, m_api.WaitForProcess(m_id, code, nullptr, true, 20));
  EXPECT_EQ(0, m_api.IsRunning(m_id));

  VeltEvent* abort = VeltEvent::Create(L"", true, true);
  EXPECT_EQ(PROCESS_API_ERROR_WAIT_INTERRUPTED,
            m_api.WaitForProcess(m_id, code, abort, true, 600000));
  VeltEvent::Close(abort);
  VeltEvent* autoReset = VeltEvent::Create(L"", false, true);
  EXPECT_EQ(PROCESS_API_ERROR_WAIT_INTERRUPTED,
            m_api.WaitForProcess(m_id, code, autoReset, true, 600000));
  VeltEvent::Close(autoReset);

  // While the thread "pumps messages", the front end's exit event ends the
  // wait as a time-out, so the caller's stop check runs at once.
  VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
  VeltEvent* exitEvent = VeltEvent::Create(L"ExitVeltEvent", true, true);
  VeltThread::OpenExitEvent();
  EXPECT_EQ(PROCESS_API_ERROR_WAIT_TIMEOUT,
            m_api.WaitForProcess(m_id, code, nullptr, false, 600000));
  VeltEvent::Close(VeltThread::m_ExitVeltEvent);
  VeltThread::m_ExitVeltEvent = nullptr;
  VeltEvent::Close(exitEvent);

  EXPECT_EQ(0, m_api.Terminate(m_id));
  EXPECT_EQ(PROCESS_API_ERROR_NOTRUNNING, m_api.IsRunning(m_id));
  EXPECT_EQ(0, m_api.WaitForProcess(m_id, code, nullptr, true, 0));
  EXPECT_EQ(128u + SIGKILL, code);
}

TEST_F(ProcessApiTest, TerminateEndsTheWholeTree) {
  std::string pids = m_dir.Path("pids");
  ASSERT_EQ(0, Launch(nullptr, L"sh", L"-c 'sleep 300 | sleep 301 & echo $! > " + W(pids) +
                                         L"; wait'"));
  std::string line = velt::test::AwaitLine(pids);
  ASSERT_FALSE(line.empty());
  int grandchild = std::stoi(line);
  EXPECT_FALSE(velt::test::ProcessEnded(grandchild));
  EXPECT_EQ(0, m_api.Terminate(m_id));
  EXPECT_TRUE(velt::test::EventuallyEnded(grandchild));
}

TEST_F(ProcessApiTest, DestructionLeavesRunningChildrenAlone) {
  uint32_t id = 0;
  {
    CProcessApi api;
    CProcessApi::ProcessAttributes attributes;
    ASSERT_EQ(0, api.Launch(attributes, L"sleep", L"300", static_cast<const wchar_t*>(nullptr)));
    id = attributes.processId;
  }
  EXPECT_FALSE(velt::test::ProcessEnded(static_cast<int>(id)));
  kill(-static_cast<int>(id), SIGKILL);
  EXPECT_TRUE(velt::test::EventuallyEnded(static_cast<int>(id)));
}

TEST(ProcessApiStatusCodeTest, MapsSystemErrors) {
  EXPECT_EQ(PROCESS_API_ERROR_FILENOTFOUND, CProcessApi::GetStatusCode(ENOENT));
  EXPECT_EQ(PROCESS_API_ERROR_PATHNOTFOUND, CProcessApi::GetStatusCode(ENOTDIR));
  EXPECT_EQ(PROCESS_API_ERROR_INVALIDPROCESSID, CProcessApi::GetStatusCode(ESRCH));
  EXPECT_EQ(PROCESS_API_ERROR_NOPROCSLOTS, CProcessApi::GetStatusCode(EAGAIN));
  EXPECT_EQ(PROCESS_API_ERROR_INSUFFICIENT_PRIVILEGE, CProcessApi::GetStatusCode(EPERM));
  EXPECT_EQ(PROCESS_API_ERROR_UNKNOWN, CProcessApi::GetStatusCode(EIO));
}

}  // namespace
