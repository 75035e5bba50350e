#include "velt/platform/VeltEvent.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <thread>

#include "platform/Clock.h"
#include "platform/Process.h"
#include "platform/SystemError.h"

namespace {

using velt::platform::ChildWait;

// A command whose child writes to its output, then runs until it is ended
// (without starting anything more), together with the command itself.
#ifdef _WIN32
// The caret keeps the & from the cmd.exe the line is run with, for its
// child; a for loop with a step of 0 never ends.
const char kCommandTree[] = "cmd /d /c echo started^& for /l %i in (0,0,1) do @rem";
#else
const char kCommandTree[] = "sh -c '(echo started; sleep 60) | cat; sleep 60'";
#endif

// Whether `output` reaches its end (every writer gone) within ten seconds.
bool OutputEnds(velt::platform::CommandOutput& output) {
  char buffer[4096];
  const int64_t end = velt::platform::WallClockMs() + 10000;
  while (velt::platform::WallClockMs() < end) {
    bool ready = false;
    size_t got = 1;
    if (output.WaitReadable(1000, ready) != 0) {
      return false;
    }
    const int error = output.Read(buffer, sizeof(buffer), got);
    if (error == 0 && got == 0) {
      return true;
    }
    if (velt::platform::ErrorKindOf(error) != velt::platform::ErrorKind::kTryAgain && error != 0) {
      return false;
    }
  }
  return false;
}

// Whether a wait for a running child that also watches `event` wakes for
// it at once.
bool WakesAWait(const VeltEvent& event, velt::platform::ChildProcess& child) {
  ChildWait outcome = ChildWait::kEnded;
  size_t wokenBy = 1;
  EXPECT_EQ(0, velt::platform::WaitChild(child, {velt::platform::WakeSource(event)}, 0, outcome,
                                         wokenBy));
  EXPECT_NE(ChildWait::kEnded, outcome);
  return outcome == ChildWait::kWoken && wokenBy == 0;
}

TEST(VeltEvent, OpenFindsOnlyCreatedNames) {
  EXPECT_EQ(nullptr, VeltEvent::Open(L"NoSuchEvent"));
  VeltEvent* created = VeltEvent::Create(L"TestEventA", true, false);
  VeltEvent* opened = VeltEvent::Open(L"TestEventA");
  EXPECT_EQ(created, opened);
  EXPECT_EQ(created, VeltEvent::Create(L"TestEventA", false, true));  // existing, unchanged
  EXPECT_FALSE(opened->Wait(0));
  // Three references now: each Close releases one.
  VeltEvent::Close(opened);
  VeltEvent::Close(created);
  EXPECT_EQ(created, VeltEvent::Open(L"TestEventA"));
  VeltEvent::Close(created);
  VeltEvent::Close(created);
  EXPECT_EQ(nullptr, VeltEvent::Open(L"TestEventA"));
}

// The stop of a run: the event wakes the wait, and the command ends with
// everything it started.
TEST(VeltEvent, ManualResetStaysSignalledAndStopsAWaitForACommandTree) {
  VeltEvent* event = VeltEvent::Create(L"TestEventB", true, false);
  ASSERT_TRUE(event->IsWatchable());
  velt::platform::ChildProcess child;
  velt::platform::CommandOutput output;
  ASSERT_EQ(0, velt::platform::StartCaptured(kCommandTree, child, output));
  bool started = false;  // once it has written, its child runs
  ASSERT_EQ(0, output.WaitReadable(30000, started));
  ASSERT_TRUE(started);
  EXPECT_FALSE(WakesAWait(*event, child));
  event->Set();
  event->Set();
  EXPECT_TRUE(event->Wait(0));
  EXPECT_TRUE(event->Wait(0));
  EXPECT_TRUE(WakesAWait(*event, child));
  event->Reset();
  EXPECT_FALSE(event->Wait(0));
  EXPECT_FALSE(WakesAWait(*event, child));
  EXPECT_EQ(0, velt::platform::KillChildGroup(child));
  EXPECT_EQ(128u + 9, child.exitCode);  // as a shell reports SIGKILL
  EXPECT_TRUE(OutputEnds(output));
  VeltEvent::Close(event);
}

TEST(VeltEvent, AutoResetIsConsumedByOneWait) {
  VeltEvent* event = VeltEvent::Create(L"", false, true);
  EXPECT_FALSE(event->IsWatchable());
  EXPECT_TRUE(event->Wait(0));
  EXPECT_FALSE(event->Wait(0));
  VeltEvent::Close(event);
}

TEST(VeltEvent, WaitWakesWhenAnotherThreadSets) {
  VeltEvent* event = VeltEvent::Create(L"TestEventC", true, false);
  std::thread setter([event] { event->Set(); });
  EXPECT_TRUE(event->Wait(10000));
  setter.join();
  VeltEvent::Close(event);
}

#ifdef _WIN32
// An event that another module made with the Windows API is found by name,
// and watched only when the kernel says it is manual-reset.
TEST(VeltEvent, OpenFindsEventsOfOtherModulesWithTheirKind) {
  for (const bool manualReset : {true, false}) {
    HANDLE made = CreateEventW(nullptr, manualReset, TRUE, L"TestEventD");
    ASSERT_NE(nullptr, made);
    VeltEvent* opened = VeltEvent::Open(L"TestEventD");
    ASSERT_NE(nullptr, opened);
    EXPECT_EQ(manualReset, opened->IsWatchable());
    EXPECT_TRUE(opened->Wait(0));
    EXPECT_EQ(manualReset, opened->Wait(0));
    opened->Set();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(made, 0));
    VeltEvent::Close(opened);
    CloseHandle(made);
  }
}
#endif

}  // namespace
