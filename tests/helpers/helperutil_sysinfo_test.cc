#include <gtest/gtest.h>

#include <unistd.h>

#include <regex>

#include "support/CapturingLogger.h"
#include "support/FakeOsFacts.h"
#include "support/ScopedEnv.h"
#include "velt/helpers/OsTests.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"

namespace {

using velt::test::FakeOsFacts;
using velt::test::ScopedLogCapture;

constexpr unsigned kWorkstation = velt::platform::kProductWorkstation;
constexpr unsigned kDomainController = velt::platform::kProductDomainController;
constexpr unsigned kServer = velt::platform::kProductServer;

TEST(GetOSVersion, WindowsReleaseTable) {
  FakeOsFacts os;
  struct Case {
    unsigned major, minor, build, product;
    const wchar_t* servicePack;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {5, 0, 2195, kWorkstation, L"Service Pack 4", L"Windows 2000 5.0.2195 Service Pack 4"},
      {5, 1, 2600, kWorkstation, L"Service Pack 3", L"Windows XP 5.1.2600 Service Pack 3"},
      {5, 2, 3790, kServer, L"", L"Windows NT 5.2 5.2.3790 "},
      {6, 0, 6002, kWorkstation, L"", L"Windows Vista 6.0.6002 "},
      {6, 1, 7601, kWorkstation, L"Service Pack 1", L"Windows 7 6.1.7601 Service Pack 1"},
      {6, 1, 7601, kServer, L"", L"Windows 7 6.1.7601 "},  // bit 0 also holds for servers
      {6, 1, 7601, kDomainController, L"", L"Windows NT 6.1 6.1.7601 "},
      {6, 2, 9200, kWorkstation, L"", L"Windows 8 6.2.9200 "},
      {6, 3, 9600, kWorkstation, L"", L"Windows 8.1 6.3.9600 "},
      {6, 4, 9800, kWorkstation, L"", L"Windows NT 6.4 6.4.9800 "},
      {10, 0, 19045, kWorkstation, L"", L"Windows 10 10.0.19045 "},
      {10, 0, 22000, kWorkstation, L"", L"Windows 11 10.0.22000 "},
      {10, 0, 17763, kDomainController, L"", L"Windows NT 10.0 10.0.17763 "},
      {10, 1, 1, kWorkstation, L"", L"Windows NT 10.1 10.1.1 "},
      {4, 0, 1381, kWorkstation, L"", L"Windows NT 4.0 4.0.1381 "},
  };
  for (const Case& c : cases) {
    os.Windows(c.major, c.minor, c.build, c.product, c.servicePack);
    EXPECT_EQ(c.expected, helperUtil::getOSVersion()) << c.major << "." << c.minor;
  }
  os.facts.extendedAvailable = false;
  EXPECT_EQ(L"Windows (error) 4.0.1381 ", helperUtil::getOSVersion());
  os.versionReadable = false;
  EXPECT_EQ(L"Unknown: Unknown", helperUtil::getOSVersion());
}

TEST(GetOSVersion, LinuxNamesKernelAndDistribution) {
  std::string text = velt::Narrow(helperUtil::getOSVersion());
  EXPECT_TRUE(std::regex_search(text, std::regex("^Linux [0-9]+\\.[0-9]+"))) << text;

  FakeOsFacts os;
  os.facts.kind = velt::platform::OsKind::kLinux;
  os.facts.release = "6.1.0-13-amd64";
  os.facts.distribution = "Debian GNU/Linux 12 (bookworm)";
  EXPECT_EQ(L"Linux 6.1.0-13-amd64 Debian GNU/Linux 12 (bookworm)", helperUtil::getOSVersion());
  os.facts.distribution.clear();
  EXPECT_EQ(L"Linux 6.1.0-13-amd64", helperUtil::getOSVersion());
}

// One letter per OS test that answers true: 2000, XP, 2003, Vista, 7, 8 or later, Linux, Mac.
std::string OsAnswers() {
  std::string answers;
  const bool tests[] = {IsOs_WINNT_2000_Only(), IsOs_WINNT_XP_Only(), IsOs_WINNT_2K3_Only(),
                        IsOs_WIN_VISTA_Only(),  IsOs_WIN_7_Only(),    IsOs_WIN_8(),
                        IsOs_LINUX(),           IsOs_MAC()};
  for (size_t i = 0; i < sizeof tests; ++i) answers += tests[i] ? "0x3v78lm"[i] : '-';
  return answers;
}

TEST(OsTests, LinuxHostThenWindowsReleasesAndProductTypes) {
  EXPECT_EQ("------l-", OsAnswers());
  FakeOsFacts os;
  const struct {
    unsigned major, minor, build, product;
    const char* answers;
  } cases[] = {
      {5, 0, 2195, kServer, "0-------"},      {5, 1, 2600, kWorkstation, "-x------"},
      {5, 2, 3790, kWorkstation, "-x------"}, {5, 2, 3790, kServer, "--3-----"},  // XP x64
      {6, 0, 6002, kWorkstation, "---v----"}, {6, 0, 6002, kServer, "--------"},
      {6, 1, 7601, kWorkstation, "----7---"}, {6, 2, 9200, kServer, "-----8--"},
      {10, 0, 19045, kWorkstation, "-----8--"},
  };
  for (const auto& c : cases) {
    os.Windows(c.major, c.minor, c.build, c.product);
    EXPECT_EQ(c.answers, OsAnswers()) << c.major << "." << c.minor << " product " << c.product;
  }
}

TEST(UserAndPrivilege, EffectiveUserElseUserVariableAndEffectiveRoot) {
  EXPECT_FALSE(helperUtil::getOSUserName().empty());
  EXPECT_EQ(geteuid() == 0, helperUtil::checkForAdminPrivilege());
  FakeOsFacts os;
  os.userName = L"alice";
  EXPECT_EQ(L"alice", helperUtil::getOSUserName());
  os.elevated = true;
  EXPECT_TRUE(helperUtil::checkForAdminPrivilege());

  ScopedLogCapture capture;
  os.userNameError = ENOENT;
  velt::test::ScopedEnv user("USER", "fallback-user");
  EXPECT_EQ(L"fallback-user", helperUtil::getOSUserName());
  EXPECT_TRUE(capture.Contains("::GetUserName"));
  EXPECT_TRUE(capture.Contains("helperUtil::getOSUserName"));
  unsetenv("USER");
  EXPECT_EQ(L"", helperUtil::getOSUserName());
}

TEST(GetCurrentTime, ThreeForms) {
  std::string suffix = velt::Narrow(helperUtil::getCurrentTime(TIME_REPRESENTATION_SUFFIX));
  EXPECT_TRUE(std::regex_match(suffix, std::regex("_(0[1-9]|1[0-2])[0-3][0-9]_[0-2][0-9][0-5][0-9]")))
      << suffix;
  std::string asc = velt::Narrow(helperUtil::getCurrentTime(TIME_REPRESENTATION_ASCTIME));
  EXPECT_TRUE(std::regex_match(
      asc, std::regex("[A-Z][a-z]{2} [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n")))
      << asc;
  std::wstring locale = helperUtil::getCurrentTime(TIME_REPRESENTATION_LOCALE);
  EXPECT_FALSE(locale.empty());
  EXPECT_LE(locale.size(), 64u);
  EXPECT_EQ(locale.substr(0, 3), helperUtil::getCurrentTime(static_cast<TIME_REPRESENTATION>(9))
                                     .substr(0, 3));
}

TEST(GenerateRandomNumber, StaysInRange) {
  for (int i = 0; i < 20; ++i) {
    int n = helperUtil::generateRandomNumber();
    EXPECT_TRUE(n >= 0 && n < 100000) << n;
  }
}

}  // namespace
