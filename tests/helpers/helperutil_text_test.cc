#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "velt/helpers/helperUtil.h"

namespace {

TEST(Wildcmp, StarsQuestionMarksAndCase) {
  EXPECT_EQ(1, helperUtil::wildcmp("*.log", "client.log"));
  EXPECT_EQ(0, helperUtil::wildcmp("*.log", "client.LOG"));
  EXPECT_EQ(1, helperUtil::wildcmp("a?c", "abc"));
  EXPECT_EQ(0, helperUtil::wildcmp("a?c", "ac"));
  EXPECT_EQ(1, helperUtil::wildcmp("*", ""));
  EXPECT_EQ(1, helperUtil::wildcmp("", ""));
  EXPECT_EQ(0, helperUtil::wildcmp("", "a"));
  EXPECT_EQ(1, helperUtil::wildcmp("a*b*c", "aXbYbZc"));
  // Backtracking: the first "b" is not the one that lets the rest match.
  EXPECT_EQ(1, helperUtil::wildcmp("*ab", "aab"));
  EXPECT_EQ(1, helperUtil::wildcmp("*a*b", "xaybzab"));
  EXPECT_EQ(0, helperUtil::wildcmp("*a*b", "xaybzac"));
  EXPECT_EQ(1, helperUtil::wildcmp("a**", "a"));
  EXPECT_EQ(0, helperUtil::wildcmp("?", ""));
  // "." and "\" are ordinary characters.
  EXPECT_EQ(0, helperUtil::wildcmp("a.b", "aXb"));
  EXPECT_EQ(1, helperUtil::wildcmp("a\\*", "a\\x"));
  EXPECT_EQ(0, helperUtil::wildcmp(nullptr, "a"));
  EXPECT_EQ(0, helperUtil::wildcmp("a", nullptr));
}

TEST(SeparatorFunctions, PathsAtBackslash) {
  const std::wstring path = L"C:\\a\\b.log";
  EXPECT_EQ(L"C:", helperUtil::getFirstPart(path, L"\\"));
  EXPECT_EQ(L"b.log", helperUtil::getLastPart(path, L"\\"));
  EXPECT_EQ(L"C:\\a\\", helperUtil::getAllExLastPart(path, L"\\", true));
  EXPECT_EQ(L"C:\\a", helperUtil::getAllExLastPart(path, L"\\", false));
  EXPECT_EQ(L"\\a\\b.log", helperUtil::getAllExFirstPart(path, L"\\", true));
  EXPECT_EQ(L"a\\b.log", helperUtil::getAllExFirstPart(path, L"\\", false));
  EXPECT_EQ(L"y\\z", helperUtil::getAllExFirstPart(L"x\\\\\\y\\z", L"\\", false));
}

TEST(SeparatorFunctions, RunsEndsAndAbsentSeparators) {
  EXPECT_EQ(L"log", helperUtil::getLastPart(L"a.b.log", L"."));
  EXPECT_EQ(L"a", helperUtil::getAllExLastPart(L"a..log", L".", false));
  EXPECT_EQ(L"", helperUtil::getAllExLastPart(L".log", L".", false));
  EXPECT_EQ(L"", helperUtil::getLastPart(L"dir\\", L"\\"));
  EXPECT_EQ(L"", helperUtil::getAllExFirstPart(L"a...", L".", false));
  // keep = true takes only the one separator, not the run.
  EXPECT_EQ(L"a..", helperUtil::getAllExLastPart(L"a..log", L".", true));
  for (const wchar_t* sep : {L".", L"::", L""}) {
    EXPECT_EQ(L"abc", helperUtil::getFirstPart(L"abc", sep));
    EXPECT_EQ(L"abc", helperUtil::getLastPart(L"abc", sep));
    EXPECT_EQ(L"abc", helperUtil::getAllExFirstPart(L"abc", sep, false));
    EXPECT_EQ(L"abc", helperUtil::getAllExLastPart(L"abc", sep, false));
  }
  // Multi-character separators and their runs.
  EXPECT_EQ(L"b", helperUtil::getAllExFirstPart(L"a::::b", L"::", false));
  EXPECT_EQ(L"a", helperUtil::getAllExLastPart(L"a::::b", L"::", false));
}

TEST(ComposeName, EveryRuleOfTheTable) {
  EXPECT_EQ(L"Setup__agent__log.txt", helperUtil::composeName(L"Setup.txt", L"agent.log"));
  EXPECT_EQ(L"Setup__agent__log.Setup", helperUtil::composeName(L"Setup", L"agent.log"));
  EXPECT_EQ(L"x.log", helperUtil::composeName(L"", L"x.log"));
  EXPECT_EQ(L"log", helperUtil::composeName(L"", L".log"));
  EXPECT_EQ(L"Out__x.log", helperUtil::composeName(L"Out.", L"x.log"));
  EXPECT_EQ(L".txt__agent__log", helperUtil::composeName(L".txt", L"agent.log"));
  EXPECT_EQ(L".txt__log__", helperUtil::composeName(L".txt", L".log"));
  // Sources without a dot are their own base and extension.
  EXPECT_EQ(L"Out__README__README.txt", helperUtil::composeName(L"Out.txt", L"README"));
  EXPECT_EQ(L"a.b__x.y__z.txt", helperUtil::composeName(L"a.b.txt", L"x.y.z"));
}

TEST(RemoveLeadingWhiteSpace, OnlySpacesAndTabs) {
  EXPECT_EQ(L"a b ", helperUtil::removeLeadingWhiteSpace(L" \t a b "));
  EXPECT_EQ(L"\na", helperUtil::removeLeadingWhiteSpace(L" \na"));
  EXPECT_EQ(L"", helperUtil::removeLeadingWhiteSpace(L" \t "));
  EXPECT_EQ(L"", helperUtil::removeLeadingWhiteSpace(L""));
}

TEST(SizeToStr, UnitBoundariesAndPrecision) {
  EXPECT_EQ(L"0 bytes", helperUtil::SizeToStr(0, 2));
  EXPECT_EQ(L"100 bytes", helperUtil::SizeToStr(100, 2));
  EXPECT_EQ(L"1023 bytes", helperUtil::SizeToStr(1023, 2));
  EXPECT_EQ(L"1024 bytes", helperUtil::SizeToStr(1023.6, 2));
  EXPECT_EQ(L"1.00K", helperUtil::SizeToStr(1024, 2));
  EXPECT_EQ(L"1K", helperUtil::SizeToStr(1024, 0));
  EXPECT_EQ(L"1.50K", helperUtil::SizeToStr(1536, 2));
  EXPECT_EQ(L"1024.00K", helperUtil::SizeToStr(1048575.9, 2));
  EXPECT_EQ(L"1.00M", helperUtil::SizeToStr(1048576, 2));
  EXPECT_EQ(L"2.50G", helperUtil::SizeToStr(2.5 * 1073741824.0, 2));
  EXPECT_EQ(L"1.0T", helperUtil::SizeToStr(std::pow(1024.0, 4), 1));
  EXPECT_EQ(L"1.00Y", helperUtil::SizeToStr(std::pow(1024.0, 8), 2));
  // Past the last unit the size is written in bytes of the largest divisor.
  EXPECT_NE(std::wstring::npos, helperUtil::SizeToStr(std::pow(1024.0, 9), 0).find(L" bytes"));
  EXPECT_NE(std::wstring::npos,
            helperUtil::SizeToStr(std::numeric_limits<double>::infinity(), 0).find(L" bytes"));
}

TEST(Numbers, NumToStrStrToDoubleAndPower) {
  EXPECT_EQ(L"1.25", helperUtil::NumToStr(1.25f, 2));
  EXPECT_EQ(L"0.333", helperUtil::NumToStr(1.0f / 3.0f, 3));
  EXPECT_EQ(L"12346", helperUtil::NumToStr(12345.6f, 0));
  EXPECT_EQ(L"-7.0", helperUtil::NumToStr(-7.0f, 1));

  EXPECT_EQ(2.0, helperUtil::StrToDouble(L"2.5"));
  EXPECT_EQ(-42.0, helperUtil::StrToDouble(L"  -42abc"));
  EXPECT_EQ(0.0, helperUtil::StrToDouble(L"abc"));
  EXPECT_EQ(0.0, helperUtil::StrToDouble(L""));
  EXPECT_EQ(2147483647.0, helperUtil::StrToDouble(L"99999999999"));
  EXPECT_EQ(-2147483648.0, helperUtil::StrToDouble(L"-99999999999"));

  EXPECT_EQ(1.0f, helperUtil::power(1024.0f, 0));
  EXPECT_EQ(1048576.0f, helperUtil::power(1024.0f, 2));
  EXPECT_EQ(0.25f, helperUtil::power(0.5f, 2));
}

TEST(MapTruncTypeToName, NamesAndUnknown) {
  EXPECT_EQ(L"Whole File", helperUtil::mapTruncTypeToName(TRUNC_WHOLE_FILE));
  EXPECT_EQ(L"Data (front or end)", helperUtil::mapTruncTypeToName(TRUNC_DATA));
  EXPECT_EQ(L"Truncate end", helperUtil::mapTruncTypeToName(TRUNC_END));
  EXPECT_EQ(L"Truncate front", helperUtil::mapTruncTypeToName(TRUNC_FRONT));
  EXPECT_EQ(L"No", helperUtil::mapTruncTypeToName(TRUNC_NO));
  EXPECT_EQ(L"Unknown", helperUtil::mapTruncTypeToName(static_cast<TruncType>(7)));
  EXPECT_EQ(L"Unknown", helperUtil::mapTruncTypeToName(static_cast<TruncType>(-1)));
}

}  // namespace
