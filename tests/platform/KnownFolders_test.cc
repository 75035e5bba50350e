#include "platform/KnownFolders.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

using velt::test::ScopedEnv;

TEST(KnownFolders, XdgDirectoriesAndFallbacks) {
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

}  // namespace
