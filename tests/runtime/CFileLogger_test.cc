#include "velt/runtime/CFileLogger.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "velt/runtime/CAppLog.h"

namespace {

TEST(CFileLogger, OneLinePerMessageWithTypeAndIdentifier) {
  velt::test::TempDir dir;
  const std::string path = dir.Path("app.log");
  {
    long result = -1;
    CAppLog log(result, "velt-test", new CFileLogger(path));
    ASSERT_EQ(0, result);
    CAppLog::LogDebugMessage("A::b", "a.cc", 3, 'E', "first");
    CAppLog::LogReturnCode("A::b", "a.cc", 4, 'W', "open", 2);
  }
  const std::string text = velt::test::ReadFile(path);
  ASSERT_EQ(2, std::count(text.begin(), text.end(), '\n'));
  EXPECT_NE(std::string::npos,
            text.find(" error 0x24000001 Function: A::b | File: a.cc | Line: 3 | first" +
                      std::string(velt::test::kTextLineEnd)));
  EXPECT_NE(std::string::npos, text.find(" warning 0x24000002 Function: A::b"));
  EXPECT_NE(std::string::npos, text.find("Description: No such file or directory"));
}

TEST(CFileLogger, UnwritablePathFailsWithoutThrowing) {
  CFileLogger logger("/nonexistent-folder/app.log");
  EXPECT_FALSE(logger.IsOpen());
  EXPECT_NE(0, logger.Log(7, "text", "MID_DEBUG_MESSAGE", 1, 'E'));
}

}  // namespace
