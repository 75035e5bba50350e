#include "platform/StreamOutput.h"

#include <gtest/gtest.h>

#include "platform/Stream.h"
#include "platform/SystemError.h"
#include "support/TempDir.h"

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
      {"/dev/full", ErrorKind::kNoSpace},
  };
  for (const auto& c : cases) {
    std::FILE* stream = nullptr;
    ASSERT_EQ(0, velt::platform::OpenStream(c.path, "wb", stream)) << c.path;
    EXPECT_EQ(0, velt::platform::WriteToStream(stream, "line\r\n", 6)) << c.path;
    EXPECT_EQ(c.closed, ErrorKindOf(velt::platform::CloseStream(stream))) << c.path;
  }
  std::FILE* full = nullptr;
  ASSERT_EQ(0, velt::platform::OpenStream("/dev/full", "wb", full));
  const std::string big(1 << 20, 'x');  // more than the stream buffers
  EXPECT_EQ(ErrorKind::kNoSpace,
            ErrorKindOf(velt::platform::WriteToStream(full, big.data(), big.size())));
  velt::platform::CloseStream(full);
}

}  // namespace
