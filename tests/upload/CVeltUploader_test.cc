// The uploader against a real HTTPS service on loopback (nginx with WebDAV
// PUT, started per test by NginxFixture).
#include "velt/upload/CVeltUploader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "upload/NginxFixture.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"
#include "velt/upload/CVeltUploaderFactory.h"

namespace velt {
namespace test {
namespace {

std::string RandomBytes(size_t size, unsigned start) {
  std::mt19937 generator(start);
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    c = static_cast<char>(generator() & 0xFF);
  }
  return bytes;
}

class UploadServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(m_server.Start(why)) << why;
    m_user = Widen(m_server.Value("USER_NAME"));
    m_password = Widen(m_server.Value("PASSWORD"));
  }

  void TearDown() override {
    // Whatever happened, neither credential reached the log.
    for (const LoggedMessage& message : m_log.logger().Messages()) {
      EXPECT_EQ(message.text.find(m_server.Value("PASSWORD")), std::string::npos) << message.text;
      EXPECT_EQ(message.text.find(m_server.Value("USER_NAME")), std::string::npos) << message.text;
    }
  }

  std::string Bundle(const std::string& name, size_t size = 4096) {
    return m_files.WriteFile(name, RandomBytes(size, static_cast<unsigned>(size)));
  }

  long Upload(const std::string& path, const std::string& host,
              const std::string& caFile = std::string(), const std::wstring* password = nullptr) {
    VELT_UPLOAD_SETTINGS settings;
    settings.host = Widen(host);
    settings.caFile = Widen(caFile.empty() ? m_server.Value("CA_FILE") : caFile);
    auto uploader = CVeltUploaderFactory::Create(Widen(path), m_user,
                                                 password ? *password : m_password, settings);
    return uploader->SendHTTP();
  }

  bool NothingStored() {
    return std::filesystem::is_empty(m_server.Value("UPLOAD_DIR"));
  }

  NginxFixture m_server;
  TempDir m_files;
  ScopedLogCapture m_log;
  std::wstring m_user;
  std::wstring m_password;
};

TEST_F(UploadServerTest, BundleLandsByteIdenticalOverTls12WithTheListedCipher) {
  const std::string bundle = Bundle("bundle.zip", 3 * 1024 * 1024 + 17);
  VELT_UPLOAD_SETTINGS settings;
  settings.host = Widen(m_server.Host("PORT_GOOD"));
  settings.caFile = Widen(m_server.Value("CA_FILE"));
  int64_t lastSent = -1, lastTotal = -1;
  settings.progress = [&](int64_t sent, int64_t total) {
    EXPECT_GE(sent, lastSent);
    lastSent = sent;
    lastTotal = total;
  };
  auto uploader = CVeltUploaderFactory::Create(Widen(bundle), m_user, m_password, settings);
  ASSERT_EQ(uploader->SendHTTP(), 0);

  EXPECT_EQ(ReadFile(m_server.StoredPath("bundle.zip")), ReadFile(bundle));
  EXPECT_EQ(lastSent, 3 * 1024 * 1024 + 17);
  EXPECT_EQ(lastTotal, 3 * 1024 * 1024 + 17);
  const std::string access = m_server.AccessLog();
  EXPECT_NE(access.find("PUT /home/bundle.zip 201 TLSv1.2 ECDHE-ECDSA-AES256-GCM-SHA384 "
                        "user=velt-uploader agent=velt/4"),
            std::string::npos)
      << access;

  // One upload per object.
  EXPECT_EQ(uploader->SendHTTP(), VELTUPLOADER_ERROR_ALREADY_INITIALIZED);
}

TEST_F(UploadServerTest, NamesNeedingEncodingEmptyFilesAndAddressesGoUp) {
  // The address's encoding is checked in the unit tests; here the server
  // decodes it back to the file's own name.
  const std::string spaced = Bundle("sub/VELT bundle #2.zip", 10);
  ASSERT_EQ(Upload(spaced, m_server.Host("PORT_GOOD")), 0);
  EXPECT_EQ(ReadFile(m_server.StoredPath("VELT bundle #2.zip")), ReadFile(spaced));
  const std::string empty = Bundle("empty.zip", 0);
  ASSERT_EQ(Upload(empty, m_server.Host("PORT_GOOD")), 0);
  EXPECT_TRUE(std::filesystem::exists(m_server.StoredPath("empty.zip")));
  EXPECT_EQ(std::filesystem::file_size(m_server.StoredPath("empty.zip")), 0u);
  // Addresses are checked against the certificate's IP entries.
  EXPECT_EQ(Upload(empty, m_server.Host("PORT_GOOD", "127.0.0.1")), 0);
  if (m_server.Value("IPV6") == "1") {
    EXPECT_EQ(Upload(empty, m_server.Host("PORT_GOOD", "[::1]")), 0);
  }
  EXPECT_FALSE(m_log.Contains("CCertHelper"));
}

