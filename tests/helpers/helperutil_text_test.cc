#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "velt/helpers/helperUtil.h"

namespace {

TEST(Wildcmp, StarsQuestionMarksAndCase) {
  const struct {
    const char* pattern;
    const char* text;
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
  for (const auto& c : cases) {
    EXPECT_EQ(c.match, helperUtil::wildcmp(c.pattern, c.text)) << c.pattern << " ~ " << c.text;
  }
  EXPECT_EQ(0, helperUtil::wildcmp(nullptr, "a"));
  EXPECT_EQ(0, helperUtil::wildcmp("a", nullptr));
}

TEST(SeparatorFunctions, PartsRunsEndsAndAbsentSeparators) {
  const std::wstring path = L"C:\\a\\b.log";
  EXPECT_EQ(L"C:", helperUtil::getFirstPart(path, L"\\"));
  EXPECT_EQ(L"b.log", helperUtil::getLastPart(path, L"\\"));
  EXPECT_EQ(L"C:\\a\\", helperUtil::getAllExLastPart(path, L"\\", true));
  EXPECT_EQ(L"C:\\a", helperUtil::getAllExLastPart(path, L"\\", false));
  EXPECT_EQ(L"\\a\\b.log", helperUtil::getAllExFirstPart(path, L"\\", true));
  EXPECT_EQ(L"a\\b.log", helperUtil::getAllExFirstPart(path, L"\\", false));
  EXPECT_EQ(L"y\\z", helperUtil::getAllExFirstPart(L"x\\\\\\y\\z", L"\\", false));
  EXPECT_EQ(L"a", helperUtil::getAllExLastPart(L"a..log", L".", false));
  EXPECT_EQ(L"a..", helperUtil::getAllExLastPart(L"a..log", L".", true));  // one, not the run
  EXPECT_EQ(L"", helperUtil::getAllExLastPart(L".log", L".", false));
  EXPECT_EQ(L"", helperUtil::getLastPart(L"dir\\", L"\\"));
  EXPECT_EQ(L"", helperUtil::getAllExFirstPart(L"a...", L".", false));
  for (const wchar_t* sep : {L".", L"::", L""}) {
    EXPECT_EQ(L"abc", helperUtil::getFirstPart(L"abc", sep));
    EXPECT_EQ(L"abc", helperUtil::getLastPart(L"abc", sep));
    EXPECT_EQ(L"abc", helperUtil::getAllExFirstPart(L"abc", sep, false));
    EXPECT_EQ(L"abc", helperUtil::getAllExLastPart(L"abc", sep, false));
  }
  EXPECT_EQ(L"b", helperUtil::getAllExFirstPart(L"a::::b", L"::", false));
  EXPECT_EQ(L"a", helperUtil::getAllExLastPart(L"a::::b", L"::", false));
}

TEST(ComposeName, EveryRuleOfTheTable) {
  const struct {
    const wchar_t *destination, *source, *expected;
  } cases[] = {
      {L"Setup.txt", L"agent.log", L"Setup__agent__log.txt"},
      {L"Setup", L"agent.log", L"Setup__agent__log.Setup"},
      {L"", L"x.log", L"x.log"},
      {L"", L".log", L"log"},
      {L"Out.", L"x.log", L"Out__x.log"},
      {L".txt", L"agent.log", L".txt__agent__log"},
      {L".txt", L".log", L".txt__log__"},
      // Sources without a dot are their own base and extension.
      {L"Out.txt", L"README", L"Out__README__README.txt"},
      {L"a.b.txt", L"x.y.z", L"a.b__x.y__z.txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, helperUtil::composeName(c.destination, c.source));
  }
}

TEST(SizeToStr, UnitBoundariesAndPrecision) {
  const struct {
    double size;
    int precision;
    const wchar_t* expected;
  } cases[] = {
      {0, 2, L"0 bytes"},          {1023, 2, L"1023 bytes"},       {1023.6, 2, L"1024 bytes"},
      {1024, 2, L"1.00K"},         {1024, 0, L"1K"},               {1536, 2, L"1.50K"},
      {1048575.9, 2, L"1024.00K"}, {1048576, 2, L"1.00M"},         {2.5 * 1073741824.0, 2, L"2.50G"},
      {std::pow(1024.0, 8), 2, L"1.00Y"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, helperUtil::SizeToStr(c.size, c.precision));
  // Past the last unit the size is written in bytes of the largest divisor.
  for (double huge : {std::pow(1024.0, 9), std::numeric_limits<double>::infinity()}) {
    EXPECT_NE(std::wstring::npos, helperUtil::SizeToStr(huge, 0).find(L" bytes"));
  }
}

TEST(Numbers, WhiteSpaceNumToStrStrToDoubleAndPower) {
  EXPECT_EQ(L"\na", helperUtil::removeLeadingWhiteSpace(L" \t \na"));  // spaces and tabs only
  EXPECT_EQ(L"", helperUtil::removeLeadingWhiteSpace(L" \t "));
  EXPECT_EQ(L"0.333", helperUtil::NumToStr(1.0f / 3.0f, 3));
  EXPECT_EQ(L"12346", helperUtil::NumToStr(12345.6f, 0));
  // StrToDouble goes through an int: truncated and clamped.
  EXPECT_EQ(2.0, helperUtil::StrToDouble(L"2.5"));
  EXPECT_EQ(-42.0, helperUtil::StrToDouble(L"  -42abc"));
  EXPECT_EQ(0.0, helperUtil::StrToDouble(L"abc"));
  EXPECT_EQ(2147483647.0, helperUtil::StrToDouble(L"99999999999"));
  EXPECT_EQ(-2147483648.0, helperUtil::StrToDouble(L"-99999999999"));
  EXPECT_EQ(1.0f, helperUtil::power(1024.0f, 0));
  EXPECT_EQ(0.25f, helperUtil::power(0.5f, 2));
  EXPECT_EQ(L"Unknown", helperUtil::mapTruncTypeToName(static_cast<TruncType>(7)));
  EXPECT_EQ(L"Unknown", helperUtil::mapTruncTypeToName(static_cast<TruncType>(-1)));
}

}  // namespace
