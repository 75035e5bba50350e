#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "support/CapturingLogger.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::Widen;
using velt::test::ReadFile;
using velt::test::ScopedLogCapture;
using velt::test::TempDir;

// Runs each test in a fresh working directory, where "temp_out.txt" goes.
class Truncation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, getcwd(saved_, sizeof(saved_)));
    ASSERT_EQ(0, chdir(work_.path().c_str()));
    content_.clear();
    for (int i = 0; i < 1000; ++i) content_ += static_cast<char>('a' + i % 26);
    file_ = data_.WriteFile("log.txt", content_);
  }
  void TearDown() override { ASSERT_EQ(0, chdir(saved_)); }

  char saved_[4096];
  TempDir work_;
  TempDir data_;
  std::string content_;
  std::string file_;
  ScopedLogCapture capture_;
};

TEST_F(Truncation, FrontKeepsTheLastBytesEndTheFirst) {
  EXPECT_EQ(0, helperUtil::fileTruncateFront(100, Widen(file_)));
  EXPECT_EQ(content_.substr(900), ReadFile(file_));
  EXPECT_EQ(content_.substr(900), ReadFile(work_.Path("temp_out.txt")));
  EXPECT_EQ(0, helperUtil::fileTruncateEnd(10, Widen(file_).c_str()));
  EXPECT_EQ(content_.substr(900, 10), ReadFile(file_));
  EXPECT_EQ(0, helperUtil::fileTruncateFront(0, Widen(file_).c_str()));
  EXPECT_EQ("", ReadFile(file_));
}

TEST_F(Truncation, CountsAtOrBeyondTheSizeLeaveTheFileAlone) {
  for (long count : {1000L, 5000L, -1L}) {
    EXPECT_EQ(0, helperUtil::fileTruncateEnd(count, Widen(file_)));
    EXPECT_EQ(0, helperUtil::fileTruncateFront(count, Widen(file_)));
    EXPECT_EQ(content_, ReadFile(file_)) << count;
  }
  EXPECT_EQ(0, helperUtil::fileTruncateEnd(0, Widen(file_)));
  EXPECT_EQ("", ReadFile(file_));
}

TEST_F(Truncation, Failures) {
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER,
            helperUtil::fileTruncateFront(1, static_cast<const wchar_t*>(nullptr)));
  EXPECT_TRUE(capture_.Contains("pszFilename is NULL"));
  EXPECT_EQ(VELTENGINE_ERROR_FILE_OPEN_FAILURE,
            helperUtil::fileTruncateEnd(1, Widen(data_.Path("missing.txt"))));
  EXPECT_TRUE(capture_.Contains("Failed to open \"" + data_.Path("missing.txt") + "\""));
  EXPECT_TRUE(capture_.Contains("helperUtil::fileTruncateEnd"));

  // A read-only file cannot be replaced: logged, 0, and the file kept whole.
  capture_.logger().Clear();
  chmod(file_.c_str(), 0444);
  EXPECT_EQ(0, helperUtil::fileTruncateFront(10, Widen(file_)));
  EXPECT_TRUE(capture_.Contains("helperUtil::fileCopy"));
  EXPECT_EQ(content_, ReadFile(file_));
}

TEST_F(Truncation, WorkFileThatCannotBeCreated) {
  ASSERT_EQ(0, chmod(work_.path().c_str(), 0555));
  if (access(work_.path().c_str(), W_OK) == 0) {
    GTEST_SKIP() << "running with permission to write anywhere";
  }
  EXPECT_EQ(VELTENGINE_ERROR_FILE_OPEN_FAILURE, helperUtil::fileTruncateFront(10, Widen(file_)));
  EXPECT_TRUE(capture_.Contains("Failed to open \"temp_out.txt\""));
  EXPECT_EQ(content_, ReadFile(file_));
}

TEST(GetFileSize, SizesMissingFilesAndTranslation) {
  TempDir dir;
  std::string file = dir.WriteFile("f.bin", std::string(1234, 'z'));
  EXPECT_EQ(1234.0, helperUtil::getFileSize(Widen(file).c_str()));
  EXPECT_EQ(-1.0, helperUtil::getFileSize(Widen(dir.Path("none")).c_str()));
  EXPECT_EQ(-1.0, helperUtil::getFileSize(static_cast<const wchar_t*>(nullptr)));
  velt::test::ScopedEnv folder("VELT_SIZE_DIR", dir.path().c_str());
  EXPECT_EQ(1234.0, helperUtil::getFileSize(std::wstring(L"%VELT_SIZE_DIR%\\f.bin")));
}

TEST_F(Truncation, FilesOfSeveralGibibytes) {
  // Sparse files: the size is real, the disk holds only the written ends.
  const off_t size = (off_t{5} << 30) + 7;
  std::string big = data_.Path("big.bin");
  int fd = open(big.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(5, pwrite(fd, "START", 5, 0));
  ASSERT_EQ(3, pwrite(fd, "END", 3, size - 3));
  close(fd);
  EXPECT_EQ(static_cast<double>(size), helperUtil::getFileSize(Widen(big).c_str()));

  std::string copy = data_.Path("big2.bin");
  ASSERT_EQ(0, link(big.c_str(), copy.c_str()));
  EXPECT_EQ(0, helperUtil::fileTruncateFront(6, Widen(big)));
  EXPECT_EQ(std::string(3, '\0') + "END", ReadFile(big));
  EXPECT_EQ(0, helperUtil::fileTruncateEnd(5, Widen(copy)));
  EXPECT_EQ("START", ReadFile(copy));
}

}  // namespace
