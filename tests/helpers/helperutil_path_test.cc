#include <gtest/gtest.h>

#include <unistd.h>

#include "support/ScopedEnv.h"
#include "support/CapturingLogger.h"
#include "support/FakeOsFacts.h"
#include "support/TempDir.h"
#include "velt/helpers/SpecialFolders.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"

namespace {

using velt::Narrow;
using velt::Widen;
using velt::test::ScopedEnv;
using velt::test::ScopedLogCapture;
using velt::test::TempDir;

class TranslatePath : public ::testing::Test {
 protected:
  ScopedEnv temp_{"TEMP", "/tmp/vt"};
  ScopedEnv unset_{"VELT_UNSET_VAR", nullptr};
  ScopedLogCapture capture_;
};

TEST_F(TranslatePath, VariableIsFollowedByExactlyOneSeparator) {
  EXPECT_EQ(L"/tmp/vt/x.log", helperUtil::translatePath(L"%TEMP%\\x.log"));
  EXPECT_EQ(L"/tmp/vt/x.log", helperUtil::translatePath(L"%TEMP%/x.log"));
  EXPECT_EQ(L"/tmp/vt/x.log", helperUtil::translatePath(L"%TEMP%x.log"));
  EXPECT_EQ(L"/tmp/vt//x.log", helperUtil::translatePath(L"%TEMP%\\\\x.log"));
  EXPECT_EQ(L"/tmp/vt/", helperUtil::translatePath(L"%TEMP%"));
  ScopedEnv slash("VELT_SLASHED", "/srv/data/");
  EXPECT_EQ(L"/srv/data/a", helperUtil::translatePath(L"%VELT_SLASHED%\\a"));
  // Backslashes in values and in the rest become the platform's separator.
  ScopedEnv windowsy("VELT_WINDOWSY", "\\opt\\velt");
  EXPECT_EQ(L"/opt/velt/logs/a.log", helperUtil::translatePath(L"%VELT_WINDOWSY%logs\\a.log"));
  EXPECT_FALSE(capture_.Contains("Cannot determine"));
}

TEST_F(TranslatePath, ValuesAreScannedAgainAndSeveralPairsExpand) {
  ScopedEnv inner("VELT_INNER", "%TEMP%\\sub");
  EXPECT_EQ(L"/tmp/vt/sub/x", helperUtil::translatePath(L"%VELT_INNER%x"));
  ScopedEnv name("VELT_NAME", "agent");
  EXPECT_EQ(L"/tmp/vt/agent/x.log", helperUtil::translatePath(L"%TEMP%%VELT_NAME%x.log"));
  // Names are case-sensitive here.
  EXPECT_EQ(L"%temp%/x", helperUtil::translatePath(L"%temp%\\x"));
  EXPECT_TRUE(capture_.Contains("Cannot determine environment variable temp, path %temp%/x"));
}

TEST_F(TranslatePath, UnsetVariablesStopTheTranslation) {
  EXPECT_EQ(L"a%VELT_UNSET_VAR%b", helperUtil::translatePath(L"a%VELT_UNSET_VAR%b"));
  EXPECT_TRUE(capture_.Contains(
      "Cannot determine environment variable VELT_UNSET_VAR, path a%VELT_UNSET_VAR%b cannot be "
      "translated"));
  EXPECT_TRUE(capture_.Contains("helperUtil::translatePath"));
  EXPECT_EQ(L"/tmp/vt/%VELT_UNSET_VAR%/x",
            helperUtil::translatePath(L"%TEMP%\\%VELT_UNSET_VAR%\\x"));
  ScopedEnv empty("VELT_EMPTY_VAR", "");
  EXPECT_EQ(L"%VELT_EMPTY_VAR%/x", helperUtil::translatePath(L"%VELT_EMPTY_VAR%/x"));
  capture_.logger().Clear();
  EXPECT_EQ(L"%%", helperUtil::translatePath(L"%%"));
  EXPECT_TRUE(capture_.Contains("Cannot determine environment variable , path %%"));
}

TEST_F(TranslatePath, SinglePercentAndPlainPathsAreLeftAlone) {
  EXPECT_EQ(L"50%.log", helperUtil::translatePath(L"50%.log"));
  EXPECT_EQ(L"/var/log/syslog", helperUtil::translatePath(L"/var/log/syslog"));
  EXPECT_EQ(L"", helperUtil::translatePath(L""));
  std::wstring odd = L"/tmp/na me/\"q\"/\u00e9t\u00e9\n.log";
  EXPECT_EQ(odd, helperUtil::translatePath(odd));
  EXPECT_FALSE(capture_.Contains("Cannot determine"));
}

TEST_F(TranslatePath, SelfReferencingValuesEndInTheFailurePath) {
  ScopedEnv loop("VELT_LOOP", "%VELT_LOOP%");
  std::wstring result = helperUtil::translatePath(L"%VELT_LOOP%x");
  EXPECT_NE(std::wstring::npos, result.find(L"%VELT_LOOP%"));
  EXPECT_TRUE(capture_.Contains("Cannot determine environment variable VELT_LOOP"));
  ScopedEnv grow("VELT_GROW", "%VELT_GROW%%VELT_GROW%");
  result = helperUtil::translatePath(L"%VELT_GROW%");
  EXPECT_LT(result.size(), 70000u);
}

TEST_F(TranslatePath, LongPathsPassThrough) {
  std::wstring tail(4000, L'a');
  EXPECT_EQ(L"/tmp/vt/" + tail, helperUtil::translatePath(L"%TEMP%" + tail));
}

TEST_F(TranslatePath, LegacyDataFoldersMoveOnlyOnXpAndServer2003) {
  TempDir dir;
  std::string allUsers = dir.path() + "/Documents and Settings/All Users/Application Data";
  dir.WriteFile("Documents and Settings/All Users/Application Data/keep", "");
  dir.WriteFile("Documents and Settings/u/Local Settings/Application Data/keep", "");
  std::wstring common = Widen(allUsers + "/Vantrel/Log/x.txt");
  std::wstring local =
      Widen(dir.path() + "/Documents and Settings/u/Local Settings/Application Data/Vantrel/x");

  // This host: never changed.
  EXPECT_EQ(common, helperUtil::translatePath(common));

  velt::test::FakeOsFacts os;
  os.Windows(6, 1, 7601, velt::platform::kProductWorkstation);
  EXPECT_EQ(common, helperUtil::translatePath(common));

  os.Windows(5, 1, 2600, velt::platform::kProductWorkstation);
  EXPECT_EQ(GetCSIDLPath(CSIDL_COMMON_APPDATA) + L"/Vantrel/Log/x.txt",
            helperUtil::translatePath(common));
  ScopedEnv dataHome("XDG_DATA_HOME", "/home/u/.local/share");
  EXPECT_EQ(L"/home/u/.local/share/Vantrel/x", helperUtil::translatePath(local));
  os.Windows(5, 2, 3790, velt::platform::kProductServer);
  EXPECT_EQ(L"/home/u/.local/share/Vantrel/x", helperUtil::translatePath(local));

  // The head must exist and "Application Data" must be in the path.
  std::wstring missing = L"/no/such/place/Application Data/Vantrel/x";
  EXPECT_EQ(missing, helperUtil::translatePath(missing));
  std::wstring noAppData = Widen(dir.path() + "/Vantrel/x");
  EXPECT_EQ(noAppData, helperUtil::translatePath(noAppData));
  EXPECT_EQ(L"Vantrel/x", helperUtil::translatePath(L"Vantrel/x"));
}

TEST(GetEnvVarValue, PercentSignsTempFallbacksAndUnset) {
  ScopedEnv value("VELT_VALUE", "v");
  EXPECT_EQ(L"v", helperUtil::getEnvVarValue(L"VELT_VALUE"));
  EXPECT_EQ(L"v", helperUtil::getEnvVarValue(L"%VELT_VALUE%"));
  EXPECT_EQ(L"", helperUtil::getEnvVarValue(L"%"));
  EXPECT_EQ(L"", helperUtil::getEnvVarValue(L""));
  EXPECT_EQ(L"", helperUtil::getEnvVarValue(L"velt_value"));
  {
    ScopedEnv temp("TEMP", nullptr);
    ScopedEnv tmpdir("TMPDIR", "/var/tmp");
    EXPECT_EQ(L"/var/tmp", helperUtil::getEnvVarValue(L"TEMP"));
    ScopedEnv noTmpdir("TMPDIR", nullptr);
    EXPECT_EQ(L"/tmp", helperUtil::getEnvVarValue(L"TEMP"));
    EXPECT_EQ(L"/tmp", helperUtil::getEnvVarValue(L"%TMP%"));
  }
  ScopedEnv profile("USERPROFILE", nullptr);
  ScopedEnv home("HOME", "/home/someone");
  EXPECT_EQ(L"/home/someone", helperUtil::getEnvVarValue(L"USERPROFILE"));
}

TEST(FillInCWD, RelativeNamesGetTheWorkingDirectory) {
  std::wstring cwd = helperUtil::getCurrentWorkingDirectory();
  char buffer[4096];
  ASSERT_NE(nullptr, getcwd(buffer, sizeof(buffer)));
  EXPECT_EQ(Widen(buffer), cwd);
  std::wstring base = cwd == L"/" ? cwd : cwd + L"/";
  EXPECT_EQ(base + L"a.txt", helperUtil::fillInCWD(L"./a.txt"));
  EXPECT_EQ(base + L"a.txt", helperUtil::fillInCWD(L".\\a.txt"));
  EXPECT_EQ(base + L"a.txt", helperUtil::fillInCWD(L"a.txt"));
  EXPECT_EQ(base, helperUtil::fillInCWD(L""));
  EXPECT_EQ(L"sub/a.txt", helperUtil::fillInCWD(L"sub/a.txt"));
  EXPECT_EQ(L"sub/a.txt", helperUtil::fillInCWD(L"sub\\a.txt"));
  EXPECT_EQ(L"../x.log", helperUtil::fillInCWD(L"../x.log"));
  EXPECT_EQ(L"/abs/x.log", helperUtil::fillInCWD(L"/abs/x.log"));
}

TEST(GetCurrentWorkingDirectory, DeepDirectoriesNeedBiggerBuffers) {
  TempDir dir;
  std::string deep = dir.path();
  for (int i = 0; i < 12; ++i) {
    deep += "/" + std::string(60, static_cast<char>('a' + i));
  }
  dir.WriteFile(deep.substr(dir.path().size() + 1) + "/f", "");
  char saved[4096];
  ASSERT_NE(nullptr, getcwd(saved, sizeof(saved)));
  ASSERT_EQ(0, chdir(deep.c_str()));
  std::wstring cwd = helperUtil::getCurrentWorkingDirectory();
  ASSERT_EQ(0, chdir(saved));
  EXPECT_EQ(Widen(deep), cwd);
}

TEST(GetConfigPath, AppendsTheConfigurationFolder) {
  EXPECT_EQ(L"/opt/cfg/xml/config/", helperUtil::getConfigPath(L"/opt/cfg"));
  EXPECT_EQ(L"/opt/cfg/xml/config/", helperUtil::getConfigPath(L"/opt/cfg/"));
}

TEST(DesktopPaths, XdgDesktopOrHomeDesktopNeverEmpty) {
  TempDir dir;
  ScopedEnv home("HOME", dir.path().c_str());
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  std::wstring desktop;
  EXPECT_EQ(0, helperUtil::GetPlatformDesktopPath(desktop));
  EXPECT_EQ(Widen(dir.path() + "/Desktop/"), desktop);

  dir.WriteFile(".config/user-dirs.dirs",
                "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
  EXPECT_EQ(Widen(dir.path() + "/Schreibtisch/"), helperUtil::GetDesktopPath());
  EXPECT_FALSE(helperUtil::GetDesktopPath().empty());
}

TEST(GetCSIDLPath, KnownFoldersAndUnknownNumbers) {
  ScopedEnv home("HOME", "/home/u");
  ScopedEnv data("XDG_DATA_HOME", nullptr);
  EXPECT_EQ(L"/var/lib", GetCSIDLPath(CSIDL_COMMON_APPDATA));
  EXPECT_EQ(L"/home/u/.local/share", GetCSIDLPath(CSIDL_LOCAL_APPDATA));
  EXPECT_EQ(L"/home/u", GetCSIDLPath(CSIDL_PROFILE));
  ScopedLogCapture capture;
  EXPECT_EQ(L"", GetCSIDLPath(9999));
  EXPECT_TRUE(capture.Contains("SHGetFolderPath"));
  EXPECT_TRUE(capture.Contains("CSIDL value = 9999"));
}

}  // namespace
