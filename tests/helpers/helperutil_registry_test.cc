#include <gtest/gtest.h>

#include <memory>

#include "support/CapturingLogger.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"

namespace {

using velt::test::ScopedEnv;
using velt::test::ScopedLogCapture;
using velt::test::TempDir;

const char kExport[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Vantrel\\Vantrel Orvalink Velt]\r\n"
    "\"InstallPathWithSlash\"=\"%VELT_TEST_ROOT%\\\\velt\\\\\"\r\n"
    "\"Version\"=dword:00000005\r\n"
    "\"Expandable\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,61,00,00,00\r\n"
    "\"Unterminated\"=hex(2):41,00,42,00\r\n"
    "\"Odd\"=hex(1):41,00,42\r\n"
    "\"Quoted\"=\"say \\\"hi\\\"\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\A\\B]\r\n"
    "\"Val\"=\"C:\\\\a\"\r\n"
    "\"Long\"=\"LONGVALUE\"\r\n"
    "\"Exact\"=\"EXACTVALUE\"\r\n"
    "\"Wrapped\"=hex(2):41,00,42,00,\\\r\n"
    "  43,00,00,00\r\n";

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string text = kExport;
    // 259 characters plus the NUL fit the 260-character buffer; 260 do not.
    text.replace(text.find("LONGVALUE"), 9, std::string(260, 'L'));
    text.replace(text.find("EXACTVALUE"), 10, std::string(259, 'E'));
    path_ = dir_.WriteFile("registry.reg", text);
    file_ = std::make_unique<ScopedEnv>("VELT_REGISTRY_FILE", path_.c_str());
  }

  // Whether `fragment` was logged since the last call; forgets the log.
  bool TakeLogged(const char* fragment) {
    bool found = capture_.Contains(fragment);
    capture_.logger().Clear();
    return found;
  }

  TempDir dir_;
  std::string path_;
  std::unique_ptr<ScopedEnv> file_;
  ScopedLogCapture capture_;
};

TEST_F(Registry, StringValuesOfTheRegistryPathForm) {
  EXPECT_EQ(L"C:\\a", helperUtil::getPathFromRegistry(L"HKEY_LOCAL_MACHINE\\Software\\A\\B\\Val"));
  // Key and value names are matched without regard to case.
  EXPECT_EQ(L"C:\\a", helperUtil::getPathFromRegistry(L"HKEY_LOCAL_MACHINE\\software\\a\\b\\VAL"));
  EXPECT_EQ(L"say \"hi\"",
            helperUtil::getPathFromRegistry(
                L"HKEY_LOCAL_MACHINE\\Software\\Vantrel\\Vantrel Orvalink Velt\\Quoted"));
  // Expandable strings come back as stored, their pairs not expanded.
  EXPECT_EQ(L"%TEMP%\\a", helperUtil::getPathFromRegistry(HKEY_LOCAL_MACHINE,
                                                           L"Software\\Vantrel\\Vantrel Orvalink Velt",
                                                           L"Expandable"));
  EXPECT_EQ(L"ABC", helperUtil::getPathFromRegistry(HKEY_LOCAL_MACHINE, L"Software\\A\\B",
                                                     L"Wrapped"));
  EXPECT_EQ(std::wstring(259, L'E'),
            helperUtil::getPathFromRegistry(HKEY_LOCAL_MACHINE, L"Software\\A\\B", L"Exact"));
  EXPECT_FALSE(capture_.Contains("CRegKey"));
}

TEST_F(Registry, OpenFailures) {
  // An abbreviated hive, a missing key, another hive, no registry file.
  EXPECT_EQ(L"", helperUtil::getPathFromRegistry(L"HKLM\\Software\\A\\B\\Val"));
  EXPECT_TRUE(capture_.Contains("helperUtil::getPathFromRegistry"));
  EXPECT_TRUE(TakeLogged("CRegKey::Open"));
  EXPECT_EQ(L"", helperUtil::getPathFromRegistry(L"HKEY_LOCAL_MACHINE\\Software\\Nope\\Val"));
  EXPECT_TRUE(TakeLogged("CRegKey::Open"));
  EXPECT_EQ(L"", helperUtil::getPathFromRegistry(HKEY_CURRENT_USER, L"Software\\A\\B", L"Val"));
  EXPECT_TRUE(TakeLogged("CRegKey::Open"));
  ScopedEnv missing("VELT_REGISTRY_FILE", (dir_.path() + "/none.reg").c_str());
  EXPECT_EQ(L"", helperUtil::getPathFromRegistry(HKEY_LOCAL_MACHINE, L"Software\\A\\B", L"Val"));
  EXPECT_TRUE(TakeLogged("CRegKey::Open"));
}

TEST_F(Registry, ValueFailuresAreLoggedWithTheirErrors) {
  const std::wstring key = L"Software\\Vantrel\\Vantrel Orvalink Velt";
  struct Case {
    const wchar_t* value;
    const char* code;
  } cases[] = {
      {L"Missing", "Return Code: 2 "},
      {L"Version", "Return Code: 13 "},       // a DWORD
      {L"Unterminated", "Return Code: 13 "},  // no NUL at the end
      {L"Odd", "Return Code: 13 "},           // half a character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(L"", helperUtil::getPathFromRegistry(HKEY_LOCAL_MACHINE, key.c_str(), c.value));
    EXPECT_TRUE(capture_.Contains("CRegKey::QueryStringValue")) << velt::Narrow(c.value);
    EXPECT_TRUE(TakeLogged(c.code)) << velt::Narrow(c.value);
  }
  EXPECT_EQ(L"", helperUtil::getPathFromRegistry(HKEY_LOCAL_MACHINE, L"Software\\A\\B", L"Long"));
  EXPECT_TRUE(capture_.Contains("CRegKey::QueryStringValue"));
}

TEST_F(Registry, MapHkeysTakesOnlyExactNames) {
  EXPECT_EQ(HKEY_LOCAL_MACHINE, helperUtil::mapHKEYS(L"HKEY_LOCAL_MACHINE"));
  EXPECT_EQ(HKEY_CURRENT_CONFIG, helperUtil::mapHKEYS(L"HKEY_CURRENT_CONFIG"));
  for (const wchar_t* name : {L"HKLM", L"hkey_local_machine", L"HKEY_LOCAL_MACHINE "}) {
    EXPECT_EQ(nullptr, helperUtil::mapHKEYS(name));
  }
}

TEST_F(Registry, InstallAndConfigurationFolders) {
  ScopedEnv root("VELT_TEST_ROOT", "/opt/test");
  EXPECT_EQ(L"/opt/test/velt/", helperUtil::FindInstallPath());
  EXPECT_EQ(L"/opt/test/velt/xml/config/", helperUtil::getConfigPath(L""));
  ScopedEnv missing("VELT_REGISTRY_FILE", (dir_.path() + "/none.reg").c_str());
  EXPECT_EQ(L"", helperUtil::FindInstallPath());
}

}  // namespace
