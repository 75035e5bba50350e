#include <gtest/gtest.h>

#include <unistd.h>

#include "support/CapturingLogger.h"
#include "support/FakeOsFacts.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "velt/helpers/KnownFolders.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"

namespace {

using velt::Widen;
using velt::test::ScopedEnv;
using velt::test::ScopedLogCapture;
using velt::test::TempDir;

class TranslatePath : public ::testing::Test {
 protected:
  ScopedEnv temp_{"TEMP", "/tmp/vt"};
  ScopedEnv unset_{"VELT_UNSET_VAR", nullptr};
  ScopedEnv slashed_{"VELT_SLASHED", "/srv/data/"};
  ScopedEnv windowsy_{"VELT_WINDOWSY", "\\opt\\velt"};
  ScopedEnv inner_{"VELT_INNER", "%TEMP%\\sub"};
  ScopedEnv name_{"VELT_NAME", "agent"};
  ScopedEnv empty_{"VELT_EMPTY_VAR", ""};
  ScopedLogCapture capture_;
};

TEST_F(TranslatePath, VariablesSeparatorsAndPlainPaths) {
  const struct {
    const wchar_t *in, *out;
  } cases[] = {
      // A variable is followed by exactly one separator, whatever the rest starts with.
      {L"%TEMP%\\x.log", L"/tmp/vt/x.log"},
      {L"%TEMP%/x.log", L"/tmp/vt/x.log"},
      {L"%TEMP%x.log", L"/tmp/vt/x.log"},
      {L"%TEMP%\\\\x.log", L"/tmp/vt//x.log"},
      {L"%TEMP%", L"/tmp/vt/"},
      {L"%VELT_SLASHED%\\a", L"/srv/data/a"},
      // Backslashes in values and in the rest become the platform's separator.
      {L"%VELT_WINDOWSY%logs\\a.log", L"/opt/velt/logs/a.log"},
      // Values are scanned again; several pairs expand.
      {L"%VELT_INNER%x", L"/tmp/vt/sub/x"},
      {L"%TEMP%%VELT_NAME%x.log", L"/tmp/vt/agent/x.log"},
      {L"50%.log", L"50%.log"},
      {L"", L""},
      {L"/tmp/na me/\"q\"/\u00e9t\u00e9\n.log", L"/tmp/na me/\"q\"/\u00e9t\u00e9\n.log"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, helperUtil::translatePath(c.in));
  std::wstring tail(4000, L'a');
  EXPECT_EQ(L"/tmp/vt/" + tail, helperUtil::translatePath(L"%TEMP%" + tail));
  EXPECT_FALSE(capture_.Contains("Cannot determine"));
}

TEST_F(TranslatePath, UnsetEmptyOrMiscasedVariablesStopTheTranslation) {
  EXPECT_EQ(L"a%VELT_UNSET_VAR%b", helperUtil::translatePath(L"a%VELT_UNSET_VAR%b"));
  EXPECT_TRUE(capture_.Contains(
      "Cannot determine environment variable VELT_UNSET_VAR, path a%VELT_UNSET_VAR%b cannot be "
      "translated"));
  EXPECT_TRUE(capture_.Contains("helperUtil::translatePath"));
  EXPECT_EQ(L"/tmp/vt/%VELT_UNSET_VAR%/x",
            helperUtil::translatePath(L"%TEMP%\\%VELT_UNSET_VAR%\\x"));
  EXPECT_EQ(L"%VELT_EMPTY_VAR%/x", helperUtil::translatePath(L"%VELT_EMPTY_VAR%/x"));
  EXPECT_EQ(L"%temp%/x", helperUtil::translatePath(L"%temp%\\x"));  // names are case-sensitive
  EXPECT_TRUE(capture_.Contains("Cannot determine environment variable temp, path %temp%/x"));
  EXPECT_EQ(L"%%", helperUtil::translatePath(L"%%"));
  EXPECT_TRUE(capture_.Contains("Cannot determine environment variable , path %%"));
}

TEST_F(TranslatePath, SelfReferencingValuesEndInTheFailurePath) {
  ScopedEnv loop("VELT_LOOP", "%VELT_LOOP%");
  EXPECT_NE(std::wstring::npos, helperUtil::translatePath(L"%VELT_LOOP%x").find(L"%VELT_LOOP%"));
  EXPECT_TRUE(capture_.Contains("Cannot determine environment variable VELT_LOOP"));
  ScopedEnv grow("VELT_GROW", "%VELT_GROW%%VELT_GROW%");
  EXPECT_LT(helperUtil::translatePath(L"%VELT_GROW%").size(), 70000u);
}

TEST_F(TranslatePath, LegacyDataFoldersMoveOnlyOnXpAndServer2003) {
  TempDir dir;
  dir.WriteFile("Documents and Settings/All Users/Application Data/keep", "");
  dir.WriteFile("Documents and Settings/u/Local Settings/Application Data/keep", "");
  std::wstring common =
      Widen(dir.path() + "/Documents and Settings/All Users/Application Data/Vantrel/Log/x.txt");
  std::wstring local =
      Widen(dir.path() + "/Documents and Settings/u/Local Settings/Application Data/Vantrel/x");
  EXPECT_EQ(common, helperUtil::translatePath(common));  // this host: never changed
  velt::test::FakeOsFacts os;
  os.Windows(6, 1, 7601, velt::platform::kProductWorkstation);
  EXPECT_EQ(common, helperUtil::translatePath(common));
  os.Windows(5, 1, 2600, velt::platform::kProductWorkstation);
  EXPECT_EQ(GetCSIDLPath(CSIDL_COMMON_APPDATA) + L"/Vantrel/Log/x.txt",
            helperUtil::translatePath(common));
  ScopedEnv dataHome("XDG_DATA_HOME", "/home/u/.local/share");
  os.Windows(5, 2, 3790, velt::platform::kProductServer);
  EXPECT_EQ(L"/home/u/.local/share/Vantrel/x", helperUtil::translatePath(local));
  // The head must exist and "Application Data" must be in the path.
  for (std::wstring keep : {std::wstring(L"/no/such/place/Application Data/Vantrel/x"),
                            Widen(dir.path() + "/Vantrel/x")}) {
    EXPECT_EQ(keep, helperUtil::translatePath(keep));
  }
}

TEST(GetEnvVarValue, PercentSignsFallbacksAndCase) {
  ScopedEnv value("VELT_VALUE", "v");
  EXPECT_EQ(L"v", helperUtil::getEnvVarValue(L"%VELT_VALUE%"));
  EXPECT_EQ(L"", helperUtil::getEnvVarValue(L"%"));
  EXPECT_EQ(L"", helperUtil::getEnvVarValue(L"velt_value"));
  ScopedEnv temp("TEMP", nullptr);  // the platform's fallbacks apply
  ScopedEnv tmpdir("TMPDIR", nullptr);
  EXPECT_EQ(L"/tmp", helperUtil::getEnvVarValue(L"%TMP%"));
  ScopedEnv profile("USERPROFILE", nullptr);
  ScopedEnv home("HOME", "/home/someone");
  EXPECT_EQ(L"/home/someone", helperUtil::getEnvVarValue(L"USERPROFILE"));
}

TEST(WorkingDirectory, RelativeNamesAndDeepDirectories) {
  std::wstring cwd = helperUtil::getCurrentWorkingDirectory();
  std::wstring base = cwd == L"/" ? cwd : cwd + L"/";
  EXPECT_EQ(base + L"a.txt", helperUtil::fillInCWD(L".\\a.txt"));
  EXPECT_EQ(base + L"a.txt", helperUtil::fillInCWD(L"a.txt"));
  EXPECT_EQ(base, helperUtil::fillInCWD(L""));
  EXPECT_EQ(L"sub/a.txt", helperUtil::fillInCWD(L"sub\\a.txt"));
  EXPECT_EQ(L"../x.log", helperUtil::fillInCWD(L"../x.log"));
  EXPECT_EQ(L"/abs/x.log", helperUtil::fillInCWD(L"/abs/x.log"));

  // Deeper than the first buffer holds.
  TempDir dir;
  std::string deep = dir.path();
  for (int i = 0; i < 12; ++i) deep += "/" + std::string(60, static_cast<char>('a' + i));
  dir.WriteFile(deep.substr(dir.path().size() + 1) + "/f", "");
  ASSERT_EQ(0, chdir(deep.c_str()));
  std::wstring deepCwd = helperUtil::getCurrentWorkingDirectory();
  ASSERT_EQ(0, chdir(velt::Narrow(cwd).c_str()));
  EXPECT_EQ(Widen(deep), deepCwd);
}

TEST(KnownFolders, ConfigDesktopAndCsidlPaths) {
  EXPECT_EQ(L"/opt/cfg/xml/config/", helperUtil::getConfigPath(L"/opt/cfg/"));
  TempDir dir;
  ScopedEnv home("HOME", dir.path().c_str());
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  ScopedEnv data("XDG_DATA_HOME", nullptr);
  std::wstring desktop;
  EXPECT_EQ(0, helperUtil::GetPlatformDesktopPath(desktop));
  EXPECT_EQ(Widen(dir.path() + "/Desktop/"), desktop);
  dir.WriteFile(".config/user-dirs.dirs",
                "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
  EXPECT_EQ(Widen(dir.path() + "/Schreibtisch/"), helperUtil::GetDesktopPath());

  EXPECT_EQ(L"/var/lib", GetCSIDLPath(CSIDL_COMMON_APPDATA));
  EXPECT_EQ(Widen(dir.path()), GetCSIDLPath(CSIDL_PROFILE));
  ScopedLogCapture capture;
  EXPECT_EQ(L"", GetCSIDLPath(9999));
  EXPECT_TRUE(capture.Contains("SHGetFolderPath"));
  EXPECT_TRUE(capture.Contains("CSIDL value = 9999"));
}

}  // namespace
