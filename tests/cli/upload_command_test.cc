// velt upload driven as a user drives it, against the loopback service.
#include <gtest/gtest.h>

#include <string>

#include "support/RunFixture.h"
#include "support/TempDir.h"
#include "upload/NginxFixture.h"

namespace {

using velt::test::ReadFile;
using velt::test::RunCommand;
using velt::test::ShellQuote;

class VeltUpload : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(m_server.Start(why)) << why;
    m_bundle = m_files.WriteFile("bundle.zip", std::string(300000, 'z') + "end");
    m_secretFile = m_files.WriteFile("secret", m_server.Value("PASSWORD") + "\n");
    m_log = m_files.Path("velt.log");
  }

  std::string Velt(const std::string& arguments) {
    return std::string(VELT_PROGRAM) + " upload " + arguments + " --log-file " + ShellQuote(m_log);
  }
  std::string ServerOptions(const std::string& port = "PORT_GOOD") {
    return " --user " + m_server.Value("USER_NAME") + " --host " + m_server.Host(port) +
           " --ca-file " + ShellQuote(m_server.Value("CA_FILE"));
  }

  velt::test::NginxFixture m_server;
  velt::test::TempDir m_files;
  std::string m_bundle, m_secretFile, m_log;
};

TEST_F(VeltUpload, SendsTheBundleWithTheSecretFromAFileOrTheEnvironment) {
  std::string out;
  ASSERT_EQ(0, RunCommand(Velt(ShellQuote(m_bundle) + ServerOptions() + " --secret-file " +
                               ShellQuote(m_secretFile)),
                          &out));
  EXPECT_NE(out.find("Sending: 100%"), std::string::npos) << out;
  EXPECT_NE(out.find("Uploaded " + m_bundle + " to https://" + m_server.Host("PORT_GOOD") +
                     "/home/bundle.zip"),
            std::string::npos)
      << out;
  EXPECT_EQ(ReadFile(m_server.StoredPath("bundle.zip")), ReadFile(m_bundle));

  ASSERT_EQ(0, RunCommand("VELT_TEST_SECRET=" + m_server.Value("PASSWORD") + " " +
                          Velt(ShellQuote(m_bundle) + ServerOptions() +
                               " --secret-env VELT_TEST_SECRET --quiet"),
                          &out));
  EXPECT_EQ(out.find("Sending"), std::string::npos);
  EXPECT_EQ(ReadFile(m_log).find(m_server.Value("PASSWORD")), std::string::npos);
}

TEST_F(VeltUpload, FailuresExitOneWithTheCodesDescription) {
  std::string err = m_files.Path("stderr");
  EXPECT_EQ(1, RunCommand(Velt(ShellQuote(m_bundle) + ServerOptions("PORT_EXPIRED") +
                               " --secret-file " + ShellQuote(m_secretFile) + " 2>" +
                               ShellQuote(err))));
  EXPECT_NE(ReadFile(err).find("VELTUPLOADER_ERROR_CURL_ERROR"), std::string::npos);
  EXPECT_EQ(1, RunCommand(Velt(ShellQuote(m_files.Path("missing.zip")) + ServerOptions() +
                               " --secret-file " + ShellQuote(m_secretFile) + " 2>" +
                               ShellQuote(err))));
  EXPECT_NE(ReadFile(err).find("VELTUPLOADER_ERROR_FILE_OPEN_FAILURE"), std::string::npos);
  EXPECT_NE(ReadFile(m_log).find("fopen:No such file or directory"), std::string::npos);
  EXPECT_EQ(ReadFile(m_log).find(m_server.Value("PASSWORD")), std::string::npos);
}

TEST_F(VeltUpload, UsageErrorsExitTwoAndSendNothing) {
  const std::string quiet = " 2>/dev/null </dev/null";
  const std::string secret = " --secret-file " + ShellQuote(m_secretFile);
  EXPECT_EQ(2, RunCommand(Velt(ServerOptions() + secret) + quiet));                      // no bundle
  EXPECT_EQ(2, RunCommand(Velt(ShellQuote(m_bundle) + " --host localhost" + secret) + quiet));
  EXPECT_EQ(2, RunCommand(Velt(ShellQuote(m_bundle) + ServerOptions() + " --password x") + quiet));
  EXPECT_EQ(2, RunCommand(Velt(ShellQuote(m_bundle) + ServerOptions() + secret +
                               " --secret-env HOME") + quiet));
  EXPECT_EQ(2, RunCommand(Velt(ShellQuote(m_bundle) + ServerOptions() +
                               " --secret-env VELT_NO_SUCH_VARIABLE") + quiet));
  // No terminal to prompt on: setsid leaves the command without one.
  EXPECT_EQ(2, RunCommand("setsid " + Velt(ShellQuote(m_bundle) + ServerOptions()) + quiet));
  EXPECT_EQ(m_server.AccessLog().find("PUT"), std::string::npos);
}

}  // namespace
