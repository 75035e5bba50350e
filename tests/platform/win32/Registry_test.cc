// The system's registry as the engine reads it: values imported from a
// registry export (UTF-16, as the registry editor writes it) by the
// system's own reg.exe, under a key of the current user that the test
// removes again.
#include "platform/Registry.h"
#include "velt/platform/TextEncoding.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using velt::platform::RegistryKey;

class Registry : public testing::Test {
 protected:
  void SetUp() override {
    m_key = L"Software\\VeltRegistryTest" + std::to_wstring(GetCurrentProcessId());
    const std::wstring key = L"[HKEY_CURRENT_USER\\" + m_key + L"\\A\\B]\r\n";
    const std::wstring text =
        L"Windows Registry Editor Version 5.00\r\n\r\n" + key +
        L"@=\"default\"\r\n"
        L"\"Val\"=\"C:\\\\a\"\r\n"
        L"\"Quoted\"=\"say \\\"hi\\\" \u00e9\"\r\n"
        // "%TEMP%\a", REG_EXPAND_SZ
        L"\"Expandable\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,61,00,00,00\r\n"
        L"\"Version\"=dword:00000005\r\n"
        L"\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
        L"\"Exact\"=\"" + std::wstring(259, L'E') + L"\"\r\n"
        L"\"Long\"=\"" + std::wstring(260, L'L') + L"\"\r\n";
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("velt-registry-" + std::to_string(GetCurrentProcessId()) + ".reg");
    {
      std::ofstream out(file, std::ios::binary);
      out.write("\xFF\xFE", 2);
      out.write(reinterpret_cast<const char*>(text.data()),
                static_cast<std::streamsize>(text.size() * sizeof(wchar_t)));
    }
    const std::wstring command = L"reg import \"" + file.wstring() + L"\" >NUL 2>&1";
    ASSERT_EQ(0, _wsystem(command.c_str())) << file.string();
    std::filesystem::remove(file);
    // Strings without their NUL, set directly: reg.exe adds one, and so
    // does RegSetValueExW when a NUL follows the data.
    HKEY values = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, (m_key + L"\\A\\B").c_str(), 0,
                                           KEY_SET_VALUE, &values));
    const BYTE bytes[] = {'A', 0, 'B', 0};
    RegSetValueExW(values, L"Unterminated", 0, REG_SZ, bytes, 2);
    RegSetValueExW(values, L"Odd", 0, REG_SZ, bytes, 3);
    RegCloseKey(values);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, m_key.c_str()); }

  std::wstring m_key;
};

TEST_F(Registry, ReadsStringValuesAndRefusesTheRest) {
  RegistryKey key;
  // Hive and key names are matched without regard to case; a trailing
  // separator names the same key.
  ASSERT_EQ(0, key.Open("hkey_current_user", velt::Narrow(m_key) + "\\a\\B\\"));
  const struct {
    const char* name;
    int error;
    std::wstring value;
  } cases[] = {
      {"", 0, L"default"},
      {"VAL", 0, L"C:\\a"},
      {"Quoted", 0, L"say \"hi\" \u00e9"},
      // Expandable strings come back as stored.
      {"Expandable", 0, L"%TEMP%\\a"},
      {"Exact", 0, std::wstring(259, L'E')},
      {"Long", EOVERFLOW, L""},
      {"Gone", ENOENT, L""},
      {"Version", velt::platform::kRegistryErrorInvalidData, L""},
      {"Multi", velt::platform::kRegistryErrorInvalidData, L""},
      {"Unterminated", velt::platform::kRegistryErrorInvalidData, L""},
      {"Odd", velt::platform::kRegistryErrorInvalidData, L""},  // half a character
  };
  for (const auto& c : cases) {
    std::wstring value = L"stale";
    EXPECT_EQ(c.error, key.QueryStringValue(c.name, 260, value)) << c.name;
    EXPECT_EQ(c.value, value) << c.name;
  }
  for (const auto& missing : {std::make_pair("HKEY_CURRENT_USER", m_key + L"\\Nope"),
                              std::make_pair("HKCU", m_key + L"\\A\\B"),
                              std::make_pair("HKEY_LOCAL_MACHINE", m_key + L"\\A\\B")}) {
    EXPECT_EQ(ENOENT, key.Open(missing.first, velt::Narrow(missing.second))) << missing.first;
    std::wstring value;
    EXPECT_EQ(EBADF, key.QueryStringValue("Val", 260, value));
  }
}

}  // namespace
