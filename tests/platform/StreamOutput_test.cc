#include "platform/StreamOutput.h"

#include <gtest/gtest.h>

#include "platform/Stream.h"
#include "platform/SystemError.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"

namespace {

using velt::platform::ErrorKind;
using velt::platform::ErrorKindOf;

// A failure is reported by the call it belongs to, with its own error: a
// write the stream still buffers fails only when it is closed.
TEST(StreamOutput, WriteAndCloseReportTheirOwnFailure) {
  velt::test::TempDir dir;
  const struct {
    std::string path;
    ErrorKind closed;
  } cases[] = {
      {dir.Path("summary.txt"), ErrorKind::kNone},
      {velt::test::kFullDevice, ErrorKind::kNoSpace},
  };
  for (const auto& c : cases) {
    if (c.path.empty()) continue;
    std::FILE* stream = nullptr;
    ASSERT_EQ(0, velt::platform::OpenStream(c.path, "wb", stream)) << c.path;
    EXPECT_EQ(0, velt::platform::WriteToStream(stream, "line\r\n", 6)) << c.path;
    EXPECT_EQ(c.closed, ErrorKindOf(velt::platform::CloseStream(stream))) << c.path;
  }
  if (*velt::test::kFullDevice == '\0') {
    GTEST_SKIP() << "this system has no device that is always full";
  }
  std::FILE* full = nullptr;
  ASSERT_EQ(0, velt::platform::OpenStream(velt::test::kFullDevice, "wb", full));
  const std::string big(1 << 20, 'x');  // more than the stream buffers
  EXPECT_EQ(ErrorKind::kNoSpace,
            ErrorKindOf(velt::platform::WriteToStream(full, big.data(), big.size())));
  velt::platform::CloseStream(full);
}

}  // namespace
