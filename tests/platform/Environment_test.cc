#include "platform/Environment.h"

#include <gtest/gtest.h>

#include "platform/OsFacts.h"
#include "platform/SpecialFolders.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

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

TEST(SpecialFolders, XdgDirectoriesAndFallbacks) {
  velt::test::TempDir dir;
  ScopedEnv home("HOME", dir.path().c_str());
  ScopedEnv config("XDG_CONFIG_HOME", (dir.path() + "/cfg").c_str());
  ScopedEnv data("XDG_DATA_HOME", "relative/is/ignored");
  dir.WriteFile("cfg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"/srv/desk/\"\n");
  std::string folder;
  ASSERT_EQ(0, velt::platform::GetSpecialFolder(16, folder));
  EXPECT_EQ("/srv/desk", folder);
  ASSERT_EQ(0, velt::platform::GetSpecialFolder(28, folder));
  EXPECT_EQ(dir.path() + "/.local/share", folder);
  ASSERT_EQ(0, velt::platform::GetSpecialFolder(26, folder));
  EXPECT_EQ(dir.path() + "/cfg", folder);
  ASSERT_EQ(0, velt::platform::GetSpecialFolder(5, folder));
  EXPECT_EQ(dir.path() + "/Documents", folder);
  EXPECT_EQ(ENOENT, velt::platform::GetSpecialFolder(3, folder));
}

TEST(OsFacts, TheSystemIsLinuxAndFakesCanBeInstalledAndRemoved) {
  velt::platform::OsVersionFacts facts;
  ASSERT_TRUE(velt::platform::CurrentOsFacts().ReadVersion(facts));
  EXPECT_EQ(velt::platform::OsKind::kLinux, facts.kind);
  EXPECT_FALSE(facts.release.empty());
  EXPECT_GE(facts.major, 2u);
  std::wstring user;
  EXPECT_EQ(0, velt::platform::CurrentOsFacts().UserName(user));
  EXPECT_FALSE(user.empty());

  struct Fake : velt::platform::OsFactsSource {
    bool ReadVersion(velt::platform::OsVersionFacts&) const override { return false; }
    int UserName(std::wstring&) const override { return 1; }
    bool IsElevated() const override { return true; }
  } fake;
  velt::platform::SetOsFactsSource(&fake);
  EXPECT_FALSE(velt::platform::CurrentOsFacts().ReadVersion(facts));
  velt::platform::SetOsFactsSource(nullptr);
  EXPECT_TRUE(velt::platform::CurrentOsFacts().ReadVersion(facts));
}

}  // namespace
