// The uploader against a real HTTPS service on loopback (nginx with WebDAV
// PUT, started per test by NginxFixture). The console's tests go through
// every kind of failure (tests/cli/upload_command_test.cc).
#include "upload/UploadServerTest.h"
#include "velt/upload/CVeltUploaderFactory.h"

namespace velt::test {
namespace {

TEST_F(UploadServerTest, BundlesLandByteIdenticalOverTls12WithTheListedCipher) {
  ASSERT_EQ(Upload(Bundle(), m_server.Host("PORT_GOOD")).code, 0);
  EXPECT_EQ(ReadFile(m_server.StoredPath("bundle.zip")), ReadFile(Bundle()));
  EXPECT_NE(m_server.AccessLog().find("PUT /home/bundle.zip 201 TLSv1.2 "
                                      "ECDHE-ECDSA-AES256-GCM-SHA384 user=velt-uploader agent=velt/4"),
            std::string::npos) << m_server.AccessLog();
  // Names needing encoding arrive decoded; empty files and addresses (checked
  // against the certificate's IP entries) go up too.
  const std::string spaced = m_server.dir().WriteFile("sub/VELT bundle #2.zip", "");
  EXPECT_EQ(Upload(spaced, m_server.Host("PORT_GOOD", "127.0.0.1")).httpStatus, 201);
  EXPECT_EQ(std::filesystem::file_size(m_server.StoredPath("VELT bundle #2.zip")), 0u);
  if (m_server.Value("IPV6") == "1") {
    EXPECT_EQ(Upload(spaced, m_server.Host("PORT_GOOD", "[::1]")).code, 0);
  }
  EXPECT_FALSE(m_log.Contains("CCertHelper"));
}

TEST_F(UploadServerTest, AnAnswerOtherThan2xxOrARejectedCertificateIsDescribed) {
  const VELT_UPLOAD_ERROR moved = Upload(Bundle(), m_server.Host("PORT_REDIRECT"));
  EXPECT_EQ(moved.kind, VELT_UPLOAD_REDIRECT);
  EXPECT_EQ(moved.httpStatus, 301);
  EXPECT_EQ(moved.location, L"https://localhost/elsewhere/");
  EXPECT_TRUE(m_log.Contains("The PUT was answered with HTTP 301"));
  const VELT_UPLOAD_ERROR revoked = Upload(Bundle(), m_server.Host("PORT_REVOKED"), "CA_CRL_FILE");
  EXPECT_EQ(revoked.kind, VELT_UPLOAD_CERT_REVOKED);
  EXPECT_EQ(revoked.verifyStatus, 23);  // X509_V_ERR_CERT_REVOKED
  EXPECT_EQ(revoked.curlCode, 60);      // CURLE_PEER_FAILED_VERIFICATION
  // The good certificate passes with the same CRL; without a CRL the
  // revoked one cannot be told apart and passes too.
  EXPECT_EQ(Upload(Bundle(), m_server.Host("PORT_GOOD"), "CA_CRL_FILE").code, 0);
  EXPECT_EQ(Upload(Bundle(), m_server.Host("PORT_REVOKED")).code, 0);
}

TEST_F(UploadServerTest, BadInputSendsNothing) {
  const std::string good = m_server.Host("PORT_GOOD");
  EXPECT_EQ(Upload(Bundle(), good, "CA_FILE", "").code, VELTUPLOADER_ERROR_BAD_PARAMETER);
  EXPECT_EQ(CVeltUploaderFactory::Create(Widen(Bundle()), L"", L"secret")->SendHTTP(),
            VELTUPLOADER_ERROR_BAD_PARAMETER);  // through the factory and the interface
  EXPECT_EQ(Upload("", good).kind, VELT_UPLOAD_BAD_PARAMETER);
  EXPECT_TRUE(m_log.Contains("Empty Username, Password, or Token"));
  // A host the parser refuses (the unit tests list them) never gets a request.
  EXPECT_EQ(Upload(Bundle(), "user@localhost").code, VELTUPLOADER_ERROR_BAD_PARAMETER);
  // A missing bundle is the console's case; a folder cannot be sent either.
  EXPECT_EQ(Upload(m_server.dir().path(), good).code, VELTUPLOADER_ERROR_FILE_OPEN_FAILURE);
  EXPECT_EQ(m_server.AccessLog().find("PUT"), std::string::npos);
}

}  // namespace
}  // namespace velt::test
