// The velt program driven as a user drives it: exit statuses, printed
// lines, bundles read back with unzip, and a disk that fills up.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/RunFixture.h"

namespace {

using velt::test::RunCommand;
using velt::test::ShellQuote;

const std::string kVelt = VELT_PROGRAM;

class VeltProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    m_fixture.dir().WriteFile("logs/app.log", "application log line\n");
    m_fixture.dir().WriteFile("logs/old.log", "old line\n");
    m_fixture.AddConfig(
        "app.xml",
        "<config><configure><title>App</title></configure>"
        "<file id=\"app-logs\"><description>App logs</description><default>true</default><velt>"
        "<os opsys=\"linux\"><file_copy_action><action><loc>" + m_fixture.dir().Path("logs") +
        "/*.log</loc><clear_log apply=\"true\"/></action></file_copy_action>"
        "<use_extern_action><action><args>echo hello from a command</args>"
        "<temp_out>echo.txt</temp_out><stdout/></action></use_extern_action></os>"
        "<os opsys=\"win8\"><use_extern_action><action><args>ver.exe</args><stdout/></action>"
        "</use_extern_action></os></velt></file>"
        "<file id=\"app-extra\"><description>Extra</description><default>false</default><velt>"
        "<os opsys=\"linux\"/></velt></file></config>");
    m_log = m_fixture.dir().Path("velt.log");
  }

  // velt with the fixture's install folder and a private log file.
  std::string Velt(const std::string& arguments) {
    return kVelt + " " + arguments + " --install-dir " + ShellQuote(m_fixture.installFolder()) +
           " --log-file " + ShellQuote(m_log);
  }

  velt::test::RunFixture m_fixture;
  std::string m_log;
};

TEST(VeltUsage, VersionHelpDescribeAndUsageErrors) {
  std::string out;
  EXPECT_EQ(0, RunCommand(kVelt + " --version", &out));
  EXPECT_EQ(0u, out.find("velt "));
  EXPECT_EQ(0, RunCommand(kVelt + " --help", &out));
  EXPECT_NE(std::string::npos, out.find("collect"));
  EXPECT_EQ(0, RunCommand(kVelt + " describe 0xFEB0000C", &out));
  EXPECT_EQ("VELTENGINE_ERROR_FILE_NOT_FOUND:Error: File not found\n", out);
  EXPECT_EQ(2, RunCommand(kVelt + " describe nonsense 2>/dev/null"));
  EXPECT_EQ(2, RunCommand(kVelt + " 2>/dev/null"));
  EXPECT_EQ(2, RunCommand(kVelt + " frobnicate 2>/dev/null"));
  EXPECT_EQ(2, RunCommand(kVelt + " collect --no-such-option 2>/dev/null"));
  EXPECT_EQ(2, RunCommand(kVelt + " collect --request a.xml --id b 2>/dev/null"));
}

TEST_F(VeltProgram, CollectWritesABundleAndPrintsItsPath) {
  const std::string bundle = m_fixture.dir().Path("bundle.zip");
  std::string out;
  ASSERT_EQ(0, RunCommand(Velt("collect --bundle " + ShellQuote(bundle)), &out)) << out;
  EXPECT_NE(std::string::npos, out.find("Bundle: " + bundle + "\n"));
  EXPECT_NE(std::string::npos, out.find("\rZipping the bundle, please wait..."));
  EXPECT_EQ((std::vector<std::string>{"App/app.log", "App/echo.txt", "App/old.log",
                                      "summary.txt"}),
            velt::test::ZipEntries(bundle));
  const std::string echo = velt::test::ZipEntry(bundle, "App/echo.txt");
  EXPECT_NE(std::string::npos, echo.find("\"echo hello from a command\" output:"));
  EXPECT_NE(std::string::npos, echo.find("hello from a command"));
  EXPECT_EQ(0, RunCommand("unzip -tq " + ShellQuote(bundle) + " >/dev/null"));
}

