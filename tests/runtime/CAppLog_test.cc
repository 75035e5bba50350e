#include "velt/runtime/CAppLog.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "support/CapturingLogger.h"
#include "velt/runtime/EventRecord.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::test::CapturingLogger;
using velt::test::ScopedLogCapture;

// Every code a table names is a constant of the header, described by its
// module's table; past a table's end is the module's unknown; other values
// are system error numbers.
TEST(DescribeCode, TablesConstantsAndSystemErrors) {
  // The constants are longs, negative where long has 32 bits: as codes
  // they are the same 32 bits.
  const struct {
    long long code;
    const char* description;
  } cases[] = {
      {VELTENGINE_ERROR_FILE_NOT_FOUND, "VELTENGINE_ERROR_FILE_NOT_FOUND:Error: File not found"},
      {VELTENGINE_ERROR_EXTERN_ACTION_TIMEOUT,
       "VELTENGINE_ERROR_EXTERN_ACTION_TIMEOUT:Error: Binary executable took too long to finish."},
      {VELTOFFLINE_ERROR_PROCESSING, "VELTOFFLINE_ERROR_PROCESSING:Notice: VELT GUI is processing..."},
      {VELTOFFLINE_ERROR_NOT_IMPLEMENTED, "VELTOFFLINE_ERROR_NOT_IMPLEMENTED"},
      {VELTOFFLINE_ERROR_UNEXPECTED, "VELTOFFLINE_ERROR_UNEXPECTED"},
      {PROCESS_API_ERROR_NOT_IMPLEMENTED, "PROCESS_API_ERROR_NOT_IMPLEMENTED"},
      {PROCESS_API_ERROR_UNEXPECTED, "PROCESS_API_ERROR_UNEXPECTED"},
      {PROCESS_API_ERROR_WAIT_TIMEOUT, "PROCESS_API_ERROR_WAIT_TIMEOUT"},
      {0xFF03000B, "VELTUPLOADER_ERROR_FILE_OPEN_FAILURE:Error: File could not be opened"},
      {0xFE00000A, "GLOBAL_ERROR_NO_INSTANCE"},
      {0xFEB00030, "VELTENGINE_ERROR_UNKNOWN"},
      {0xFF03FFFF, "VELTUPLOADER_ERROR_UNKNOWN"},
      {0xFE000020, "GLOBAL_ERROR_UNKNOWN"},
      {0xFE990001, "unknown"},
      {0xFF050000, "unknown"},  // module 261: no table
      {2, "No such file or directory"},
      {0x12EFD, "WINDOWS_ERROR_CODE"},
      {0x80004002, "WINDOWS_ERROR_CODE"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.description, CAppLog::DescribeCode(static_cast<unsigned long>(c.code))) << c.code;
  }
}

TEST(CAppLogMessages, DroppedWhileNoInstanceExists) {
  // No CAppLog here: nothing is installed and nothing may crash.
  CAppLog::LogDebugMessage("A::b", "file.cc", 1, 'E', "dropped %d", 1);
  CAppLog::LogReturnCode("A::b", "file.cc", 1, 'E', "call", 5);
  CAppLog::LogMessage(MID_UNKNOWN, "dropped");
  EXPECT_EQ(GLOBAL_ERROR_NO_INSTANCE, CAppLog::UpdateLogger("velt"));
  EXPECT_EQ(GLOBAL_ERROR_NO_INSTANCE, CAppLog::InstallLogger(new CapturingLogger()));
}

TEST(CAppLogMessages, DebugMessageFormat) {
  ScopedLogCapture capture;
  CAppLog::LogDebugMessage("Engine::run", "engine.cc", 42, 'W', "copy of %s failed", "a.log");
  auto messages = capture.logger().Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("Function: Engine::run\nFile: engine.cc\nLine: 42\ncopy of a.log failed",
            messages[0].text);
  EXPECT_EQ("MID_DEBUG_MESSAGE", messages[0].name);
  EXPECT_EQ(7, messages[0].severity);
  EXPECT_EQ(1u, messages[0].id);
  EXPECT_EQ('W', messages[0].importance);
}

TEST(CAppLogMessages, ReturnCodeDescriptions) {
  ScopedLogCapture capture;
  CAppLog::LogReturnCode("A::f", "a.cc", 7, 'E', "fopen", VELTENGINE_ERROR_FILE_NOT_FOUND,
                         nullptr, "path %s", "/x");
  CAppLog::LogReturnCode("A::f", "a.cc", 8, 'E', "given", 2, "my description");
  // A zero code takes the caller's text as its description...
  CAppLog::LogReturnCode("A::f", "a.cc", 9, 'I', "zero", 0, nullptr, "all %s", "fine");
  // ...and "unknown" without one.
  CAppLog::LogReturnCode("A::f", "a.cc", 10, 'I', "zero", 0);
  auto messages = capture.logger().Messages();
  ASSERT_EQ(4u, messages.size());
  EXPECT_EQ(
      "Function: A::f\nFile: a.cc\nLine: 7\nInvoked Function: fopen\n"
      "Return Code: -22020084 (0xFEB0000C)\n"
      "Description: VELTENGINE_ERROR_FILE_NOT_FOUND:Error: File not found\npath /x",
      messages[0].text);
  EXPECT_NE(std::string::npos, messages[1].text.find("Description: my description\n"));
  EXPECT_NE(std::string::npos,
            messages[2].text.find("Return Code: 0 (0x00000000)\nDescription: all fine\n"));
  EXPECT_EQ('\n', messages[2].text.back());
  EXPECT_NE(std::string::npos, messages[3].text.find("Description: unknown\n"));
}

