// End-to-end runs of the engine over fixture configurations: status lines,
// result codes, summary.txt and comments.txt byte for byte, the bundle's
// entries read back with unzip, clear runs, and every way a run can fail.
#include "velt/engine/VeltEngine.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/CaptureStdout.h"
#include "support/CapturingLogger.h"
#include "support/RunFixture.h"
#include "velt/control/VeltThread.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::Widen;
using velt::test::ReadFile;
using velt::test::RunFixture;

const std::string kCrlf = "\r\n";

std::string Rule(char ch, size_t length) { return std::string(length, ch) + kCrlf; }

std::string Field(const std::string& text, size_t width) {
  std::string cut = text.substr(0, width);
  return cut + std::string(width - cut.size(), ' ');
}

std::string IncludedRow(const std::string& id, const std::string& name, const std::string& desc,
                        const std::string& size) {
  return Field(id, 17) + "  " + Field(name, 28) + "  " + Field(desc, 40) + "  " + Field(size, 10) +
         kCrlf;
}

std::string OmittedRow(const std::string& id, const std::string& name, const std::string& desc,
                       const std::string& reason) {
  return Field(id, 17) + "  " + Field(name, 28) + "  " + Field(desc, 40) + "  " +
         Field(reason, 50) + kCrlf;
}

std::string Heading(const std::string& bundle) {
  return "VELT BUNDLE SUMMARY" + kCrlf + kCrlf + Field("Time:", 30) + "<masked>" + kCrlf +
         Field("OS:", 30) + "<masked>" + kCrlf + Field("User Name:", 30) + "<masked>" + kCrlf +
         Field("Bundle on client computer:", 30) + bundle + kCrlf;
}

std::string BlockStart(const std::string& title) {
  return kCrlf + Rule('=', 141) + title + ":" + kCrlf + kCrlf + "Files Included in Bundle:" +
         kCrlf + IncludedRow("ID", "Filename", "Description", "File Size") + Rule('-', 101);
}

std::string OmittedStart() {
  return kCrlf + kCrlf + "Files Omitted from Bundle:" + kCrlf +
         OmittedRow("ID", "Filename", "Description", "Reason Omitted") + Rule('-', 141);
}

// A configuration whose entry copies <source>/*.log, one optional entry and
// one whose location matches nothing.
std::string AlphaConfig(const std::string& source) {
  return "<config><configure><title>Alpha</title></configure>\n"
         "<file id=\"a-logs\"><description>Alpha logs</description><default>true</default>"
         "<velt><os opsys=\"win7\"><file_copy_action><action><loc>C:\\x\\*.log</loc></action>"
         "</file_copy_action></os>"
         "<os opsys=\"linux\"><file_copy_action><action><loc>" + source + "/*.log</loc>"
         "<clear_log apply=\"true\"/></action></file_copy_action></os></velt></file>\n"
         "<file id=\"b-extra\"><description>Extra</description><default>false</default>"
         "<velt><os opsys=\"linux\"/></velt></file>\n"
         "<file id=\"c-missing\"><description>Alpha missing</description><default>true</default>"
         "<velt><os opsys=\"linux\"><file_copy_action><action><loc>" + source +
         "/nothing/*.txt</loc></action></file_copy_action></os></velt></file>\n"
         "</config>\n";
}

class EngineRun : public ::testing::Test {
 protected:
  void SetUp() override {
    VELT_CLI_OPTIONS options;
    options.consoleMode = true;
    VeltThread::SetVeltCLIOptions(options);
    m_source = m_fixture.dir().Path("logs");
    m_fixture.dir().WriteFile("logs/one.log", "first log\n");
    m_fixture.dir().WriteFile("logs/two.log", std::string(2000, 'x'));
    m_bundle = m_fixture.dir().Path("out/bundle.zip");
    std::filesystem::create_directories(m_fixture.dir().Path("out"));
  }
  void TearDown() override {
    VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
    VeltThread::SetMainThreadHandle(nullptr);
  }

  // Runs the engine in console mode; returns its result, keeps its output.
  long Run(const std::string& request, const std::string& bundle, const std::string& password = "",
           bool clear = false) {
    VeltEngine engine(Widen(request), Widen(m_fixture.installFolder()), Widen(bundle),
                      Widen(password), clear, false);
    long result = 0;
    m_console = velt::test::CaptureStdout([&] { result = engine.start(); });
    m_finalBundle = velt::Narrow(engine.bundlePath());
    return result;
  }

