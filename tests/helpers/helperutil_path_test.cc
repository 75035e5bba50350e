#include <gtest/gtest.h>

#include <algorithm>

#include "support/CapturingLogger.h"
#include "support/ScopedEnv.h"
#include "support/TestPlatform.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"

namespace {

using velt::Widen;
using velt::test::ScopedEnv;

class TranslatePath : public ::testing::Test {
 protected:
  ScopedEnv temp_{"TEMP", "/tmp/vt"}, unset_{"VELT_UNSET_VAR", nullptr};
  ScopedEnv slashed_{"VELT_SLASHED", "/srv/data/"}, windowsy_{"VELT_WINDOWSY", "\\opt\\velt"};
  ScopedEnv inner_{"VELT_INNER", "%TEMP%\\sub"}, name_{"VELT_NAME", "agent"};
  ScopedEnv empty_{"VELT_EMPTY_VAR", ""}, loop_{"VELT_LOOP", "%VELT_LOOP%"};
  ScopedEnv grow_{"VELT_GROW", "%VELT_GROW%%VELT_GROW%"};
  velt::test::ScopedLogCapture capture_;
};

TEST_F(TranslatePath, VariablesSeparatorsAndFailures) {
  const struct {
    const wchar_t *in, *out;
    const char* logged;  // what the error names; empty when there is none
  } cases[] = {
      // A variable is followed by exactly one separator, whatever the rest starts with.
      {L"%TEMP%\\x.log", L"/tmp/vt/x.log", ""},  {L"%TEMP%x.log", L"/tmp/vt/x.log", ""},
      {L"%TEMP%\\\\x.log", L"/tmp/vt//x.log", ""}, {L"%TEMP%", L"/tmp/vt/", ""},
      {L"%VELT_SLASHED%\\a", L"/srv/data/a", ""}, {L"%VELT_INNER%x", L"/tmp/vt/sub/x", ""},
      // Backslashes in values and in the rest become the platform's separator;
      // values are scanned again; several pairs expand.
      {L"%VELT_WINDOWSY%logs\\a.log", L"/opt/velt/logs/a.log", ""},
      {L"%TEMP%%VELT_NAME%x.log", L"/tmp/vt/agent/x.log", ""},
      {L"50%.log", L"50%.log", ""},             {L"", L"", ""},
      // An unset, empty or miscased variable stops the translation where it stands.
      {L"a%VELT_UNSET_VAR%b", L"a%VELT_UNSET_VAR%b",
       "environment variable VELT_UNSET_VAR, path a%VELT_UNSET_VAR%b cannot be translated"},
      {L"%TEMP%\\%VELT_UNSET_VAR%\\x", L"/tmp/vt/%VELT_UNSET_VAR%/x", "VELT_UNSET_VAR"},
      {L"%VELT_EMPTY_VAR%/x", L"%VELT_EMPTY_VAR%/x", "VELT_EMPTY_VAR"},
      {L"%temp%\\x", L"%temp%/x", "variable temp, path %temp%/x"},
      {L"%%", L"%%", "variable , path %%"},
  };
  for (const auto& c : cases) {
    // Windows' variable names ignore case.
    if (velt::kPathSeparator == L'\\' && std::wstring(c.in) == L"%temp%\\x") continue;
    capture_.logger().Clear();
    std::wstring out = c.out;  // with the platform's separator
    std::replace(out.begin(), out.end(), L'/', velt::kPathSeparator);
    EXPECT_EQ(out, helperUtil::translatePath(c.in));
    EXPECT_EQ(*c.logged != 0 ? 1 : 0,
              capture_.Count(MID_DEBUG_MESSAGE, "helperUtil::translatePath",
                             "Cannot determine environment variable"));
    EXPECT_TRUE(!*c.logged || capture_.Contains(c.logged)) << c.logged;
  }
  // Command arguments expand the same way, reported under the same name.
  capture_.logger().Clear();
  EXPECT_EQ(L"a\\b %VELT_UNSET_VAR%", helperUtil::expandVariablePairs(L"a\\b %VELT_UNSET_VAR%"));
  EXPECT_EQ(1, capture_.Count(MID_DEBUG_MESSAGE, "helperUtil::translatePath", "VELT_UNSET_VAR"));
  // Values that lead back to themselves end in the failure path.
  EXPECT_NE(std::wstring::npos, helperUtil::translatePath(L"%VELT_LOOP%x").find(L"%VELT_LOOP%"));
  EXPECT_LT(helperUtil::translatePath(L"%VELT_GROW%").size(), 70000u);
}

}  // namespace
