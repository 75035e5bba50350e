// velt upload driven as a user drives it, against the loopback service.
#include <gtest/gtest.h>

#include "support/RunFixture.h"
#include "upload/NginxFixture.h"

namespace velt::test {
namespace {

class VeltUpload : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(m_server.Start(why)) << why;
    m_bundle = m_files.WriteFile("bundle.zip", std::string(300000, 'z') + "end");
    m_secret = " --secret-file " + m_files.WriteFile("secret", Value("PASSWORD") + "\n");
  }
  std::string Value(const std::string& key) { return m_server.Value(key); }

  // Runs `PREFIX velt upload BUNDLE ... ARGUMENTS` for the service at
  // `host`, trusting the test CA unless ARGUMENTS name another CA file.
  // `m_out` gets both output streams.
  int Velt(const std::string& arguments, std::string host = "", const std::string& prefix = "") {
    host = host.empty() ? m_server.Host("PORT_GOOD") : host;
    return RunCommand(prefix + VELT_PROGRAM + " upload " + m_bundle + " --user velt-uploader --host " +
                      host + " --ca-file " + Value("CA_FILE") + " --log-file " + m_files.Path("log") +
                      " " + arguments + " 2>&1 </dev/null", &m_out);
  }

  NginxFixture m_server;
  TempDir m_files;
  std::string m_bundle, m_secret, m_out;
};

TEST_F(VeltUpload, SendsTheBundleWithTheSecretFromAFileOrTheEnvironment) {
  ASSERT_EQ(0, Velt(m_secret)) << m_out;
  EXPECT_NE(m_out.find("Sending: 100% (0.3 of 0.3 MB)"), std::string::npos) << m_out;
  EXPECT_NE(m_out.find("Uploaded " + m_bundle + " to https://" + m_server.Host("PORT_GOOD") +
                       "/home/bundle.zip"), std::string::npos) << m_out;
  EXPECT_EQ(ReadFile(m_server.StoredPath("bundle.zip")), ReadFile(m_bundle));
  ASSERT_EQ(0, Velt("--quiet --secret-env SECRET", "", "SECRET=" + Value("PASSWORD") + " ")) << m_out;
  EXPECT_EQ(m_out.find("Sending"), std::string::npos);
}

// After the code's own text the console says why, and what to do; the
// answer's body is never shown, and the log describes libcurl's codes with
// libcurl's own texts.
TEST_F(VeltUpload, FailuresExitOneSayingWhy) {
  const std::string wrong = " --secret-file " + m_files.WriteFile("wrong", "nope");
  const std::string ca = m_secret + " --ca-file ";
  const struct {
    std::string host, arguments, said;
  } cases[] = {
      {"", wrong, "answered HTTP 401 (Unauthorized); nothing was stored\nvelt upload: check --user"},
      {"PORT_ERROR", m_secret, "answered HTTP 500 (Internal Server Error); nothing was stored"},
      {"PORT_REDIRECT", m_secret, "redirected to https://localhost/elsewhere/; nothing was stored"},
      {"PORT_TLS13", m_secret, "the TLS handshake with localhost:"},
      {"PORT_EXPIRED", m_secret, "certificate has expired\nvelt upload: the service must renew"},
      {"PORT_OTHER", m_secret, "does not name the host localhost\nvelt upload: give --host a"},
      {"127.0.0.1:" + Value("PORT_OTHER"), m_secret, "does not name the address 127.0.0.1"},
      {"PORT_UNTRUSTED", m_secret, "trusted authority (unable to get local issuer certificate)"
                                   "\nvelt upload: name the service's CA with --ca-file"},
      {"", ca + "''", "the certificate is not issued by a trusted authority"},  // system's store
      {"PORT_REVOKED", ca + Value("CA_CRL_FILE"), "failed: certificate revoked"},
      {"", ca + "/no/ca.pem", "failed: the CA file /no/ca.pem could not be loaded"},
      {"127.0.0.1:" + Value("PORT_SILENT"), m_secret + " --timeout 1", "did not answer in time: "},
      {"127.0.0.1:1", m_secret, "could not connect to 127.0.0.1:1: "},
      {"PORT_RESET", m_secret, " of 300003 bytes, without an answer ("},
      {"PORT_HEADERS", m_secret, "could not be read (headers too large: more than 65536 bytes)\n"
                                 "velt upload: check that --host names the upload service"},
      {"PORT_ENDLESS", m_secret, "answered HTTP 200 (OK) but its answer did not end"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(1, Velt(c.arguments, c.host.rfind("PORT_", 0) ? c.host : m_server.Host(c.host))) << m_out;
    EXPECT_NE(m_out.find("VELTUPLOADER_ERROR_CURL_ERROR:Error: Curl falied to initialize\n"
                         "velt upload: "), std::string::npos) << m_out;
    EXPECT_NE(m_out.find(c.said), std::string::npos) << c.said << "\n--\n" << m_out;
    EXPECT_EQ(m_out.find("</"), std::string::npos) << m_out;  // nothing of the server's HTML
  }
  m_bundle = m_files.Path("missing.zip");
  EXPECT_EQ(1, Velt(m_secret));
  EXPECT_NE(m_out.find("VELTUPLOADER_ERROR_FILE_OPEN_FAILURE:Error: File could not be opened\n"
                       "velt upload: cannot open the bundle " + m_bundle +
                       ": No such file or directory"), std::string::npos) << m_out;
  const std::string log = ReadFile(m_files.Path("log"));
  EXPECT_NE(log.find("Description: SSL peer certificate or SSH remote key was not OK"), std::string::npos);
  EXPECT_NE(log.find("fopen:No such file or directory"), std::string::npos);
  EXPECT_NE(log.find("Return Code: 23 (0x00000017) | Description: Failed writing received data to "
                     "disk/application | Failed writing header; the answer of the server at localhost:" +
                     Value("PORT_HEADERS") + " could not be read (headers too large"), std::string::npos);
  EXPECT_EQ(log.find(Value("PASSWORD")), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(Value("UPLOAD_DIR")));
}

TEST_F(VeltUpload, UsageErrorsExitTwoAndSendNothing) {
  const std::string misuses[] = {"--password x", "--secret-env VELT_NO_SUCH_VARIABLE",
                                 "--secret-env HOME" + m_secret, "--timeout 0" + m_secret,
                                 "--user ''" + m_secret, "second.zip" + m_secret};
  for (const std::string& arguments : misuses) {
    EXPECT_EQ(2, Velt(arguments)) << arguments << "\n" << m_out;
  }
  EXPECT_EQ(2, Velt("", "", "setsid "));  // no terminal to prompt on
  EXPECT_EQ(m_server.AccessLog().find("PUT"), std::string::npos);
}

}  // namespace
}  // namespace velt::test
