#include "velt/platform/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

TEST(TextEncoding, RoundTripsEveryPlane) {
  const std::wstring text = L"a\u00e9\u20ac\U0001F600z";
  const std::string utf8 = velt::Narrow(text);
  EXPECT_EQ("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z", utf8);
  EXPECT_EQ(text, velt::Widen(utf8));
  EXPECT_EQ(std::string("a\0b", 3), velt::Narrow(std::wstring(L"a\0b", 3)));
}

TEST(TextEncoding, InvalidInputIsReplacedNotDropped) {
  EXPECT_EQ(L"a\uFFFDb", velt::Widen("a\xffz").substr(0, 2) + L"b");
  EXPECT_EQ(L"\uFFFD\uFFFD", velt::Widen("\xc0\xaf"));       // overlong
  EXPECT_EQ(L"x\uFFFD\uFFFD", velt::Widen("x\xe2\x82"));  // truncated: one per byte
  EXPECT_EQ(L"\uFFFD\uFFFD\uFFFD", velt::Widen("\xed\xa0\x80"));  // surrogate
  EXPECT_EQ("\xef\xbf\xbd", velt::Narrow(std::wstring(1, static_cast<wchar_t>(0xD800))));
}

}  // namespace
