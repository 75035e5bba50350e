#include "velt/control/VeltThread.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "support/CaptureStdout.h"
#include "velt/runtime/ResultCodes.h"

namespace {

// Puts VeltThread into a known mode and restores a clean state afterwards.
class ChannelTest : public ::testing::Test {
 protected:
  void UseWindowMode() {
    VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
    VeltThread::SetMainThreadHandle(&m_window);
  }
  void UseConsoleMode() {
    VELT_CLI_OPTIONS options;
    options.consoleMode = true;
    VeltThread::SetVeltCLIOptions(options);
    VeltThread::SetMainThreadHandle(nullptr);
  }
  void TearDown() override {
    VeltThread::SetMainThreadHandle(nullptr);
    VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
    if (VeltThread::m_ExitVeltEvent != nullptr) {
      VeltEvent::Close(VeltThread::m_ExitVeltEvent);
      VeltThread::m_ExitVeltEvent = nullptr;
    }
    *VeltThread::GetProgressStatus() = PROGRESSSTATUS{};
  }
  VeltWindow m_window;
};

// Console lines: 50 characters (cut, padded), the percentage in three
// columns, UTF-8 counted in characters; percent 0 or no text prints nothing;
// results go on lines of their own and leave the record alone.
TEST_F(ChannelTest, ConsoleLines) {
  UseConsoleMode();
  const struct {
    unsigned percent;
    std::wstring text;
    long code;
    std::string printed;
  } cases[] = {
      {5, L"Reading", VELTOFFLINE_ERROR_PROCESSING, "\rReading" + std::string(44, ' ') + "  5%"},
      {0, L"percent zero", VELTOFFLINE_ERROR_PROCESSING, ""},
      {10, L"", VELTOFFLINE_ERROR_PROCESSING, ""},
      {100, std::wstring(60, L'a'), VELTOFFLINE_ERROR_PROCESSING, "\r" + std::string(50, 'a') + " 100%"},
      {42, L"Zipping \u00e9t\u00e9", VELTOFFLINE_ERROR_PROCESSING,
       "\rZipping \xc3\xa9t\xc3\xa9" + std::string(39, ' ') + "  42%"},
      {0, L"Internal Error: all configs failed...", VELTENGINE_ERROR_INTERNAL,
       "\r\nInternal Error: all configs failed...\r\n"},
      {0, L"", 0, "\r\n\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.printed, velt::test::CaptureStdout([&] {
                VeltThread::PostStatus(c.percent, c.text, c.code);
              }));
  }
  EXPECT_EQ(0u, VeltThread::CopyProgressStatus().percent);
  EXPECT_TRUE(VeltThread::CopyProgressStatus().status.empty());
}

TEST_F(ChannelTest, WindowModeWithoutWindowDropsEverything) {
  VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
  VeltThread::SetMainThreadHandle(nullptr);
  VeltThread::PostStatus(40, L"text", VELTOFFLINE_ERROR_PROCESSING);
  EXPECT_EQ(0u, VeltThread::CopyProgressStatus().percent);
}

TEST_F(ChannelTest, WindowModeRecordAndMessages) {
  UseWindowMode();
  VeltThread::PostStatus(0, L"", VELTOFFLINE_ERROR_PROCESSING);
  WindowMessage message{};
  ASSERT_TRUE(m_window.Get(message, 0));
  EXPECT_EQ(WM_VELT_PROGRESS, message.message);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(VeltThread::GetProgressStatus()), message.wParam);
  EXPECT_EQ(0, message.lParam);
  EXPECT_EQ(0u, VeltThread::CopyProgressStatus().percent);

  VeltThread::PostStatus(40, L"Reading instructions ...", VELTOFFLINE_ERROR_PROCESSING);
  VeltThread::PostStatus(0, L"", 0);
  ASSERT_TRUE(m_window.Get(message, 0));
  EXPECT_EQ(WM_VELT_PROGRESS, message.message);
  ASSERT_TRUE(m_window.Get(message, 0));
  EXPECT_EQ(WM_VELT_RESULT, message.message);
  EXPECT_EQ(0u, message.wParam);
  PROGRESSSTATUS record = VeltThread::CopyProgressStatus();
  EXPECT_EQ(40u, record.percent);
  EXPECT_EQ(L"Reading instructions ...", record.status);

  VeltThread::PostStatus(0, L"Internal Error: failed to zip the bundle...",
                         VELTENGINE_ERROR_WRITE_FAILURE);
  ASSERT_TRUE(m_window.Get(message, 0));
  EXPECT_EQ(WM_VELT_RESULT, message.message);
  EXPECT_EQ(0xFEB0000Bu, message.wParam);
  EXPECT_EQ(L"Internal Error: failed to zip the bundle...", VeltThread::CopyProgressStatus().status);
  EXPECT_FALSE(m_window.Get(message, 0));
}

