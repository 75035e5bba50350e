#include "platform/Random.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Random, GivesTwoLowerCaseHexDigitsPerByte) {
  for (size_t bytes : {0, 1, 8, 100}) {
    const std::string text = velt::platform::RandomHex(bytes);
    EXPECT_EQ(text.size(), 2 * bytes);
    EXPECT_EQ(text.find_first_not_of("0123456789abcdef"), std::string::npos) << text;
  }
}

// 16 bytes from a working source are neither all zero (what a failed
// source leaves) nor the same twice.
TEST(Random, GivesNewBytesEachTime) {
  const std::string first = velt::platform::RandomHex(16), second = velt::platform::RandomHex(16);
  EXPECT_NE(first, std::string(32, '0'));
  EXPECT_NE(first, second);
}

}  // namespace
