#include <gtest/gtest.h>

#include <regex>

#include "support/CapturingLogger.h"
#include "support/FakeOsFacts.h"
#include "support/ScopedEnv.h"
#include "support/TestPlatform.h"
#include "velt/helpers/OsTests.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"

namespace {

using velt::test::FakeOsFacts;

constexpr unsigned kWork = velt::platform::kProductWorkstation;
constexpr unsigned kDc = velt::platform::kProductDomainController;
constexpr unsigned kServer = velt::platform::kProductServer;

// One letter per OS test that answers true: 2000, XP, 2003, Vista, 7, 8 or later, Linux, Mac.
std::string OsAnswers() {
  std::string answers;
  const bool tests[] = {IsOs_WINNT_2000_Only(), IsOs_WINNT_XP_Only(), IsOs_WINNT_2K3_Only(),
                        IsOs_WIN_VISTA_Only(),  IsOs_WIN_7_Only(),    IsOs_WIN_8(),
                        IsOs_LINUX(),           IsOs_MAC()};
  for (size_t i = 0; i < sizeof tests; ++i) answers += tests[i] ? "0x3v78lm"[i] : '-';
  return answers;
}

TEST(OsVersion, WindowsReleasesProductTypesAndOsTests) {
  std::string host = velt::Narrow(helperUtil::getOSVersion());
#ifdef _WIN32
  EXPECT_EQ('-', OsAnswers()[6]);
  EXPECT_TRUE(std::regex_search(host, std::regex("^Windows "))) << host;
#else
  EXPECT_EQ("------l-", OsAnswers());
  EXPECT_TRUE(std::regex_search(host, std::regex("^Linux [0-9]+\\.[0-9]+"))) << host;
#endif
  FakeOsFacts os;
  const struct {
    unsigned major, minor, build, product;
    const wchar_t *servicePack, *version;
    const char* answers;
  } cases[] = {
      {5, 0, 2195, kServer, L"Service Pack 4", L"2000 5.0.2195 Service Pack 4", "0-------"},
      {5, 2, 3790, kWork, L"", L"NT 5.2 5.2.3790 ", "-x------"},  // XP x64
      {5, 2, 3790, kServer, L"", L"NT 5.2 5.2.3790 ", "--3-----"},
      {6, 1, 7601, kWork, L"Service Pack 1", L"7 6.1.7601 Service Pack 1", "----7---"},
      {6, 1, 7601, kDc, L"", L"NT 6.1 6.1.7601 ", "--------"},
      {10, 0, 22000, kWork, L"", L"11 10.0.22000 ", "-----8--"},
      {10, 0, 21999, kDc, L"", L"NT 10.0 10.0.21999 ", "-----8--"},
  };
  for (const auto& c : cases) {
    os.Windows(c.major, c.minor, c.build, c.product, c.servicePack);
    EXPECT_EQ(L"Windows " + std::wstring(c.version), helperUtil::getOSVersion());
    EXPECT_EQ(c.answers, OsAnswers()) << c.major << "." << c.minor << " product " << c.product;
  }
  os.facts.extendedAvailable = false;
  EXPECT_EQ(L"Windows (error) 10.0.21999 ", helperUtil::getOSVersion());
  os.versionReadable = false;
  EXPECT_EQ(L"Unknown: Unknown", helperUtil::getOSVersion());
}

TEST(SystemFacts, UserPrivilegeTimeAndRandomNumbers) {
  EXPECT_EQ(velt::test::IsPrivileged(), helperUtil::checkForAdminPrivilege());
  FakeOsFacts os;
  velt::test::ScopedLogCapture capture;
  os.userNameError = ENOENT;
  velt::test::ScopedEnv user("USER", "fallback-user");
  EXPECT_EQ(L"fallback-user", helperUtil::getOSUserName());
  EXPECT_TRUE(capture.Contains("helperUtil::getOSUserName") && capture.Contains("::GetUserName"));
  velt::test::SetEnvironment("USER", nullptr);
  EXPECT_EQ(L"", helperUtil::getOSUserName());
  // The time suffix of names, and random numbers.
  std::string suffix = velt::Narrow(helperUtil::getCurrentTime(TIME_REPRESENTATION_SUFFIX));
  EXPECT_TRUE(std::regex_match(suffix, std::regex("_[01][0-9][0-3][0-9]_[0-2][0-9][0-5][0-9]")));
  int n = helperUtil::generateRandomNumber();
  EXPECT_TRUE(n >= 0 && n < 100000) << n;
}

}  // namespace
