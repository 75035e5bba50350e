#include "platform/OsFacts.h"

#include <gtest/gtest.h>

namespace {

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