TEST(CAppLogMessages, BuffersTruncate) {
  ScopedLogCapture capture;
  const std::string longText(10000, 'x');
  CAppLog::LogDebugMessage("F", "f.cc", 1, 'E', "%s", longText.c_str());
  CAppLog::LogMessage(MID_UNKNOWN, longText.c_str());
  auto messages = capture.logger().Messages();
  ASSERT_EQ(2u, messages.size());
  const std::string prefix = "Function: F\nFile: f.cc\nLine: 1\n";
  // The caller's text is cut to 8192 bytes; the whole message to 8704.
  EXPECT_EQ(prefix.size() + 8192, messages[0].text.size());
  EXPECT_EQ(8704u, messages[1].text.size());
  EXPECT_EQ('T', messages[1].importance);
}

TEST(CAppLogMessages, UnknownMessageIdUsesTheUnknownEntry) {
  ScopedLogCapture capture;
  CAppLog::LogMessage(9999, "text");
  auto messages = capture.logger().Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("MID_UNKNOWN", messages[0].name);
  EXPECT_EQ("text", messages[0].text);
}

TEST(CAppLogMessages, UserCountKeepsTheFirstLogger) {
  ScopedLogCapture capture;
  long result = -1;
  {
    CapturingLogger* ignored = new CapturingLogger();  // owned and dropped by the log
    CAppLog second(result, "other", ignored);
    EXPECT_EQ(0, result);
    CAppLog::LogDebugMessage("F", "f.cc", 1, 'I', "while two");
  }
  CAppLog::LogDebugMessage("F", "f.cc", 2, 'I', "after one left");
  EXPECT_TRUE(capture.Contains("while two"));
  EXPECT_TRUE(capture.Contains("after one left"));
}

TEST(CAppLogMessages, ConcurrentLoggingKeepsEveryMessageWhole) {
  ScopedLogCapture capture;
  constexpr int kThreads = 8;
  constexpr int kEach = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kEach; ++i) {
        CAppLog::LogDebugMessage("T::run", "t.cc", t, 'I', "thread %d message %d end", t, i);
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  auto messages = capture.logger().Messages();
  ASSERT_EQ(static_cast<size_t>(kThreads * kEach), messages.size());
  for (const auto& message : messages) {
    // Each thread formats in its own buffer: a line number always matches
    // the thread number in the text.
    int line = -1, thread = -2, index = -1;
    ASSERT_EQ(3, std::sscanf(message.text.c_str(),
                             "Function: T::run\nFile: t.cc\nLine: %d\nthread %d message %d end",
                             &line, &thread, &index));
    EXPECT_EQ(line, thread);
  }
}

TEST(EventRecord, EventLogMapping) {
  EventRecord error = EventRecord::Classify(2, 5, 'I');
  EXPECT_EQ(EventType::Error, error.type);
  EXPECT_EQ(0xE4000005u, error.identifier);
  EventRecord warning = EventRecord::Classify(4, 1, 'E');
  EXPECT_EQ(EventType::Warning, warning.type);
  EXPECT_EQ(0xA4000001u, warning.identifier);
  EXPECT_EQ(EventType::Information, EventRecord::Classify(6, 0, 'E').type);
  EXPECT_EQ(0x64000000u, EventRecord::Classify(5, 0, 'E').identifier);
  // Debug output is classified by importance, category 1.
  EventRecord debug = EventRecord::Classify(7, 2, 'W');
  EXPECT_EQ(EventType::Warning, debug.type);
  EXPECT_EQ(1u, debug.category);
  EXPECT_EQ(0x24000002u, debug.identifier);
  EXPECT_EQ(EventType::Error, EventRecord::Classify(7, 2, 'E').type);
  EXPECT_EQ(EventType::Information, EventRecord::Classify(7, 2, 'T').type);
  EXPECT_EQ(EventType::Success, EventRecord::Classify(7, 2, 'X').type);
  EXPECT_EQ(0u, EventRecord::Classify(4, 2, 'X').category);
}

TEST(FunctionName, QualifiedNameFromSignature) {
  EXPECT_EQ("VeltEngine::collectLogs", CAppLog::FunctionName("long int VeltEngine::collectLogs()"));
  EXPECT_EQ("CZip::Zip",
            CAppLog::FunctionName("static long int velt::CZip::Zip(const std::wstring&, bool)"));
  EXPECT_EQ("helper", CAppLog::FunctionName("void helper(int (*)(int))"));
}

}  // namespace
