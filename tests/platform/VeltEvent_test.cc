#include "velt/platform/VeltEvent.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/Process.h"

namespace {

using velt::platform::ChildWait;

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

TEST(VeltEvent, ManualResetStaysSignalledAndWakesAWaitForAChild) {
  VeltEvent* event = VeltEvent::Create(L"TestEventB", true, false);
  ASSERT_TRUE(event->IsWatchable());
  velt::platform::ChildProcess child;
  ASSERT_EQ(0, velt::platform::StartDetached("sleep 60", child));
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

}  // namespace
