// The uploader against a real HTTPS service on loopback (nginx with WebDAV
// PUT, started per test by NginxFixture). The console's tests go through
// every kind of failure (tests/cli/upload_command_test.cc).
#include <chrono>

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

// The servers of hostile_server.py, each misbehaving once the connection is
// made: every upload ends, by the answer's bounds or the time limit, saying
// what failed. The ceiling only guards against a hang.
TEST_F(UploadServerTest, AMisbehavingServerEndsTheUploadSayingWhatFailed) {
  const struct {
    const char* port;
    VELT_UPLOAD_FAILURE kind;
    const wchar_t* said;
  } cases[] = {
      {"PORT_ENDLESS", VELT_UPLOAD_BAD_ANSWER,
       L"answered HTTP 200 (OK) but its answer did not end (more than 65536 bytes of body); "
       L"the upload is not counted as stored"},
      {"PORT_TRICKLE", VELT_UPLOAD_TIMED_OUT,
       L"did not finish within 3 seconds, the limit for a bundle of 3145731 bytes; "
       L"3145731 of 3145731 bytes were sent"},
      {"PORT_CLOSE", VELT_UPLOAD_CONNECTION_LOST, L" of 3145731 bytes, without an answer ("},
      {"PORT_RESET", VELT_UPLOAD_CONNECTION_LOST, L" of 3145731 bytes, without an answer ("},
      {"PORT_HEADERS", VELT_UPLOAD_BAD_ANSWER,
       L"could not be read (headers too large: more than 65536 bytes)"},
      {"PORT_LONGLINE", VELT_UPLOAD_BAD_ANSWER,
       L"could not be read (headers too large: a line longer than libcurl accepts)"},
  };
  VELT_UPLOAD_SETTINGS limits;
  limits.timeoutSeconds = 1;               // 1 + 1 seconds of connect and stall,
  limits.floorBytesPerSecond = 1L << 30;   // and 1 for the bundle
  const std::string bundle = Bundle();
  for (const auto& c : cases) {
    const auto started = std::chrono::steady_clock::now();
    const VELT_UPLOAD_ERROR error = Upload(bundle, m_server.Host(c.port), "CA_FILE", nullptr, limits);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60)) << c.port;
    EXPECT_EQ(error.code, VELTUPLOADER_ERROR_CURL_ERROR) << c.port;
    EXPECT_EQ(error.kind, c.kind) << c.port << ": " << Narrow(error.message);
    EXPECT_NE(error.message.find(c.said), std::wstring::npos) << Narrow(error.message);
    EXPECT_TRUE(m_log.Contains(Narrow(error.message))) << c.port;
  }
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