  std::string Summary() { return velt::test::ZipEntry(m_finalBundle, "summary.txt"); }

  RunFixture m_fixture;
  velt::test::ScopedLogCapture m_log;
  std::string m_source;
  std::string m_bundle;
  std::string m_console;
  std::string m_finalBundle;
};

std::string ProgressLine(const std::string& text, int percent) {
  char buffer[128];
  std::snprintf(buffer, sizeof(buffer), "\r%-50.50s %3d%%", text.c_str(), percent);
  return buffer;
}

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
  EXPECT_EQ((std::vector<std::string>{"Alpha/one.log", "Alpha/two.log", "summary.txt"}),
            velt::test::ZipEntries(m_bundle));
  EXPECT_EQ("first log\n", velt::test::ZipEntry(m_bundle, "Alpha/one.log"));
  EXPECT_EQ(std::string(2000, 'x'), velt::test::ZipEntry(m_bundle, "Alpha/two.log"));

  const std::string expected =
      Heading(m_bundle) + BlockStart("Alpha") +
      IncludedRow("a-logs", "one.log", "Alpha logs", "10 bytes") +
      IncludedRow("a-logs", "two.log", "Alpha logs", "1.95K") + Rule('-', 101) + OmittedStart() +
      OmittedRow("c-missing", "N/A", "Alpha missing", "No file found with path matching:") +
      OmittedRow("", "", "", m_source + "/nothing/*.txt") + Rule('-', 141) + kCrlf +
      kCrlf + "Notes:" + kCrlf +
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

  EXPECT_EQ((std::vector<std::string>{"Alpha/one.log", "Alpha/two.log", "notes.txt",
                                      "summary.txt"}),
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
                                      "Unknown_3/one.log", "summary.txt"}),
            velt::test::ZipEntries(m_bundle));
  const std::string summary = Summary();
  const std::string failures = "\r\n" + std::string(100, '=') +
                               "\r\nVeltEngine failed to parse or use the following "
                               "configuration files:\r\n" +
                               m_fixture.installFolder() + "xml/config/2.xml\r\n";
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
  EXPECT_NE(0, velt::test::RunCommand("unzip -P wrong -t " + velt::test::ShellQuote(m_bundle) +
                                      " >/dev/null 2>&1 </dev/null"));
  EXPECT_EQ(0, velt::test::RunCommand("unzip -P 's3cret pass' -t " +
                                      velt::test::ShellQuote(m_bundle) + " >/dev/null 2>&1"));
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

// The failure table: each ends with its code and status line and leaves
// neither a temporary folder nor anything at the bundle path.
TEST_F(EngineRun, InvalidRequest) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  m_fixture.dir().WriteFile("bad.xml", "<request><file id='a'></request>");
  for (const std::string& request :
       {m_fixture.dir().Path("bad.xml"), m_fixture.dir().Path("missing.xml")}) {
    EXPECT_EQ(VELTENGINE_ERROR_INVALID_XML, Run(request, m_bundle));
    EXPECT_EQ("\r\nInternal Error: invalid request XML, please contact your administrator, or run "
              "in default mode\r\n",
              m_console.substr(m_console.find("\r\n")));
    EXPECT_TRUE(m_fixture.TempEntries().empty());
    EXPECT_FALSE(std::filesystem::exists(m_bundle));
  }
}

TEST_F(EngineRun, NoLoadableConfiguration) {
  m_fixture.AddConfig("broken.xml", "<config>");
  m_fixture.AddConfig("UPPER.XML", "<config/>");
  EXPECT_EQ(VELTENGINE_ERROR_INTERNAL, Run("", m_bundle));
  EXPECT_NE(std::string::npos, m_console.find("\r\nInternal Error: no valid configuration XML found...\r\n"));
  EXPECT_EQ(VELTENGINE_ERROR_INTERNAL, Run("", "", "", true));
  EXPECT_FALSE(std::filesystem::exists(m_bundle));
}

TEST_F(EngineRun, EveryConfigurationFailing) {
  // No file may grow beyond 0 bytes: no summary can be written, so every
  // configuration's collection fails, and the run ends cleanly instead of
  // dying of the signal.
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit none = saved;
  none.rlim_cur = 0;
  setrlimit(RLIMIT_FSIZE, &none);
  const long result = Run("", m_bundle);
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(VELTENGINE_ERROR_INTERNAL, result);  // "all configs failed"
  EXPECT_TRUE(m_fixture.TempEntries().empty());
  EXPECT_FALSE(std::filesystem::exists(m_bundle));
}

