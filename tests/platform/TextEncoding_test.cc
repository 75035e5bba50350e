#include "velt/platform/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

TEST(TextEncoding, ValidTextConvertsAndInvalidBytesRoundTrip) {
  const struct {
    std::string narrow;
    std::wstring wide;
  } cases[] = {
      {"a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z", L"a\u00e9\u20ac\U0001F600z"},
      {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
      // Each byte outside a valid sequence becomes U+DC00 + the byte.
      {"a\xffz", L"a\xDCFFz"},
      {"\xc0\xaf", L"\xDCC0\xDCAF"},              // overlong
      {"x\xe2\x82", L"x\xDCE2\xDC82"},            // cut short
      {"\xe2\x82x", L"\xDCE2\xDC82x"},            // interrupted
      {"\xed\xa0\x80", L"\xDCED\xDCA0\xDC80"},    // an encoded surrogate
      {"\xf4\x90\x80\x80", L"\xDCF4\xDC90\xDC80\xDC80"},  // above U+10FFFF
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.wide, velt::Widen(c.narrow));
    EXPECT_EQ(c.narrow, velt::Narrow(c.wide));
  }
  // Wide values UTF-8 cannot carry, other than the escaped bytes, narrow to U+FFFD.
  for (wchar_t bad : {0xD800, 0xDC7F, 0xDD00, 0x110000}) {
    EXPECT_EQ("\xef\xbf\xbd", velt::Narrow(std::wstring(1, bad)));
  }
}

}  // namespace