TEST_F(VeltProgram, CollectWithIdsCommentAndPasswordFromEnvironment) {
  const std::string bundle = m_fixture.dir().Path("req.zip");
  std::string out;
  ASSERT_EQ(0, RunCommand("VELT_TEST_PW='pw 1' " +
                              Velt("collect --id app-extra --id nope --comment 'It broke' "
                                   "--password-env VELT_TEST_PW --bundle " +
                                   ShellQuote(bundle)),
                          &out))
      << out;
  EXPECT_EQ("Comments from Orvalink user:\r\nIt broke",
            velt::test::ZipEntry(bundle, "comments.txt", "pw 1"));
  const std::string summary = velt::test::ZipEntry(bundle, "summary.txt", "pw 1");
  EXPECT_NE(std::string::npos, summary.find("following file ID's from request:\r\nnope\r\n"));
  EXPECT_NE(0, RunCommand("unzip -P wrong -tq " + ShellQuote(bundle) + " >/dev/null 2>&1 </dev/null"));
  // The generated request file is gone, and the password is in no log.
  EXPECT_EQ(0, RunCommand("! ls " + ShellQuote(m_fixture.tempFolder()) + " | grep -q velt-request"));
  EXPECT_EQ(std::string::npos, velt::test::ReadFile(m_log).find("pw 1"));
}

TEST_F(VeltProgram, FailedRunPrintsTheCodeAndExitsOne) {
  std::string out;
  EXPECT_EQ(1, RunCommand(Velt("collect --request /nonexistent/request.xml --bundle " +
                               ShellQuote(m_fixture.dir().Path("x.zip"))) + " 2>&1",
                          &out));
  EXPECT_NE(std::string::npos, out.find("Internal Error: invalid request XML"));
  EXPECT_NE(std::string::npos,
            out.find("0xFEB00011 VELTENGINE_ERROR_INVALID_XML:Error: Encountered invalid XML "
                     "configuration tree"));
  EXPECT_FALSE(std::filesystem::exists(m_fixture.dir().Path("x.zip")));
}

TEST_F(VeltProgram, ListShowsIdsDefaultsAndClearability) {
  std::string out;
  ASSERT_EQ(0, RunCommand(Velt("list"), &out));
  EXPECT_NE(std::string::npos, out.find("app-logs             App                yes     yes   App logs\n"));
  EXPECT_NE(std::string::npos, out.find("app-extra            App                no      no    Extra\n"));
}

TEST_F(VeltProgram, ClearAsksFirstAndDeletesOnlyAfterYes) {
  std::string out;
  EXPECT_EQ(1, RunCommand("echo no | " + Velt("clear"), &out));
  EXPECT_NE(std::string::npos, out.find("app.log"));
  EXPECT_NE(std::string::npos, out.find("Nothing was cleared."));
  EXPECT_TRUE(std::filesystem::exists(m_fixture.dir().Path("logs/app.log")));
  ASSERT_EQ(0, RunCommand(Velt("clear --yes") + " </dev/null", &out));
  EXPECT_FALSE(std::filesystem::exists(m_fixture.dir().Path("logs/app.log")));
  EXPECT_FALSE(std::filesystem::exists(m_fixture.dir().Path("logs/old.log")));
}

TEST_F(VeltProgram, FullDiskDuringZipLeavesNoBundle) {
  // Two incompressible files, each below the file-size limit, whose zip
  // is above it: the copies succeed and the zip writer runs out of room.
  uint32_t state = 2463534242u;
  for (const char* name : {"logs/noise1.log", "logs/noise2.log"}) {
    std::string noise(1000000, '\0');
    for (char& byte : noise) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      byte = static_cast<char>(state);
    }
    m_fixture.dir().WriteFile(name, noise);
  }
  const std::string bundle = m_fixture.dir().Path("full.zip");
  std::string out;
  const int status = RunCommand("sh -c " + ShellQuote("trap '' XFSZ; ulimit -f 3000; " +
                                                      Velt("collect --bundle " + ShellQuote(bundle)) +
                                                      " 2>&1"),
                                &out);
  EXPECT_EQ(1, status) << out;
  EXPECT_NE(std::string::npos, out.find("Internal Error: "));
  EXPECT_FALSE(std::filesystem::exists(bundle));
  EXPECT_FALSE(std::filesystem::exists(bundle + ".partial"));
  EXPECT_TRUE(m_fixture.TempEntries().empty());
}

}  // namespace
