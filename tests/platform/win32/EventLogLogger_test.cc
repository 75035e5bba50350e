// The event log as the system logger: every message becomes one record
// with the type, category and identifier the application log classifies it
// by and the text as its one string. Wine keeps no records (its event log
// only accepts them), so there only the logger's results are checked.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/SystemLogger.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

namespace {

struct Logged {
  Logging::Severity severity;
  Logging::DebugImportance importance;
  unsigned messageId;
  WORD type, category;
  DWORD identifier;
  const wchar_t* text;
};

// The newest records of `source` in the application log, newest first,
// each as the bytes of its EVENTLOGRECORD.
std::vector<std::vector<char>> NewestRecords(const std::wstring& source, size_t count) {
  std::vector<std::vector<char>> found;
  HANDLE log = OpenEventLogW(nullptr, L"Application");
  if (log == nullptr) {
    return found;
  }
  std::vector<char> buffer(1 << 16);
  DWORD read = 0;
  DWORD needed = 0;
  while (found.size() < count &&
         ReadEventLogW(log, EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, 0, buffer.data(),
                       static_cast<DWORD>(buffer.size()), &read, &needed)) {
    for (DWORD at = 0; at < read && found.size() < count;) {
      const auto* record = reinterpret_cast<const EVENTLOGRECORD*>(buffer.data() + at);
      const wchar_t* name = reinterpret_cast<const wchar_t*>(record + 1);
      if (source == name) {
        found.emplace_back(buffer.data() + at, buffer.data() + at + record->Length);
      }
      at += record->Length;
    }
  }
  CloseEventLog(log);
  return found;
}

TEST(EventLogLogger, WritesOneRecordPerMessage) {
  const std::wstring source = L"VeltLogTest" + std::to_wstring(GetCurrentProcessId());
  std::unique_ptr<ILogger> logger(
      velt::platform::CreateSystemLogger(std::string(source.begin(), source.end())));
  const Logged cases[] = {
      {2, 'I', 5, EVENTLOG_ERROR_TYPE, 0, 0xE4000005u, L"an error"},
      {4, 'E', 6, EVENTLOG_WARNING_TYPE, 0, 0xA4000006u, L"a warning"},
      {5, 'E', 7, EVENTLOG_INFORMATION_TYPE, 0, 0x64000007u, L"information"},
      {7, 'W', 1, EVENTLOG_WARNING_TYPE, 1, 0x24000001u, L"debug output, importance W"},
      {7, 'x', 2, EVENTLOG_SUCCESS, 1, 0x24000002u, L"debug output, \u00e9"},
  };
  for (const Logged& c : cases) {
    const std::string text = velt::Narrow(c.text);
    EXPECT_EQ(0, logger->Log(c.severity, text.c_str(), "MID_TEST", c.messageId, c.importance));
  }
  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER, logger->Log(2, nullptr, "MID_TEST", 1, 'E'));

  const size_t count = sizeof(cases) / sizeof(cases[0]);
  const auto records = NewestRecords(source, count);
  if (records.empty()) {
    GTEST_SKIP() << "this system's event log keeps no records";
  }
  ASSERT_EQ(count, records.size());
  for (size_t i = 0; i < count; ++i) {
    const Logged& c = cases[count - 1 - i];
    const auto& record = *reinterpret_cast<const EVENTLOGRECORD*>(records[i].data());
    EXPECT_EQ(c.type, record.EventType) << i;
    EXPECT_EQ(c.category, record.EventCategory) << i;
    EXPECT_EQ(c.identifier, record.EventID) << i;
    ASSERT_EQ(1, record.NumStrings) << i;
    const auto* text = reinterpret_cast<const wchar_t*>(
        reinterpret_cast<const char*>(&record) + record.StringOffset);
    EXPECT_EQ(std::wstring(c.text), text) << i;
  }
}

}  // namespace
