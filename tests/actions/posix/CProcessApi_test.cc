// Launched commands: how they run, and the launcher's waits.
#include <signal.h>

#include "actions/ActionTestSupport.h"

namespace {

class ProcessApiTest : public velt::test::ActionTest {
 protected:
  uint32_t Launch(const std::string& program, const std::string& args) {
    CProcessApi::ProcessAttributes attributes;
    EXPECT_EQ(0, m_api.Launch(attributes, velt::Widen(program).c_str(),
                              velt::Widen(args).c_str(), static_cast<const wchar_t*>(nullptr)));
    return attributes.processId;
  }
  CProcessApi m_api;
  unsigned m_code = 0;
};

TEST_F(ProcessApiTest, ChildrenRunDetachedAndStayListedAfterTheirEnd) {
  // Its own session and process group, no terminal, null streams.
  uint32_t id = Launch("sh", "-c 'read -r l < /proc/$$/stat; set -- ${l#*) }; set -- $3 $4 $5 "
                             "$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2); test "
                             "\"$*\" = \"$$ $$ 0 /dev/null /dev/null /dev/null\" && exit 4'");
  EXPECT_EQ(0, m_api.WaitForProcess(id, m_code, nullptr, true, 60000));
  // Found after the end: not running, the same exit code at once.
  EXPECT_EQ(PROCESS_API_ERROR_NOTRUNNING, m_api.IsRunning(id));
  EXPECT_EQ(0, m_api.WaitForProcess(id, m_code, nullptr, true, 0));
  EXPECT_EQ(4u, m_code);
  EXPECT_EQ(0, m_api.Terminate(id));
}

TEST_F(ProcessApiTest, WaitsEndOnTheChildTheTimeOutOrTheExitEvent) {
  // An id that this launcher never started is refused at once.
  EXPECT_EQ(PROCESS_API_ERROR_INVALIDPROCESSID,
            m_api.WaitForProcess(12345, m_code, nullptr, true, 600000));
  EXPECT_EQ(PROCESS_API_ERROR_INVALIDPROCESSID, m_api.IsRunning(12345));
  for (const char* reporter : {"CProcessApi::WaitForProcess", "CProcessApi::IsRunning"}) {
    EXPECT_EQ(1, m_log.Count(MID_DEBUG_RETURN_CODE, reporter, "Invoked Function: FindProcess"));
  }
  uint32_t id = Launch("sleep", "300");
  EXPECT_EQ(PROCESS_API_ERROR_WAIT_TIMEOUT, m_api.WaitForProcess(id, m_code, nullptr, true, 20));
  // While the thread "pumps messages", the front end's exit event ends the
  // wait as a time-out, so the caller's stop check runs at once.
  VeltEvent* exitEvent = VeltEvent::Create(L"ExitVeltEvent", true, true);
  VeltThread::OpenExitEvent();
  EXPECT_EQ(PROCESS_API_ERROR_WAIT_TIMEOUT,
            m_api.WaitForProcess(id, m_code, nullptr, false, 600000));
  VeltEvent::Close(VeltThread::m_ExitVeltEvent);
  VeltThread::m_ExitVeltEvent = nullptr;
  VeltEvent::Close(exitEvent);
  EXPECT_EQ(0, m_api.Terminate(id));
  EXPECT_EQ(0, m_api.WaitForProcess(id, m_code, nullptr, true, 0));
  EXPECT_EQ(128u + SIGKILL, m_code);
}

}  // namespace
