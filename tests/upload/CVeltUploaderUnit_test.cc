// The uploader's address building and host parsing, without a server.
#include <gtest/gtest.h>

#include "support/CapturingLogger.h"
#include "upload/CCertHelper.h"
#include "upload/UploadHost.h"
#include "velt/runtime/ResultCodes.h"
#include "velt/platform/TextEncoding.h"
#include "velt/upload/CVeltUploader.h"

namespace velt {
namespace upload {
namespace {

TEST(UploadURL, FileNameAfterTheLastSeparatorPercentEncodedWhereNeeded) {
  EXPECT_EQ(CVeltUploader::BuildUploadURL(L"up.example", L"C:\\Users\\u\\Desktop\\b.zip"),
            "https://up.example/home/b.zip");
  EXPECT_EQ(CVeltUploader::BuildUploadURL(L"up.example:8443", L"/tmp/a/b-1_2~x.zip"),
            "https://up.example:8443/home/b-1_2~x.zip");
  EXPECT_EQ(CVeltUploader::BuildUploadURL(L"h", L"bundle.zip"), "https://h/home/bundle.zip");
  EXPECT_EQ(CVeltUploader::BuildUploadURL(L"h", L"dir/a b#?%.zip"),
            "https://h/home/a%20b%23%3F%25.zip");
  EXPECT_EQ(CVeltUploader::BuildUploadURL(L"h", L"\u00e9.zip"), "https://h/home/%C3%A9.zip");
  EXPECT_FALSE(CVeltUploader::DefaultHost().empty());
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

TEST(CertHelper, UnusableTrustStoreOrArgumentsAreRefused) {
  velt::test::ScopedLogCapture log;
  long result = 0;
  CCertHelper missing(result, eCertStoreDefaultOrFile, L"/nonexistent/velt-ca.pem");
  EXPECT_EQ(result, GLOBAL_ERROR_NOT_INITIALIZED);
  EXPECT_TRUE(log.Contains("/nonexistent/velt-ca.pem"));
  CCertHelper unknownKind(result, 7, L"");
  EXPECT_EQ(result, GLOBAL_ERROR_BAD_PARAMETER);

  CCertHelper system(result, eCertStoreDefaultOrFile, L"");
  ASSERT_EQ(result, 0);
  std::wstring why;
  unsigned status = 0;
  EXPECT_EQ(system.VerifyServerCertificate(nullptr, eCertContextOpenSSLStoreCtx, L"h", why, status,
                                           eCertRevocationChain, false, 0xFFFFFFFFu),
            GLOBAL_ERROR_BAD_PARAMETER);
}

}  // namespace
}  // namespace upload
}  // namespace velt