TEST_F(ChannelTest, ReaderThreadSeesRecordUpdatedBeforeEachMessage) {
  UseWindowMode();
  constexpr unsigned kPosts = 2000;
  std::thread worker([] {
    for (unsigned i = 1; i <= kPosts; ++i) {
      VeltThread::PostStatus(i % 100 + 1, L"line " + std::to_wstring(i),
                             VELTOFFLINE_ERROR_PROCESSING);
    }
    VeltThread::PostStatus(0, L"", 0);
  });
  unsigned progressSeen = 0;
  unsigned lastLine = 0;
  WindowMessage message{};
  while (m_window.Get(message, 10000)) {
    if (message.message == WM_VELT_RESULT) {
      break;
    }
    ASSERT_EQ(WM_VELT_PROGRESS, message.message);
    ++progressSeen;
    PROGRESSSTATUS copy = VeltThread::CopyProgressStatus();
    // The record holds this message's update or a later one, never an
    // older one, and its percent and text belong together.
    unsigned line = std::stoul(copy.status.substr(5));
    EXPECT_GE(line, progressSeen);
    EXPECT_GE(line, lastLine);
    EXPECT_EQ(line % 100 + 1, copy.percent);
    lastLine = line;
  }
  worker.join();
  EXPECT_EQ(WM_VELT_RESULT, message.message);
  EXPECT_EQ(kPosts, progressSeen);
}

// A worker shaped like a run: owns resources on its stack, posts progress,
// checks for a stop between steps.
struct Tracked {
  explicit Tracked(int* live) : live(live) { ++*live; }
  ~Tracked() { --*live; }
  int* live;
};

TEST_F(ChannelTest, ExitCheckEndsTheWorkerWithoutLeaksOrFurtherPosts) {
  UseWindowMode();
  VeltEvent* exitEvent = VeltEvent::Create(L"ExitVeltEvent", true, false);
  VeltThread::OpenExitEvent();
  ASSERT_EQ(exitEvent, VeltThread::m_ExitVeltEvent);

  int live = 0;
  int stepsRun = 0;
  long result = 0;
  std::thread worker([&] {
    result = VeltThread::RunWorker([&]() -> long {
      auto owned = std::make_unique<Tracked>(&live);
      for (int step = 1; step <= 1000; ++step) {
        VeltThread::ExitCheck();
        ++stepsRun;
        VeltThread::PostStatus(1, L"step", VELTOFFLINE_ERROR_PROCESSING);
        if (step == 3) {
          exitEvent->Set();
        }
      }
      return 0;
    });
    // Nothing of the run posts after the stop, even if something tries.
    VeltThread::PostStatus(99, L"after the stop", VELTOFFLINE_ERROR_PROCESSING);
  });
  worker.join();
  EXPECT_EQ(3, stepsRun);
  EXPECT_EQ(0, live);
  EXPECT_EQ(VELTENGINE_ERROR_ACTION_CANCELED_BY_USER, result);
  int progress = 0;
  WindowMessage message{};
  while (m_window.Get(message, 0)) {
    EXPECT_EQ(WM_VELT_PROGRESS, message.message);
    ++progress;
  }
  EXPECT_EQ(3, progress);
  EXPECT_NE(L"after the stop", VeltThread::CopyProgressStatus().status);
  VeltEvent::Close(exitEvent);
}

TEST_F(ChannelTest, ExitAfterAFailurePostReturnsThatResult) {
  UseWindowMode();
  int live = 0;
  bool ranPastExit = false;
  long result = VeltThread::RunWorker([&]() -> long {
    Tracked owned(&live);
    VeltThread::PostStatus(0, L"Internal Error: all configs failed...", VELTENGINE_ERROR_INTERNAL);
    VeltThread::Exit();
    ranPastExit = true;
    return 0;
  });
  EXPECT_FALSE(ranPastExit);
  EXPECT_EQ(0, live);
  EXPECT_EQ(VELTENGINE_ERROR_INTERNAL, result);
}

TEST_F(ChannelTest, ExitFromADestructorDuringUnwindDoesNotEscape) {
  UseWindowMode();
  struct ExitsOnDestruction {
    ~ExitsOnDestruction() { VeltThread::Exit(); }
  };
  long result = VeltThread::RunWorker([]() -> long {
    ExitsOnDestruction guard;
    VeltThread::Exit();
    return 0;
  });
  EXPECT_EQ(VELTENGINE_ERROR_ACTION_CANCELED_BY_USER, result);
}

// Console mode, or no exit event at all: the worker is never ended.
TEST_F(ChannelTest, ConsoleModeOrNoEventNeverEndsTheWorker) {
  VeltEvent* exitEvent = VeltEvent::Create(L"ExitVeltEvent", true, true);
  UseConsoleMode();
  VeltThread::OpenExitEvent();
  EXPECT_EQ(nullptr, VeltThread::m_ExitVeltEvent);
  EXPECT_EQ(7, VeltThread::RunWorker([]() -> long {
    VeltThread::ExitCheck();
    VeltThread::Exit();
    return 7;
  }));
  VeltEvent::Close(exitEvent);
  UseWindowMode();
  VeltThread::OpenExitEvent();  // nobody created it now
  EXPECT_EQ(nullptr, VeltThread::m_ExitVeltEvent);
  EXPECT_FALSE(VeltThread::StopRequested());
  EXPECT_EQ(5, VeltThread::RunWorker([]() -> long {
    VeltThread::ExitCheck();
    return 5;
  }));
}

}  // namespace
