// End-to-end runs of the engine over fixture configurations: status lines,
// result codes, summary.txt and comments.txt byte for byte, the bundle's
// entries read back, clear runs, and every way a run can fail.
#include "velt/engine/VeltEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/EngineRun.h"
#include "platform/LocalTime.h"
#include "report/SummaryLayout.h"
#include "report/SummaryWriter.h"
#include "support/CaptureStdout.h"
#include "support/CapturingLogger.h"
#include "support/RunFixture.h"
#include "support/TestPlatform.h"
#include "velt/control/VeltThread.h"
#include "velt/engine/BundleFiles.h"
#include "velt/engine/VeltCollectPlan.h"
#include "velt/engine/VeltControlText.h"
#include "velt/platform/SystemError.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using namespace velt::test;
using velt::Widen;

TEST_F(EngineRun, DefaultRunBuildsTheBundleAndItsSummary) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  ASSERT_EQ(0, Run("", m_bundle));

  // Console lines: percent 0 lines are not printed.
  EXPECT_EQ(ProgressLine("Starting up VELT Engine...", 1) +
                ProgressLine("Parsing request and configuration XMLs...", 1) +
                ProgressLine("Processing Alpha missing...", 30) +
                ProgressLine("Zipping the bundle, please wait...", 96) +
                ProgressLine("VELT has finished... ", 100) + "\r\n\r\n",
            m_console);

  EXPECT_EQ(m_bundle, m_finalBundle);
  EXPECT_EQ((std::vector<std::string>{"Alpha/one.log", "Alpha/two.log", "manifest.json",
                                      "summary.txt"}),
            velt::test::ZipEntries(m_bundle));
  EXPECT_EQ("first log\n", velt::test::ZipEntry(m_bundle, "Alpha/one.log"));
  EXPECT_EQ(std::string(2000, 'x'), velt::test::ZipEntry(m_bundle, "Alpha/two.log"));

  const std::string expected =
      Heading(m_bundle) + BlockStart("Alpha") +
      IncludedRow("a-logs", "one.log", "Alpha logs", "10 bytes") +
      IncludedRow("a-logs", "two.log", "Alpha logs", "1.95K") + TableEnd(SummaryTable::kIncluded) +
      OmittedStart() +
      OmittedRow("c-missing", "N/A", "Alpha missing", "No file found with path matching:") +
      ReasonRows(m_source + NativePath("/nothing/*.txt")) + TableEnd(SummaryTable::kOmitted) +
      kCrlf + kCrlf + "Notes:" + kCrlf +
      " - The file(s) of ID b-extra is/are not included by default by this config." + kCrlf;
  EXPECT_EQ(expected, velt::test::MaskSummary(Summary()));
  // Nothing is left in the temporary folder.
  EXPECT_TRUE(m_fixture.TempEntries().empty());
}

TEST_F(EngineRun, RequestRunWritesCommentsAndListsUnservedIds) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  const std::string request = m_fixture.dir().WriteFile(
      "request.xml",
      "<request><file id=\"zz-unknown\"/><file id=\"a-logs\"/>"
      "<file id=\"comments\"><name>notes.txt</name></file>"
      "<comments>VPN drops\nevery hour \xc3\xa9</comments></request>");
  ASSERT_EQ(0, Run(request, m_fixture.dir().Path("out/named")));
  EXPECT_EQ(m_fixture.dir().Path("out/named.zip"), m_finalBundle);

  EXPECT_EQ((std::vector<std::string>{"Alpha/one.log", "Alpha/two.log", "manifest.json",
                                      "notes.txt", "summary.txt"}),
            velt::test::ZipEntries(m_finalBundle));
  EXPECT_EQ("Comments from Orvalink user:\r\nVPN drops\r\nevery hour \xc3\xa9",
            velt::test::ZipEntry(m_finalBundle, "notes.txt"));
  const std::string summary = velt::test::MaskSummary(Summary());
  EXPECT_NE(std::string::npos,
            summary.find(IncludedRow("comments", "notes.txt", "Orvalink user comments",
                                     "54 bytes")));
  const std::string tail = "\r\n\r\nNo instruction found in any config for the following file "
                           "ID's from request:\r\nzz-unknown\r\n";
  ASSERT_GE(summary.size(), tail.size());
  EXPECT_EQ(tail, summary.substr(summary.size() - tail.size()));
}

