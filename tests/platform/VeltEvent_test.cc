#include "velt/platform/VeltEvent.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <thread>

namespace {

bool Readable(int fd) {
  struct pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, 0) == 1;
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

TEST(VeltEvent, ManualResetStaysSignalledAndPollsReadable) {
  VeltEvent* event = VeltEvent::Create(L"TestEventB", true, false);
  ASSERT_GE(event->PollDescriptor(), 0);
  EXPECT_FALSE(Readable(event->PollDescriptor()));
  event->Set();
  event->Set();
  EXPECT_TRUE(event->Wait(0));
  EXPECT_TRUE(event->Wait(0));
  EXPECT_TRUE(Readable(event->PollDescriptor()));
  event->Reset();
  EXPECT_FALSE(event->Wait(0));
  EXPECT_FALSE(Readable(event->PollDescriptor()));
  VeltEvent::Close(event);
}

TEST(VeltEvent, AutoResetIsConsumedByOneWait) {
  VeltEvent* event = VeltEvent::Create(L"", false, true);
  EXPECT_EQ(-1, event->PollDescriptor());
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
