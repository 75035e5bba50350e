// Paths as the POSIX layer makes them of Windows names: the legacy data
// folders of XP and Server 2003, the XDG folders, the working folder, and
// the registry as an exported file (VELT_REGISTRY_FILE).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "support/CapturingLogger.h"
#include "support/FakeOsFacts.h"
#include "support/ScopedEnv.h"
#include "support/ScopedWorkingDirectory.h"
#include "support/TempDir.h"
#include "velt/helpers/KnownFolders.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"

namespace {

using velt::Widen;
using velt::test::ScopedEnv;
using velt::test::TempDir;

TEST(TranslatePath, LegacyDataFoldersMoveOnlyOnXpAndServer2003) {
  ScopedEnv unsetVariable("VELT_UNSET_VAR", nullptr);
  velt::test::ScopedLogCapture capture;
  TempDir dir;
  const std::string all = "Documents and Settings/All Users/Application Data";
  const std::string mine = "Documents and Settings/u/Local Settings/Application Data";
  std::wstring common = Widen(dir.WriteFile(all + "/Vantrel/Log/x.txt", ""));
  std::wstring local = Widen(dir.WriteFile(mine + "/Vantrel/x", ""));
  EXPECT_EQ(common, helperUtil::translatePath(common));  // this host: never changed
  velt::test::FakeOsFacts os;
  os.Windows(5, 1, 2600, velt::platform::kProductWorkstation);
  EXPECT_EQ(L"/var/lib/Vantrel/Log/x.txt", helperUtil::translatePath(common));
  // A path with a variable that cannot be expanded stays as stage 1 left it.
  std::wstring unset = Widen(dir.path() + "/" + all + "/Vantrel/%VELT_UNSET_VAR%/x.txt");
  EXPECT_EQ(unset, helperUtil::translatePath(unset));
  ScopedEnv dataHome("XDG_DATA_HOME", "/home/u/.local/share");
  os.Windows(5, 2, 3790, velt::platform::kProductServer);
  EXPECT_EQ(L"/home/u/.local/share/Vantrel/x", helperUtil::translatePath(local));
  // The head must exist and "Application Data" must be in the path.
  for (std::wstring keep : {std::wstring(L"/no/such/place/Application Data/Vantrel/x"),
                            Widen(dir.path() + "/Vantrel/x")}) {
    EXPECT_EQ(keep, helperUtil::translatePath(keep));
  }
}

TEST(Environment, VariablesWorkingDirectoryAndKnownFolders) {
  TempDir dir;
  ScopedEnv value("VELT_VALUE", "v"), profile("USERPROFILE", nullptr);
  ScopedEnv home("HOME", dir.path().c_str()), config("XDG_CONFIG_HOME", nullptr);
  ScopedEnv data("XDG_DATA_HOME", "relative/is/ignored");
  EXPECT_EQ(L"v", helperUtil::getEnvVarValue(L"%VELT_VALUE%"));
  EXPECT_EQ(L"", helperUtil::getEnvVarValue(L"%") + helperUtil::getEnvVarValue(L"velt_value"));
  EXPECT_EQ(Widen(dir.path()), helperUtil::getEnvVarValue(L"USERPROFILE"));
  std::wstring cwd = helperUtil::getCurrentWorkingDirectory();
  std::wstring base = cwd == L"/" ? cwd : cwd + L"/";
  for (const wchar_t* name : {L".\\a.txt", L"a.txt"}) {
    EXPECT_EQ(base + L"a.txt", helperUtil::fillInCWD(name));
  }
  EXPECT_EQ(base, helperUtil::fillInCWD(L""));
  EXPECT_EQ(L"sub/a.txt", helperUtil::fillInCWD(L"sub\\a.txt"));
  EXPECT_EQ(L"/abs/a.txt", helperUtil::fillInCWD(L"/abs/a.txt"));
  // Deeper than the first buffer holds.
  std::string deep = dir.path();
  for (int i = 0; i < 12; ++i) deep += "/" + std::string(60, static_cast<char>('a' + i));
  dir.WriteFile(deep.substr(dir.path().size() + 1) + "/f", "");
  std::wstring deepCwd;
  {
    velt::test::ScopedWorkingDirectory inDeep(deep);
    deepCwd = helperUtil::getCurrentWorkingDirectory();
  }
  EXPECT_EQ(Widen(deep), deepCwd);

  EXPECT_EQ(Widen(dir.path() + "/Desktop/"), helperUtil::GetDesktopPath());
  dir.WriteFile(".config/user-dirs.dirs",
                "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
  std::wstring desktop;
  EXPECT_EQ(0, helperUtil::GetPlatformDesktopPath(desktop));
  EXPECT_EQ(Widen(dir.path() + "/Schreibtisch/"), desktop);
  EXPECT_EQ(Widen(dir.path() + "/.local/share"), GetCSIDLPath(28));
  velt::test::ScopedLogCapture capture;
  EXPECT_EQ(L"", GetCSIDLPath(9999));
  EXPECT_TRUE(capture.Contains("CSIDL value = 9999"));
  // A FIFO where the user's folder list belongs is not waited for.
  ASSERT_EQ(0, unlink(dir.Path(".config/user-dirs.dirs").c_str()));
  ASSERT_EQ(0, mkfifo(dir.Path(".config/user-dirs.dirs").c_str(), 0600));
  EXPECT_EQ(Widen(dir.path() + "/Desktop/"), helperUtil::GetDesktopPath());
}

const char kExport[] =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "; a comment\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Vantrel\\Vantrel Orvalink Velt]\r\n"
    "\"InstallPathWithSlash\"=\"%VELT_TEST_ROOT%\\\\velt\\\\\"\r\n"
    "\"Version\"=dword:00000005\r\n"
    "\"Expandable\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,61,00,00,00\r\n"
    "\"Odd\"=hex(1):41,00,42\r\n"
    "\"Quoted\"=\"say \\\"hi\\\" \xc3\xa9\"\r\n"
    "@=\"default\"\r\n"
    "\"Gone\"=-\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\A\\B]\r\n"
    "\"Val\"=\"C:\\\\a\"\r\n"
    "\"Wrapped\"=hex(2):41,00,42,00,\\\r\n"
    "  43,00,00,00\r\n";

// The text as the registry editor exports it: UTF-16LE with a byte-order mark.
std::string Utf16(const std::string& utf8) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : velt::Widen(utf8)) {
    bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  }
  return bytes;
}

