#include "platform/Environment.h"

#include <gtest/gtest.h>

#include "support/ScopedEnv.h"

namespace {

TEST(Environment, TempFallsBackToTmpdirThenSlashTmp) {
  std::string value;
  velt::test::ScopedEnv temp("TEMP", ""), tmpdir("TMPDIR", "/scratch"), empty("VELT_EMPTY", ""),
      unset("VELT_UNSET", nullptr);
  EXPECT_TRUE(velt::platform::GetEnvironmentValue("TEMP", value) && value == "/scratch");
  velt::test::ScopedEnv noTmpdir("TMPDIR", nullptr);
  EXPECT_TRUE(velt::platform::GetEnvironmentValue("TMP", value) && value == "/tmp");
  EXPECT_TRUE(velt::platform::GetEnvironmentValue("VELT_EMPTY", value) && value.empty());
  EXPECT_FALSE(velt::platform::GetEnvironmentValue("VELT_UNSET", value));
}

}  // namespace