TEST_F(EngineRun, ConfigurationsWithoutTitlesAndBrokenFiles) {
  const std::string entry =
      "<file id=\"a-logs\"><description>d</description><default>true</default><velt>"
      "<os opsys=\"linux\"><file_copy_action><action><loc>" + m_source +
      "/one.log</loc></action></file_copy_action></os></velt></file>";
  m_fixture.AddConfig("1.xml", "<config>" + entry + "</config>");
  m_fixture.AddConfig("2.xml", "<config><broken></config>");
  m_fixture.AddConfig("3.xml", "<config>" + entry + "</config>");
  m_fixture.AddConfig("4.xml", "<config><configure><title>../escape</title></configure>" + entry +
                                   "</config>");
  ASSERT_EQ(0, Run("", m_bundle));
  EXPECT_EQ((std::vector<std::string>{"Unknown_1/one.log", "Unknown_2/one.log",
                                      "Unknown_3/one.log", "manifest.json", "summary.txt"}),
            velt::test::ZipEntries(m_bundle));
  const std::string summary = Summary();
  const std::string failures = "\r\n" + std::string(100, '=') +
                               "\r\nVeltEngine failed to parse or use the following "
                               "configuration files:\r\n" +
                               m_fixture.installFolder() + NativePath("xml/config/2.xml") +
                               "\r\n";
  ASSERT_GE(summary.size(), failures.size());
  EXPECT_EQ(failures, summary.substr(summary.size() - failures.size()));
  // Nothing escaped the bundle folder.
  EXPECT_FALSE(std::filesystem::exists(m_fixture.tempFolder() + "/escape"));
  EXPECT_TRUE(m_fixture.TempEntries().empty());
}

TEST_F(EngineRun, PasswordProtectsEveryEntry) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  ASSERT_EQ(0, Run("", m_bundle, "s3cret pass"));
  EXPECT_EQ("first log\n", velt::test::ZipEntry(m_bundle, "Alpha/one.log", "s3cret pass"));
  EXPECT_EQ("", velt::test::ZipEntry(m_bundle, "Alpha/one.log", "wrong"));
  EXPECT_FALSE(m_log.Contains("s3cret"));
}

TEST_F(EngineRun, ClearRunDeletesOnlyClearableFiles) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  m_fixture.dir().WriteFile("logs/keep.txt", "kept");
  ASSERT_EQ(0, Run("", "", "", true));
  EXPECT_FALSE(std::filesystem::exists(m_source + "/one.log"));
  EXPECT_FALSE(std::filesystem::exists(m_source + "/two.log"));
  EXPECT_TRUE(std::filesystem::exists(m_source + "/keep.txt"));
  EXPECT_EQ(ProgressLine("Starting up VELT Engine...", 1) + ProgressLine("Clearing Alpha missing...", 60) +
                ProgressLine("VELT has finished... ", 100) + "\r\n\r\n",
            m_console);
  EXPECT_TRUE(m_fixture.TempEntries().empty());
}


// Each failure ends with its code and status line and leaves neither a
// temporary folder nor anything at the bundle path.
TEST_F(EngineRun, FailuresLeaveNothingBehind) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  m_fixture.dir().WriteFile("bad.xml", "<request><file id='a'></request>");
  const std::string invalid = "Internal Error: invalid request XML, please contact your "
                              "administrator, or run in default mode";
  struct Case {
    std::string request, bundle, status;
    long code;
  } cases[] = {
      {m_fixture.dir().Path("bad.xml"), m_bundle, invalid, VELTENGINE_ERROR_INVALID_XML},
      {m_fixture.dir().Path("missing.xml"), m_bundle, invalid, VELTENGINE_ERROR_INVALID_XML},
      {"", m_fixture.dir().Path("missing-folder/b.zip"),
       "Internal Error: failed to zip the bundle...", VELTENGINE_ERROR_WRITE_FAILURE},
  };
  for (const Case& c : cases) {
    m_log.logger().Clear();
    EXPECT_EQ(c.code, Run(c.request, c.bundle)) << c.request;
    EXPECT_NE(std::string::npos, m_console.find("\r\n" + c.status + "\r\n")) << m_console;
    // Logged once, in the run's name.
    EXPECT_EQ(1, m_log.Count(MID_DEBUG_MESSAGE, "VeltEngine::collectLogs", c.status));
    EXPECT_TRUE(m_fixture.TempEntries().empty());
    EXPECT_FALSE(std::filesystem::exists(c.bundle));
  }
  EXPECT_FALSE(std::filesystem::exists(m_fixture.dir().Path("missing-folder")));

  PointTempAt(m_fixture.dir().Path("no/such/folder").c_str());
  EXPECT_EQ(VELTENGINE_ERROR_FILE_NOT_FOUND, Run("", m_bundle));
  EXPECT_NE(std::string::npos,
            m_console.find("\r\nInternal Error: failed to create temporary working folder...\r\n"));
  EXPECT_FALSE(std::filesystem::exists(m_bundle));

  m_fixture.AddConfig("alpha.xml", "<config>");
  m_fixture.AddConfig("UPPER.XML", "<config/>");
  EXPECT_EQ(VELTENGINE_ERROR_INTERNAL, Run("", m_bundle));
  EXPECT_NE(std::string::npos, m_console.find("\r\nInternal Error: no valid configuration XML found...\r\n"));
  EXPECT_EQ(VELTENGINE_ERROR_INTERNAL, Run("", "", "", true));
  EXPECT_EQ(1, m_log.Count(MID_DEBUG_MESSAGE, "VeltEngine::clearLogs", "no valid configuration"));
}


