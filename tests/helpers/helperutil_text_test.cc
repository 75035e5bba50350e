#include <gtest/gtest.h>

#include <cmath>
#include <cwchar>
#include <limits>

#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"

namespace {

TEST(Wildcmp, StarsQuestionMarksAndCase) {
  const struct {
    const char *pattern, *text;
    int match;
  } cases[] = {
      {"*.log", "client.log", 1}, {"*.log", "client.LOG", 0}, {"a?c", "abc", 1},
      {"a?c", "ac", 0},           {"*", "", 1},               {"", "a", 0},
      {"a**", "a", 1},            {"?", "", 0},
      // Backtracking: the first "a"/"b" is not the one that lets the rest match.
      {"*ab", "aab", 1},          {"*a*b", "xaybzab", 1},     {"*a*b", "xaybzac", 0},
      // "." and "\" are ordinary characters.
      {"a.b", "aXb", 0},          {"a\\*", "a\\x", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.match, helperUtil::wildcmp(c.pattern, c.text)) << c.text;
  EXPECT_EQ(0, helperUtil::wildcmp(nullptr, "a") + helperUtil::wildcmp("a", nullptr));
}

TEST(SeparatorFunctions, PartsRunsEndsAndAbsentSeparators) {
  // first, last, all but first (kept / dropped), all but last (kept / dropped).
  const struct {
    const wchar_t *text, *separator, *first, *last, *exFirstKept, *exFirst, *exLastKept, *exLast;
  } cases[] = {
      {L"C:\\a\\b.log", L"\\", L"C:", L"b.log", L"\\a\\b.log", L"a\\b.log", L"C:\\a\\", L"C:\\a"},
      {L"x\\\\\\y\\z", L"\\", L"x", L"z", L"\\\\\\y\\z", L"y\\z", L"x\\\\\\y\\", L"x\\\\\\y"},
      {L"a..log", L".", L"a", L"log", L"..log", L"log", L"a..", L"a"},  // one, not the run
      {L".log", L".", L"", L"log", L".log", L"log", L".", L""},
      {L"dir\\", L"\\", L"dir", L"", L"\\", L"", L"dir\\", L"dir"},
      {L"a...", L".", L"a", L"", L"...", L"", L"a...", L"a"},
      {L"a::::b", L"::", L"a", L"b", L"::::b", L"b", L"a::::", L"a"},
      {L"abc", L".", L"abc", L"abc", L"abc", L"abc", L"abc", L"abc"},
      {L"abc", L"", L"abc", L"abc", L"abc", L"abc", L"abc", L"abc"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.first, helperUtil::getFirstPart(c.text, c.separator));
    EXPECT_EQ(c.last, helperUtil::getLastPart(c.text, c.separator));
    EXPECT_EQ(c.exFirstKept, helperUtil::getAllExFirstPart(c.text, c.separator, true));
    EXPECT_EQ(c.exFirst, helperUtil::getAllExFirstPart(c.text, c.separator, false));
    EXPECT_EQ(c.exLastKept, helperUtil::getAllExLastPart(c.text, c.separator, true));
    EXPECT_EQ(c.exLast, helperUtil::getAllExLastPart(c.text, c.separator, false));
  }
}

TEST(BundleNames, ComposeNameRulesAndPlainFileNames) {
  const struct {
    const wchar_t *given, *source, *expected;
  } cases[] = {
      {L"Setup.txt", L"agent.log", L"Setup__agent__log.txt"}, {L"", L"x.log", L"x.log"},
      {L"Setup", L"agent.log", L"Setup__agent__log.Setup"},   {L"", L".log", L"log"},
      {L".txt", L"agent.log", L".txt__agent__log"},           {L"Out.", L"x.log", L"Out__x.log"},
      {L".txt", L".log", L".txt__log__"},
      {L"a.b.txt", L"x.y.z", L"a.b__x.y__z.txt"},
      // Sources without a dot are their own base and extension.
      {L"Out.txt", L"README", L"Out__README__README.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, helperUtil::composeName(c.given, c.source));
  for (const wchar_t* plain : {L"a", L"..a", L"a b.txt", L"\u00e9t\u00e9", L"bad\xDCFF"}) {
    EXPECT_TRUE(helperUtil::isPlainFileName(plain));
  }
  for (const wchar_t* hostile : {L"", L".", L"..", L"../x", L"a/b", L"a\\b", L"a\nb", L"a\tb",
                                 L"\x7f", L"a\x85", L"/etc/passwd"}) {
    EXPECT_FALSE(helperUtil::isPlainFileName(hostile));
  }
}

TEST(TextEncoding, ValidTextConvertsAndInvalidBytesRoundTrip) {
  const struct {
    std::string narrow;
    std::wstring wide;
  } cases[] = {
      {"a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z", L"a\u00e9\u20ac\U0001F600z"},
      {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
      // Each byte outside a valid sequence becomes U+DC00 + the byte: a stray
      // byte, an overlong form, a cut or interrupted sequence, an encoded
      // surrogate, a value above U+10FFFF.
      {"a\xffz", L"a\xDCFFz"}, {"\xc0\xaf", L"\xDCC0\xDCAF"}, {"x\xe2\x82", L"x\xDCE2\xDC82"},
      {"\xe2\x82x", L"\xDCE2\xDC82x"}, {"\xed\xa0\x80", L"\xDCED\xDCA0\xDC80"},
      {"\xf4\x90\x80\x80", L"\xDCF4\xDC90\xDC80\xDC80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.wide, velt::Widen(c.narrow));
    EXPECT_EQ(c.narrow, velt::Narrow(c.wide));
  }
  // Other values UTF-8 cannot carry narrow to U+FFFD.
  // (A wide character above U+10FFFF exists only where wchar_t has 32 bits.)
  for (unsigned long bad : {0xD800UL, 0xDC7FUL, 0x110000UL}) {
    if (bad <= WCHAR_MAX) {
      EXPECT_EQ("\xef\xbf\xbd", velt::Narrow({static_cast<wchar_t>(bad)}));
    }
  }
}

TEST(Numbers, SizesWhiteSpaceNumToStrStrToDoubleAndPower) {
  const struct {
    double size;
    int precision;
    const wchar_t* expected;
  } cases[] = {
      {0, 2, L"0 bytes"},          {1023, 2, L"1023 bytes"},       {1023.6, 2, L"1024 bytes"},
      {1024, 2, L"1.00K"},         {1024, 0, L"1K"},               {1536, 2, L"1.50K"},
      {1048575.9, 2, L"1024.00K"}, {1048576, 2, L"1.00M"}, {std::pow(1024.0, 8), 2, L"1.00Y"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, helperUtil::SizeToStr(c.size, c.precision));
  // Past the last unit the size is written in bytes of the largest divisor.
  double infinite = std::numeric_limits<double>::infinity();
  EXPECT_NE(std::wstring::npos, helperUtil::SizeToStr(infinite, 0).find(L" bytes"));
  EXPECT_EQ(L"\na", helperUtil::removeLeadingWhiteSpace(L" \t \na"));  // spaces and tabs only
  EXPECT_EQ(L"", helperUtil::removeLeadingWhiteSpace(L" \t "));
  EXPECT_EQ(L"0.333", helperUtil::NumToStr(1.0f / 3.0f, 3));
  // StrToDouble goes through a 32-bit integer: truncated and clamped.
  const struct {
    const wchar_t* text;
    double value;
  } numbers[] = {{L"2.5", 2}, {L"  -42abc", -42}, {L"abc", 0},
                 {L"99999999999", 2147483647.0}, {L"-99999999999", -2147483648.0}};
  for (const auto& n : numbers) EXPECT_EQ(n.value, helperUtil::StrToDouble(n.text));
  EXPECT_EQ(L"Unknown", helperUtil::mapTruncTypeToName(static_cast<TruncType>(7)));
}

}  // namespace