TEST(Registry, StringValuesInstallFolderAndEveryWayOfFailing) {
  velt::test::TempDir dir;
  std::string text = std::string(kExport) + "\"Exact\"=\"" + std::string(259, 'E') + "\"\r\n" +
                     "\"Long\"=\"" + std::string(260, 'L') + "\"\r\n";
  for (const std::string& bytes : {text, Utf16(text)}) {
    ScopedEnv file("VELT_REGISTRY_FILE", dir.WriteFile("r.reg", bytes).c_str());
    const std::wstring velt = L"HKEY_LOCAL_MACHINE\\Software\\Vantrel\\Vantrel Orvalink Velt\\";
    const struct {
      std::wstring path, value;
      const char* logged;  // the failed call and its error; empty on success
    } cases[] = {
        {L"HKEY_LOCAL_MACHINE\\Software\\A\\B\\Val", L"C:\\a", ""},
        // Key and value names are matched without regard to case.
        {L"HKEY_LOCAL_MACHINE\\software\\a\\b\\VAL", L"C:\\a", ""},
        {velt + L"Quoted", L"say \"hi\" \u00e9", ""},
        {velt, L"default", ""},
        // Expandable strings come back as stored, their pairs not expanded.
        {velt + L"Expandable", L"%TEMP%\\a", ""},
        {L"HKEY_LOCAL_MACHINE\\Software\\A\\B\\Wrapped", L"ABC", ""},
        {L"HKEY_LOCAL_MACHINE\\Software\\A\\B\\Exact", std::wstring(259, L'E'), ""},
        {L"HKEY_LOCAL_MACHINE\\Software\\A\\B\\Long", L"", "CRegKey::QueryStringValue"},
        {velt + L"Gone", L"", "QueryStringValue\nReturn Code: 2 "},
        {velt + L"Version", L"", "QueryStringValue\nReturn Code: 13 "},
        {velt + L"Odd", L"", "QueryStringValue\nReturn Code: 13 "},  // half a character
        // An abbreviated hive, a missing key, another hive.
        {L"HKLM\\Software\\A\\B\\Val", L"", "CRegKey::Open"},
        {L"HKEY_LOCAL_MACHINE\\Software\\Nope\\Val", L"", "CRegKey::Open"},
        {L"HKEY_CURRENT_USER\\Software\\A\\B\\Val", L"", "CRegKey::Open"},
    };
    for (const auto& c : cases) {
      velt::test::ScopedLogCapture capture;
      EXPECT_EQ(c.value, helperUtil::getPathFromRegistry(c.path)) << velt::Narrow(c.path);
      EXPECT_EQ(*c.logged != 0, capture.Contains("helperUtil::getPathFromRegistry"));
      EXPECT_TRUE(!*c.logged || capture.Contains(c.logged)) << c.logged;
    }
    EXPECT_EQ(L"", helperUtil::getPathFromRegistry(nullptr, L"Software\\A\\B", L"Wrapped"));
  }
  ScopedEnv file("VELT_REGISTRY_FILE", dir.WriteFile("r.reg", kExport).c_str());
  ScopedEnv root("VELT_TEST_ROOT", "/opt/test");
  EXPECT_EQ(L"/opt/test/velt/", helperUtil::FindInstallPath());
  EXPECT_EQ(L"/opt/test/velt/xml/config/", helperUtil::getConfigPath(L""));
  EXPECT_EQ(HKEY_CURRENT_CONFIG, helperUtil::mapHKEYS(L"HKEY_CURRENT_CONFIG"));
  EXPECT_EQ(nullptr, helperUtil::mapHKEYS(L"hkey_local_machine"));
  // Missing, a FIFO (not waited for), a folder.
  ASSERT_EQ(0, mkfifo(dir.Path("fifo").c_str(), 0600));
  velt::test::ScopedLogCapture capture;
  for (const char* name : {"none.reg", "fifo", ""}) {
    ScopedEnv other("VELT_REGISTRY_FILE", dir.Path(name).c_str());
    EXPECT_EQ(L"", helperUtil::FindInstallPath()) << name;
  }
  EXPECT_TRUE(capture.Contains("CRegKey::Open"));
}

}  // namespace