TEST_F(UploadServerTest, RefusedFailedOrTls13OnlyRequestIsACurlError) {
  const std::string bundle = Bundle("refused.zip");
  const std::wstring wrong = L"not-the-password";
  EXPECT_EQ(Upload(bundle, m_server.Host("PORT_GOOD"), "", &wrong), VELTUPLOADER_ERROR_CURL_ERROR);
  EXPECT_TRUE(m_log.Contains("curl_easy_perform"));
  EXPECT_TRUE(m_log.Contains("401"));
  EXPECT_EQ(Upload(bundle, m_server.Host("PORT_ERROR")), VELTUPLOADER_ERROR_CURL_ERROR);
  EXPECT_TRUE(m_log.Contains("500"));
  // A server that offers only TLS 1.3 is never reached: no certificate to check.
  m_log.logger().Clear();
  EXPECT_EQ(Upload(bundle, m_server.Host("PORT_TLS13")), VELTUPLOADER_ERROR_CURL_ERROR);
  EXPECT_TRUE(m_log.Contains("curl_easy_perform"));
  EXPECT_FALSE(m_log.Contains("CCertHelper"));
  EXPECT_TRUE(NothingStored());
}

TEST_F(UploadServerTest, EnginesOwnCheckRejectsBadCertificates) {
  const std::string bundle = Bundle("rejected.zip");
  const struct {
    const char *port, *name, *reason;
  } cases[] = {
      {"PORT_OTHER", "localhost", "does not name the host localhost"},
      {"PORT_EXPIRED", "localhost", "certificate has expired"},
      {"PORT_UNTRUSTED", "localhost", "unable to get local issuer certificate"},
      {"PORT_OTHER", "127.0.0.1", "does not name the address 127.0.0.1"},
  };
  for (const auto& c : cases) {
    m_log.logger().Clear();
    EXPECT_EQ(Upload(bundle, m_server.Host(c.port, c.name)), VELTUPLOADER_ERROR_CURL_ERROR)
        << c.port << " " << c.name;
    EXPECT_TRUE(m_log.Contains("CCertHelper::VerifyServerCertificate")) << c.port;
    EXPECT_TRUE(m_log.Contains(c.reason)) << c.port << " " << c.name;
    EXPECT_TRUE(m_log.Contains("curl_easy_perform")) << c.port;
  }

  // The system's default store does not know the test CA.
  m_log.logger().Clear();
  VELT_UPLOAD_SETTINGS settings;
  settings.host = Widen(m_server.Host("PORT_GOOD"));
  EXPECT_EQ(CVeltUploaderFactory::Create(Widen(bundle), m_user, m_password, settings)->SendHTTP(),
            VELTUPLOADER_ERROR_CURL_ERROR);
  EXPECT_TRUE(m_log.Contains("CCertHelper::VerifyServerCertificate"));

  // A CA file that cannot be read stops the connection, naming the file.
  m_log.logger().Clear();
  EXPECT_EQ(Upload(bundle, m_server.Host("PORT_GOOD"), m_files.Path("no-such-ca.pem")),
            VELTUPLOADER_ERROR_CURL_ERROR);
  EXPECT_TRUE(m_log.Contains("no-such-ca.pem"));
  EXPECT_TRUE(NothingStored());
}

TEST_F(UploadServerTest, RevocationIsCheckedWhereACrlIsAvailable) {
  const std::string bundle = Bundle("revocation.zip");
  EXPECT_EQ(Upload(bundle, m_server.Host("PORT_REVOKED"), m_server.Value("CA_CRL_FILE")),
            VELTUPLOADER_ERROR_CURL_ERROR);
  EXPECT_TRUE(m_log.Contains("certificate revoked"));
  EXPECT_TRUE(NothingStored());
  // The good certificate passes with the same CRL; without a CRL the
  // revoked one cannot be told apart and passes too.
  EXPECT_EQ(Upload(bundle, m_server.Host("PORT_GOOD"), m_server.Value("CA_CRL_FILE")), 0);
  EXPECT_EQ(Upload(bundle, m_server.Host("PORT_REVOKED")), 0);
}

TEST_F(UploadServerTest, BadInputSendsNothing) {
  const std::string bundle = Bundle("kept.zip");
  const std::wstring none;
  auto noUser = CVeltUploaderFactory::Create(Widen(bundle), none, m_password);
  EXPECT_EQ(noUser->SendHTTP(), VELTUPLOADER_ERROR_BAD_PARAMETER);
  EXPECT_EQ(Upload(bundle, m_server.Host("PORT_GOOD"), "", &none),
            VELTUPLOADER_ERROR_BAD_PARAMETER);
  EXPECT_EQ(CVeltUploaderFactory::Create(none, m_user, m_password)->SendHTTP(),
            VELTUPLOADER_ERROR_BAD_PARAMETER);
  EXPECT_TRUE(m_log.Contains("Empty Username, Password, or Token"));

  // A host the parser refuses (the unit tests list them) never gets a request.
  EXPECT_EQ(Upload(bundle, "user@localhost"), VELTUPLOADER_ERROR_BAD_PARAMETER);

  EXPECT_EQ(Upload(m_files.Path("missing.zip"), m_server.Host("PORT_GOOD")),
            VELTUPLOADER_ERROR_FILE_OPEN_FAILURE);
  EXPECT_TRUE(m_log.Contains("fopen:No such file or directory"));
  EXPECT_EQ(Upload(m_files.path(), m_server.Host("PORT_GOOD")),
            VELTUPLOADER_ERROR_FILE_OPEN_FAILURE);

  EXPECT_TRUE(NothingStored());
  EXPECT_EQ(m_server.AccessLog().find("PUT"), std::string::npos);
  EXPECT_EQ(ReadFile(bundle).size(), 4096u);
}

}  // namespace
}  // namespace test
}  // namespace velt
