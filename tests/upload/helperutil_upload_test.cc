// helperUtil's upload readers on requests read by VeltParser.
#include <gtest/gtest.h>

#include <list>

#include "velt/helpers/helperUtil.h"
#include "velt/model/XMLObject.h"
#include "velt/xml/VeltParser.h"

namespace {

// The request's tree, or an empty document when the text does not parse.
XMLObject ParseRequest(VeltParser& parser, const std::wstring& text) {
  std::list<XMLObject*> trees;
  if (parser.Parse(text, VELT_PARSER_INPUT_TEXT, trees) == nullptr || trees.empty()) {
    return XMLObject();
  }
  return *trees.front();
}

TEST(UploadRequestReaders, ReadTheFirstMatchingElementsTextUnchanged) {
  VeltParser parser;
  XMLObject request = ParseRequest(parser,
      L"<request>"
      L"<file id='1'/>"
      L"<bundle><name>b</name></bundle>"
      L"<protocol><url>https://up.example/home/ x</url></protocol>"
      L"<protocol><url>https://second.example/</url></protocol>"
      L"<bundle><upload_size>0x10 MB</upload_size></bundle>"
      L"</request>");
  ASSERT_NE(request.GetRoot(), nullptr);
  EXPECT_EQ(helperUtil::getUploadURLFromRequest(request), L"https://up.example/home/ x");
  // The first "bundle" has no size; the one of the second is taken as written.
  EXPECT_EQ(helperUtil::getUploadMaxSizeFromRequest(request), L"0x10 MB");
}

TEST(UploadRequestReaders, EmptyWithoutTheElementsOrWithoutARoot) {
  VeltParser parser;
  XMLObject request = ParseRequest(parser,
      L"<request><url>https://not-below-protocol/</url><upload_size>5</upload_size>"
      L"<protocol/></request>");
  ASSERT_NE(request.GetRoot(), nullptr);
  EXPECT_EQ(helperUtil::getUploadURLFromRequest(request), L"");
  EXPECT_EQ(helperUtil::getUploadMaxSizeFromRequest(request), L"");

  XMLObject empty;
  EXPECT_EQ(helperUtil::getUploadURLFromRequest(empty), L"");
  EXPECT_EQ(helperUtil::getUploadMaxSizeFromRequest(empty), L"");
}

}  // namespace
