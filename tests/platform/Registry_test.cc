#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

using velt::platform::RegistryKey;
using velt::test::ScopedEnv;
using velt::test::TempDir;

// The text as the registry editor exports it: UTF-16LE with a byte-order mark.
std::string Utf16(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST(RegistryFile, PathFromTheEnvironmentElseTheBuildDefault) {
  {
    ScopedEnv file("VELT_REGISTRY_FILE", "/somewhere/registry.reg");
    EXPECT_EQ("/somewhere/registry.reg", velt::platform::RegistryFilePath());
  }
  ScopedEnv unset("VELT_REGISTRY_FILE", nullptr);
  std::string fallback = velt::platform::RegistryFilePath();
  const std::string tail = "/velt/registry.reg";
  ASSERT_GT(fallback.size(), tail.size());
  EXPECT_EQ(tail, fallback.substr(fallback.size() - tail.size()));
}

TEST(RegistryFile, Utf16ExportWithCommentsDefaultValuesAndSeveralKeys) {
  TempDir dir;
  std::string path = dir.WriteFile(
      "r.reg", Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
                     u"; a comment\r\n"
                     u"[HKEY_LOCAL_MACHINE\\Software\\One]\r\n"
                     u"@=\"default\"\r\n"
                     u"\"Name\"=\"first \u00e9\"\r\n\r\n"
                     u"[HKEY_LOCAL_MACHINE\\Software\\One\\Two]\r\n"
                     u"\"Name\"=\"second\"\r\n"
                     u"\"Gone\"=-\r\n"));
  ScopedEnv file("VELT_REGISTRY_FILE", path.c_str());
  RegistryKey key;
  ASSERT_EQ(0, key.Open("HKEY_LOCAL_MACHINE", "Software\\One"));
  std::wstring value;
  EXPECT_EQ(0, key.QueryStringValue("Name", 260, value));
  EXPECT_EQ(L"first \u00e9", value);
  EXPECT_EQ(0, key.QueryStringValue("", 260, value));
  EXPECT_EQ(L"default", value);
  ASSERT_EQ(0, key.Open("HKEY_LOCAL_MACHINE", "Software\\One\\Two"));
  EXPECT_EQ(0, key.QueryStringValue("name", 260, value));
  EXPECT_EQ(L"second", value);
  EXPECT_EQ(ENOENT, key.QueryStringValue("Gone", 260, value));
  EXPECT_EQ(ENOENT, key.Open("HKEY_LOCAL_MACHINE", "Software\\Three"));
  EXPECT_EQ(ENOENT, key.Open("HKEY_CURRENT_USER", "Software\\One"));
}

TEST(RegistryFile, LengthLimitCountsTheTerminatingNul) {
  TempDir dir;
  std::string path = dir.WriteFile("r.reg",
                                   "Windows Registry Editor Version 5.00\n[HKEY_USERS\\K]\n"
                                   "\"Four\"=\"abcd\"\n\"Empty\"=hex(2):\n");
  ScopedEnv file("VELT_REGISTRY_FILE", path.c_str());
  RegistryKey key;
  ASSERT_EQ(0, key.Open("HKEY_USERS", "K"));
  std::wstring value;
  EXPECT_EQ(0, key.QueryStringValue("Four", 5, value));
  EXPECT_EQ(EOVERFLOW, key.QueryStringValue("Four", 4, value));
  EXPECT_EQ(0, key.QueryStringValue("Empty", 5, value));
  EXPECT_EQ(L"", value);
}

}  // namespace
