// The uploader's address building, host parsing and failure sentences, and
// helperUtil's readers of a request's upload settings, without a server.
#include <gtest/gtest.h>

#include <list>

#include "upload/UploadFailure.h"
#include "upload/UploadHost.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"
#include "velt/upload/CVeltUploader.h"
#include "velt/xml/VeltParser.h"

namespace velt::upload {

TEST(UploadURL, FileNameAfterTheLastSeparatorPercentEncodedWhereNeeded) {
  EXPECT_EQ(CVeltUploader::BuildUploadURL(L"up.example:8443", L"C:\\Users\\u\\Desktop\\b.zip"),
            "https://up.example:8443/home/b.zip");
  EXPECT_EQ(CVeltUploader::BuildUploadURL(L"h", L"/a/b-1_2~x.zip"), "https://h/home/b-1_2~x.zip");
  EXPECT_EQ(CVeltUploader::BuildUploadURL(L"h", L"bundle.zip"), "https://h/home/bundle.zip");
  EXPECT_EQ(CVeltUploader::BuildUploadURL(L"h", L"dir/a b#?%\u00e9.zip"),
            "https://h/home/a%20b%23%3F%25%C3%A9.zip");
}

TEST(UploadHostParsing, NamesAddressesAndPorts) {
  const struct {
    const wchar_t *text, *authority, *certificateName;
  } good[] = {
      {L"upload.example.com", L"upload.example.com", L"upload.example.com"},
      {L"localhost:8443", L"localhost:8443", L"localhost"},
      {L"[::1]:443", L"[::1]:443", L"::1"},
      {L"fe80::1", L"[fe80::1]", L"fe80::1"},
  };
  UploadHost host;
  for (const auto& c : good) {
    ASSERT_TRUE(ParseUploadHost(c.text, host)) << Narrow(c.text);
    EXPECT_EQ(host.authority, c.authority);
    EXPECT_EQ(host.certificateName, c.certificateName);
  }
  for (const wchar_t* bad : {L"", L":443", L"a b", L"a/b", L"u@h", L"h:", L"h:0", L"h:65536",
                             L"h:12x", L"[::1", L"[::1]x", L"[zz]", L"h:1:2"}) {
    EXPECT_FALSE(ParseUploadHost(bad, host)) << Narrow(bad);
  }
}

TEST(UploadFailureText, TheServersTextReachesTheConsoleWithoutControlCharacters) {
  TransferReport report;
  report.httpStatus = 302;
  report.location = "https://x.example/\x1b]0;owned\a" + std::string(600, 'a');
  VELT_UPLOAD_ERROR error;
  DescribeTransfer(report, error);
  EXPECT_EQ(error.message.find(L"the server redirected to https://x.example/?]0;owned?aaa"), 0u);
  EXPECT_EQ(error.location.size(), 512u);
}

TEST(UploadRequestReaders, TheFirstMatchingElementsTextUnchangedElseEmpty) {
  VeltParser parser;
  std::list<XMLObject*> trees;
  ASSERT_NE(parser.Parse(L"<request><url>not below protocol</url><bundle><name>b</name></bundle>"
                         L"<protocol><url>https://up.example/home/ x</url></protocol>"
                         L"<protocol><url>https://second.example/</url></protocol>"
                         L"<bundle><upload_size>0x10 MB</upload_size></bundle></request>",
                         VELT_PARSER_INPUT_TEXT, trees), nullptr);
  EXPECT_EQ(helperUtil::getUploadURLFromRequest(*trees.front()), L"https://up.example/home/ x");
  EXPECT_EQ(helperUtil::getUploadMaxSizeFromRequest(*trees.front()), L"0x10 MB");
  XMLObject empty;
  EXPECT_EQ(helperUtil::getUploadURLFromRequest(empty), L"");
  EXPECT_EQ(helperUtil::getUploadMaxSizeFromRequest(empty), L"");
}

}  // namespace velt::upload