TEST_F(EngineRun, TemporaryFolderCannotBeCreated) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  setenv("TMPDIR", m_fixture.dir().Path("no/such/folder").c_str(), 1);
  long result = Run("", m_bundle);
  EXPECT_NE(0, result);
  EXPECT_NE(std::string::npos,
            m_console.find("\r\nInternal Error: failed to create temporary working folder...\r\n"));
  EXPECT_FALSE(std::filesystem::exists(m_bundle));
}

TEST_F(EngineRun, TemporaryFolderOfAnotherKindIsNotUsed) {
  // A file (not a folder) where the bundle folder would go: the run uses a
  // fresh folder name and leaves the file alone.
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  m_fixture.dir().WriteFile("tmp/VELT_Temp_Bundle", "not a folder");
  ASSERT_EQ(0, Run("", m_bundle));
  EXPECT_EQ("not a folder", ReadFile(m_fixture.tempFolder() + "/VELT_Temp_Bundle"));
  EXPECT_EQ(1u, m_fixture.TempEntries().size());
}

TEST_F(EngineRun, ZipFailureLeavesNoBundle) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  const std::string bundle = m_fixture.dir().Path("missing-folder/b.zip");
  EXPECT_EQ(VELTENGINE_ERROR_WRITE_FAILURE, Run("", bundle));
  EXPECT_NE(std::string::npos, m_console.find("\r\nInternal Error: failed to zip the bundle...\r\n"));
  EXPECT_FALSE(std::filesystem::exists(m_fixture.dir().Path("missing-folder")));
  EXPECT_TRUE(m_fixture.TempEntries().empty());
}

TEST_F(EngineRun, BundleNameRule) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  ASSERT_EQ(0, Run("", m_fixture.dir().Path("out/a.Zip")));
  EXPECT_EQ(m_fixture.dir().Path("out/a.Zip.zip"), m_finalBundle);
  ASSERT_EQ(0, Run("", m_fixture.dir().Path("out/b.zip")));
  EXPECT_EQ(m_fixture.dir().Path("out/b.zip"), m_finalBundle);
}

TEST_F(EngineRun, WindowModeReportsProgressAndResult) {
  m_fixture.AddConfig("1.xml", AlphaConfig(m_source));
  m_fixture.AddConfig("2.xml", AlphaConfig(m_source));
  VeltWindow window;
  VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
  VeltThread::SetMainThreadHandle(&window);
  long result = -1;
  std::thread worker([&] {
    VeltEngine engine(L"", Widen(m_fixture.installFolder()), Widen(m_bundle), L"", false, false);
    result = engine.start();
  });
  std::vector<unsigned> percents;
  WindowMessage message{};
  uintptr_t final = 1;
  while (window.Get(message, 60000)) {
    if (message.message == WM_VELT_RESULT) {
      final = message.wParam;
      break;
    }
    percents.push_back(VeltThread::CopyProgressStatus().percent);
  }
  worker.join();
  EXPECT_EQ(0u, final);
  EXPECT_EQ(0, result);
  ASSERT_FALSE(percents.empty());
  for (size_t i = 1; i < percents.size(); ++i) {
    EXPECT_LE(percents[i - 1], percents[i]);
  }
  EXPECT_EQ(100u, percents.back());
  EXPECT_EQ(L"VELT has finished... ", VeltThread::CopyProgressStatus().status);
  EXPECT_FALSE(window.Get(message, 0));  // nothing after the result
}

TEST_F(EngineRun, WindowModeFailureEndsTheRunWithItsCode) {
  m_fixture.AddConfig("broken.xml", "<config>");
  VeltWindow window;
  VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
  VeltThread::SetMainThreadHandle(&window);
  long result = 0;
  std::thread worker([&] {
    VeltEngine engine(L"", Widen(m_fixture.installFolder()), Widen(m_bundle), L"", false, false);
    result = engine.start();
  });
  worker.join();
  WindowMessage message{};
  uintptr_t final = 0;
  while (window.Get(message, 0)) {
    if (message.message == WM_VELT_RESULT) {
      final = message.wParam;
    }
  }
  EXPECT_EQ(static_cast<uintptr_t>(VELTENGINE_ERROR_INTERNAL), final);
  EXPECT_EQ(VELTENGINE_ERROR_INTERNAL, result);
  EXPECT_EQ(L"Internal Error: no valid configuration XML found...",
            VeltThread::CopyProgressStatus().status);
}

}  // namespace
