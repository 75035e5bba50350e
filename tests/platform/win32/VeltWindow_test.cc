// The front end's window on Windows: what a worker thread posts reaches the
// window's thread through the system's message queue, in the order posted,
// also what the thread's own message loop takes and what the system queue
// has no room for.
#include "velt/platform/VeltWindow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

constexpr unsigned kProgress = 0x8105;

TEST(Win32VeltWindow, MessagesArriveInPostingOrderFromAnyLoopOfTheThread) {
  VeltWindow window;
  WindowMessage message{};
  EXPECT_FALSE(window.Get(message, 0));
  // More than the system queue holds for one thread (10,000), all posted
  // before the first is read.
  constexpr unsigned kCount = 12000;
  std::thread worker([&window] {
    for (unsigned i = 0; i < kCount; ++i) {
      window.Post(kProgress, i, -static_cast<intptr_t>(i));
    }
  });
  worker.join();
  // The front end's own loop dispatches the first few to the window.
  MSG taken;
  for (int i = 0; i < 3 && PeekMessageW(&taken, nullptr, 0, 0, PM_REMOVE); ++i) {
    DispatchMessageW(&taken);
  }
  for (unsigned i = 0; i < kCount; ++i) {
    ASSERT_TRUE(window.Get(message, 0)) << i;
    ASSERT_EQ(kProgress, message.message);
    ASSERT_EQ(i, message.wParam);
    ASSERT_EQ(-static_cast<intptr_t>(i), message.lParam);
  }
  EXPECT_FALSE(window.Get(message, 0));
  // A reader that waits without a time-out wakes for a later post.
  std::thread later([&window] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    window.Post(kProgress + 1, 7, 0);
  });
  EXPECT_TRUE(window.Get(message, -1));
  EXPECT_EQ(kProgress + 1, message.message);
  EXPECT_EQ(7u, message.wParam);
  later.join();
}

}  // namespace