TEST_F(EngineRun, BundleNameRule) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  ASSERT_EQ(0, Run("", m_fixture.dir().Path("out/a.Zip")));
  EXPECT_EQ(m_fixture.dir().Path("out/a.Zip.zip"), m_finalBundle);
  ASSERT_EQ(0, Run("", m_fixture.dir().Path("out/b")));
  EXPECT_EQ(m_fixture.dir().Path("out/b.zip"), m_finalBundle);
}

// Masking rewrites the collected files before the summary lists them: the
// sizes are the masked files', the summary says what was masked, and the
// host mapping lies beside the bundle, private, never in it.
TEST_F(EngineRun, MaskingHappensBeforeTheSummaryAndTheZip) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  m_fixture.dir().WriteFile("logs/one.log", "password=hunter2 from 10.20.30.40\n");
  m_fixture.dir().WriteFile("logs/folder.log/inner.txt", "token: hunter2\n");  // a copied folder
  VeltCollectExtras mask;
  mask.maskSecrets = mask.maskHosts = true;
  ASSERT_EQ(0, Run("", m_bundle, "", false, mask));
  const std::string masked = velt::test::ZipEntry(m_bundle, "Alpha/one.log");
  EXPECT_EQ(std::string::npos, masked.find("hunter2"));
  EXPECT_EQ(std::string::npos, masked.find("10.20.30.40"));
  EXPECT_EQ("token: [MASKED]\n", velt::test::ZipEntry(m_bundle, "Alpha/folder.log/inner.txt"));
  const std::string summary = Summary();
  EXPECT_NE(std::string::npos,
            summary.find(IncludedRow("a-logs", "one.log", "Alpha logs",
                                     std::to_string(masked.size()) + " bytes")));
  EXPECT_NE(std::string::npos, summary.find("Masked in " + NativePath("Alpha/one.log")));
  EXPECT_TRUE(IsPrivateFile(m_bundle + ".hosts-map.txt"));
  EXPECT_NE(std::string::npos, ReadFile(m_bundle + ".hosts-map.txt").find("10.20.30.40 -> "));
  for (const std::string& entry : velt::test::ZipEntries(m_bundle)) {
    EXPECT_EQ(std::string::npos, entry.find("hosts-map")) << entry;
  }
}


// Names a request gives the report files are used only as plain names that
// no other entry takes; anything else falls back, with a note.
TEST_F(EngineRun, RequestNamesStayInsideTheBundle) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  struct Case {
    std::string comments, summary, commentsEntry, summaryEntry;
  } cases[] = {
      {"../../escape.sh", "sub/summary.txt", "comments.txt", "summary.txt"},
      {"SUMMARY.TXT", "alpha", "comments.txt", "summary.txt"},
      {"same.txt", "same.txt", "comments.txt", "same.txt"},
      {"notes\nline", "report.txt", "comments.txt", "report.txt"},
      {"Manifest.json", "report.txt", "comments.txt", "report.txt"},
  };
  for (const Case& c : cases) {
    const std::string request = m_fixture.dir().WriteFile(
        "request.xml", "<request><file id='a-logs'/><file id='comments'><name>" + c.comments +
                           "</name></file><file id='summary'><name>" + c.summary +
                           "</name></file><comments>hello</comments></request>");
    ASSERT_EQ(0, Run(request, m_bundle)) << c.comments;
    EXPECT_EQ((std::vector<std::string>{"Alpha/one.log", "Alpha/two.log", c.commentsEntry,
                                        "manifest.json", c.summaryEntry}),
              velt::test::ZipEntries(m_bundle));
    EXPECT_NE(std::string::npos,
              velt::test::ZipEntry(m_bundle, c.summaryEntry).find("requested for the"));
    std::filesystem::remove(m_bundle);
  }
  EXPECT_FALSE(std::filesystem::exists(m_fixture.dir().Path("escape.sh")));
  EXPECT_FALSE(std::filesystem::exists(m_fixture.tempFolder() + "/escape.sh"));
}


// Titles and file names that hold line breaks or separators add no line to
// the summary and no path to the archive.
TEST_F(EngineRun, HostileNamesStayOnTheirLine) {
  m_fixture.AddConfig("alpha.xml", "<config><configure><title>T\nInjected: yes</title></configure>"
                                   "<file id='f'><description>d\nInjected: too</description>"
                                   "<default>true</default><velt><os opsys='linux'><file_copy_action>"
                                   "<action><loc>" + m_source + "/*</loc></action>"
                                   "</file_copy_action></os></velt></file></config>");
  m_fixture.dir().WriteFile("logs/x\nInjected: name", "1");
  m_fixture.dir().WriteFile("logs/..\\..\\evil.bat", "2");
  ASSERT_EQ(0, Run("", m_bundle));
  const std::string summary = Summary();
  EXPECT_EQ(std::string::npos, summary.find("\nInjected")) << summary;
  for (const std::string& entry : velt::test::ZipEntries(m_bundle)) {
    EXPECT_EQ(std::string::npos, entry.find_first_of("\\\n")) << entry;
    EXPECT_EQ(std::string::npos, ("/" + entry + "/").find("/../")) << entry;
  }
}



}  // namespace
