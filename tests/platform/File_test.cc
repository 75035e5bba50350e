// The rules every implementation of platform::File keeps, in the layer's
// portable error names: renaming and removal keep to the file made (what
// each way of opening takes and refuses: posix/File_test.cc).
#include "platform/File.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/SystemError.h"
#include "support/TempDir.h"

namespace {

using velt::platform::ErrorKind;
using velt::platform::ErrorKindOf;
using velt::platform::File;

TEST(FileRules, RenamingAndRemovalKeepToTheFileMade) {
  velt::test::TempDir dir_;
  File file;
  const std::string taken = dir_.WriteFile("taken", "theirs");
  ASSERT_EQ(0, file.Create(dir_.Path("made")));
  EXPECT_EQ(ErrorKind::kExists, ErrorKindOf(file.MoveTo(taken, false)));
  ASSERT_EQ(0, file.MoveTo(dir_.Path("moved"), false));
  EXPECT_EQ(dir_.Path("moved"), file.path());
  // Another file takes the name: removal leaves it alone. (The open file
  // is moved away: Windows keeps the name of a deleted open file taken.)
  std::filesystem::rename(dir_.Path("moved"), dir_.Path("moved away"));
  dir_.WriteFile("moved", "someone else's");
  EXPECT_EQ(ErrorKind::kStale, ErrorKindOf(file.Remove()));
  EXPECT_EQ("someone else's", velt::test::ReadFile(dir_.Path("moved")));
  EXPECT_EQ("theirs", velt::test::ReadFile(taken));
}

TEST(SystemError, EveryNameHasANumberThatMapsBack) {
  for (int k = static_cast<int>(ErrorKind::kNotFound); k < static_cast<int>(ErrorKind::kOther);
       ++k) {
    const ErrorKind kind = static_cast<ErrorKind>(k);
    const int number = velt::platform::ErrorNumber(kind);
    EXPECT_NE(0, number) << k;
    EXPECT_EQ(kind, ErrorKindOf(number)) << k;
    EXPECT_FALSE(velt::platform::SystemErrorText(static_cast<unsigned long>(number)).empty()) << k;
  }
}

}  // namespace
