#include "platform/Environment.h"

#include <gtest/gtest.h>

#include "support/ScopedEnv.h"

namespace {

using velt::test::ScopedEnv;

TEST(Environment, TempFallsBackToTmpdirThenSlashTmp) {
  std::string value;
  ScopedEnv temp("TEMP", "");
  ScopedEnv tmpdir("TMPDIR", "/scratch");
  ASSERT_TRUE(velt::platform::GetEnvironmentValue("TEMP", value));
  EXPECT_EQ("/scratch", value);
  ScopedEnv noTmpdir("TMPDIR", nullptr);
  ASSERT_TRUE(velt::platform::GetEnvironmentValue("TMP", value));
  EXPECT_EQ("/tmp", value);
  ScopedEnv other("VELT_EMPTY", "");
  EXPECT_TRUE(velt::platform::GetEnvironmentValue("VELT_EMPTY", value));
  EXPECT_EQ("", value);
  ScopedEnv unset("VELT_UNSET", nullptr);
  EXPECT_FALSE(velt::platform::GetEnvironmentValue("VELT_UNSET", value));
}

}  // namespace
