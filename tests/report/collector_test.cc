// The collector's passes over real configurations: which entries run, on
// which OS branch, with what progress, what the summary and the unprocessed
// list say afterwards, and what a clear pass deletes.
#include "velt/report/collector.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "report/ReportTestSupport.h"
#include "support/CaptureStdout.h"
#include "support/FakeOsFacts.h"
#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "velt/control/VeltThread.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"
#include "velt/xml/VeltParser.h"

namespace {

using Progress = std::vector<std::pair<std::string, int>>;

// An XML document parsed from text; the tree lives as long as its parser.
struct Xml {
  explicit Xml(const std::string& text) {
    std::list<XMLObject*> trees;
    parser.Parse(velt::Widen(text), VELT_PARSER_INPUT_TEXT, trees);
    tree = trees.empty() ? nullptr : trees.front();
  }
  VeltParser parser;
  XMLObject* tree = nullptr;
};

class TestCollector : public collector {
 public:
  using collector::collector;
  using collector::moveReaderToCorrectOS;
  VeltComponent* reader() { return m_pReader; }
};

class CollectorTest : public ::testing::Test {
 protected:
  // The configurations here are Linux ones.
  std::unique_ptr<velt::test::FakeOsFacts> m_linux = velt::test::LinuxFactsElsewhere();

  CollectorTest() : m_bundle(velt::Widen(m_dir.Path("bundle.zip"))) {
    VELT_CLI_OPTIONS options;
    options.consoleMode = true;
    VeltThread::SetVeltCLIOptions(options);
    std::filesystem::create_directory(m_dir.Path("bundle"));
    std::filesystem::create_directory(m_dir.Path("bundle/Logs"));
    m_dest = velt::Widen(m_dir.Path("bundle/Logs"));
  }
  ~CollectorTest() override { VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{}); }

  // A configuration entry; `branches` is the inside of its "velt" element.
  static std::string Entry(const std::string& id, const std::string& description, bool isDefault,
                           const std::string& branches) {
    return "<file id=\"" + id + "\"><description>" + description + "</description><default>" +
           (isDefault ? "true" : "false") + "</default><velt>" + branches + "</velt></file>";
  }
  // A Linux branch copying the files of `pattern` (clearable when asked).
  std::string CopyBranch(const std::string& pattern, bool clearable = false) {
    return "<os opsys=\"linux\"><file_copy_action><action><loc>" + m_dir.Path(pattern) +
           "</loc>" + (clearable ? "<clear_log apply=\"true\"/>" : "") +
           "</action></file_copy_action></os>";
  }
  static std::string Config(const std::string& title, const std::string& entries) {
    return "<configure><title>" + title + "</title>" + entries + "</configure>";
  }

  // Runs `work` with standard output captured and returns the console's
  // progress lines as (text, percent).
  template <typename Work>
  Progress CaptureProgress(Work work) {
    Progress lines;
    std::string text = velt::test::CaptureStdout(work);
    size_t pos = 0;
    while ((pos = text.find('\r', pos)) != std::string::npos && pos + 56 <= text.size()) {
      std::string label = text.substr(pos + 1, 50);
      label.erase(label.find_last_not_of(' ') + 1);
      lines.emplace_back(label, std::stoi(text.substr(pos + 52, 3)));
      pos += 56;
    }
    return lines;
  }
  std::string Summary() { return velt::test::ReadFile(m_dir.Path("bundle/summary.txt")); }
  bool Exists(const std::string& relative) {
    return std::filesystem::exists(m_dir.Path(relative));
  }

  velt::test::TempDir m_dir;
  velt::test::ScopedLogCapture m_log;
  std::wstring m_bundle;
  std::wstring m_dest;
  std::list<VeltComponent*> m_unprocessed;
};

TEST_F(CollectorTest, DefaultModeRunsDefaultEntriesInIdOrderAndNotesTheOthers) {
  m_dir.WriteFile("src/app.log", "application log\n");
  Xml config(Config("Logs", Entry("c", "Cee", true, CopyBranch("src/*.log")) +
                                Entry("a", "Aye", false, CopyBranch("src/*.log")) +
                                Entry("system-logs", "System", true, CopyBranch("src/*.log")) +
                                Entry("b", "Bee", true, "<os opsys=\"win7\"/>") +
                                "<file id=\"d\"><description>Dee</description>"
                                "<default>true</default></file>"));
  ASSERT_NE(nullptr, config.tree);
  XMLObject noRequest;
  collector c(&noRequest, m_unprocessed, 30, m_bundle, false);
  long rc = 1;
  Progress progress = CaptureProgress([&] { rc = c.Collect(m_dest, config.tree, 10); });
  ASSERT_EQ(0, rc);

  // 5 entries share 30 points: 6 each, granted only to an entry whose
  // branch was found; system logs are left out silently.
  EXPECT_EQ((Progress{{"Processing Bee...", 10}, {"Processing Cee...", 10}, {"Processing Dee...", 16}}),
            progress);
  EXPECT_TRUE(m_log.Contains("pDC->FindChild(VELT_CONST) is NULL"));
  EXPECT_TRUE(Exists("bundle/Logs/app.log"));

  const std::string summary = Summary();
  EXPECT_NE(std::string::npos, summary.find("\r\nc                  app.log"));
  EXPECT_NE(std::string::npos,
            summary.find("\r\n - The file(s) of ID a is/are not included by default by this "
                         "config.\r\n"));
  EXPECT_EQ(std::string::npos, summary.find("system-logs"));
}

TEST_F(CollectorTest, SystemLogsAndProgressSharesWhenAllowed) {
  Xml config(Config("Sys", Entry("system-log-hist", "History", true, "<os opsys=\"linux\"/>") +
                               Entry("system-logs", "Journal", true, "<os opsys=\"linux\"/>") +
                               Entry("x", "Extra", true, "<os opsys=\"linux\"/>")));
  XMLObject noRequest;
  collector c(&noRequest, m_unprocessed, 10, m_bundle, true);
  Progress progress = CaptureProgress([&] { EXPECT_EQ(0, c.Collect(m_dest, config.tree, 1)); });
  // 10 / 3 = 3 points each.
  EXPECT_EQ((Progress{{"Processing History...", 1}, {"Processing Journal...", 4},
                      {"Processing Extra...", 7}}),
            progress);
}

TEST_F(CollectorTest, RequestModeMergesSortedIdsAndLeavesTheUnservedListed) {
  m_dir.WriteFile("nine/9.log", "nine");
  m_dir.WriteFile("ten/10.log", "ten");
  Xml request(
      "<request><file id=\"9\"/><file id=\"x-missing\"/><file id=\"10\"/>"
      "<file id=\"comments\"/><file id=\"summary\"><name>report.txt</name></file>"
      "<comments>Tunnel drops</comments></request>");
  Xml config(Config("Logs", Entry("9", "Nine", false, CopyBranch("nine/*.log")) +
                                Entry("zz", "Zed", true, CopyBranch("nine/*.log")) +
                                Entry("10", "Ten", false, CopyBranch("ten/*.log"))));
  ASSERT_NE(nullptr, request.tree);
  for (VeltComponent* f : request.tree->GetRoot()->GetChildren()) {
    if (f->GetType() == L"file") m_unprocessed.push_back(f);
  }
  collector c(request.tree, m_unprocessed, 50, m_bundle, false);
  Progress progress = CaptureProgress([&] { EXPECT_EQ(0, c.Collect(m_dest, config.tree, 1)); });

  // "10" sorts before "9" in both lists; 5 requested entries share 50.
  EXPECT_EQ((Progress{{"Processing Ten...", 1}, {"Processing Nine...", 11}}), progress);
  std::vector<std::wstring> left;
  for (VeltComponent* f : m_unprocessed) left.push_back(f->FindAttrib(L"id")->getValue());
  EXPECT_EQ((std::vector<std::wstring>{L"x-missing", L"comments", L"summary"}), left);

  EXPECT_EQ(velt::Widen(m_dir.Path("bundle/report.txt")), c.GetSummaryPath());
  EXPECT_TRUE(Exists("bundle/comments.txt"));
  std::string summary = velt::test::ReadFile(m_dir.Path("bundle/report.txt"));
  const size_t ten = summary.find("\r\n10    "), nine = summary.find("\r\n9     "),
               comments = summary.find("\r\ncomments  ");
  EXPECT_LT(ten, nine);
  EXPECT_LT(nine, comments);
  EXPECT_NE(std::string::npos, comments);
  EXPECT_EQ(std::string::npos, summary.find("zz"));

  // A second configuration serving "9" again: its block carries the
  // duplicate warning, no heading, and no second comments file row.
  Xml second(Config("More", Entry("9", "Nine again", false, CopyBranch("nine/*.log"))));
  std::wstring moreDest = velt::Widen(m_dir.Path("bundle/More"));
  std::filesystem::create_directory(m_dir.Path("bundle/More"));
  CaptureProgress([&] { EXPECT_EQ(0, c.Collect(moreDest, second.tree, 50)); });
  summary = velt::test::ReadFile(m_dir.Path("bundle/report.txt"));
  const size_t block = summary.find("More:\r\n");
  ASSERT_NE(std::string::npos, block);
  EXPECT_EQ(0u, summary.find("VELT BUNDLE SUMMARY"));
  EXPECT_EQ(summary.find("VELT BUNDLE SUMMARY"), summary.rfind("VELT BUNDLE SUMMARY"));
  EXPECT_NE(std::string::npos,
            summary.find(" - WARNING: File ID 9 has duplicated instruction found in one of "
                         "previous config files\r\n",
                         block));
  EXPECT_EQ(std::string::npos, summary.find("comments  ", block));
}

// IDs are sorted and matched in one order, also when some are above U+FFFF
// (surrogates in UTF-16, sorting before U+E000..U+FFFF).
TEST_F(CollectorTest, IdsAboveTheBasicPlaneAreServed) {
  m_dir.WriteFile("nine/9.log", "nine");
  const std::string privateUse = "\xEE\x80\x80", emoji = "\xF0\x9F\x98\x80";
  Xml request("<request><file id=\"" + privateUse + "\"/><file id=\"" + emoji + "\"/></request>");
  Xml config(Config("Logs", Entry(privateUse, "Private", false, CopyBranch("nine/*.log")) +
                                Entry(emoji, "Emoji", false, CopyBranch("nine/*.log"))));
  for (VeltComponent* f : request.tree->GetRoot()->GetChildren()) m_unprocessed.push_back(f);
  collector c(request.tree, m_unprocessed, 50, m_bundle, false);
  Progress progress = CaptureProgress([&] { EXPECT_EQ(0, c.Collect(m_dest, config.tree, 1)); });
  EXPECT_EQ((Progress{{"Processing Emoji...", 1}, {"Processing Private...", 26}}), progress);
  EXPECT_TRUE(m_unprocessed.empty());
}

TEST_F(CollectorTest, EmptyRequestServesNothingAndMissingPiecesAreRefused) {
  Xml request("<request/>");
  Xml config(Config("Logs", Entry("a", "Aye", true, CopyBranch("src/*.log"))));
  collector c(request.tree, m_unprocessed, 50, m_bundle, false);
  Progress progress = CaptureProgress([&] { EXPECT_EQ(0, c.Collect(m_dest, config.tree, 1)); });
  EXPECT_TRUE(progress.empty());
  EXPECT_NE(std::string::npos, Summary().find("Logs:\r\n"));  // a block all the same
  EXPECT_FALSE(Exists("bundle/comments.txt"));

  collector noRequest(nullptr, m_unprocessed, 50, m_bundle, false);
  EXPECT_EQ(VELTENGINE_ERROR_NOT_INITIALIZED, noRequest.Collect(m_dest, config.tree, 1));
  EXPECT_TRUE(m_log.Contains("m_pXMLRequest is NULL"));
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, c.Collect(m_dest, nullptr, 1));
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, c.Clear(nullptr, 1));
  EXPECT_TRUE(m_log.Contains("pXMLObjectConfig is NULL"));
}

TEST_F(CollectorTest, UnwritableSummaryFailsTheConfigurationAndTheNextTriesTheHeadingAgain) {
  Xml config(Config("Logs", ""));
  XMLObject noRequest;
  collector c(&noRequest, m_unprocessed, 50, m_bundle, false);
  std::wstring nowhere = velt::Widen(m_dir.Path("missing/Logs"));
  EXPECT_EQ(VELTENGINE_ERROR_FILE_OPEN_FAILURE, c.Collect(nowhere, config.tree, 1));
  EXPECT_TRUE(m_log.Contains("collector::writeSummary"));
  // The summary path stays where the first block wanted it.
  std::filesystem::create_directory(m_dir.Path("missing"));
  EXPECT_EQ(0, c.Collect(nowhere, config.tree, 1));
  EXPECT_EQ(0u, velt::test::ReadFile(m_dir.Path("missing/summary.txt")).find("VELT BUNDLE"));
}

TEST_F(CollectorTest, BranchSelectionFollowsTheOperatingSystem) {
  Xml config(Config("T", Entry("w", "W", true,
                               "<os opsys=\"WIN7\"/><os opsys=\"win7\"/><os opsys=\"win8\"/>"
                               "<os opsys=\"linux\"/>") +
                             Entry("xp", "XP", true, "<os opsys=\"winxp\"/><os/>")));
  VeltComponent* both = config.tree->GetRoot()->FindChild(L"file");
  VeltComponent* xpOnly = config.tree->GetRoot()->GetChildren().back();
  XMLObject noRequest;
  TestCollector c(&noRequest, m_unprocessed, 50, m_bundle, false);
  auto chosen = [&](VeltComponent* entry) -> std::wstring {
    if (c.moveReaderToCorrectOS(entry) != 0) return L"none";
    return c.reader()->FindAttrib(L"opsys")->getValue();
  };
  EXPECT_EQ(L"linux", chosen(both));
  EXPECT_EQ(L"none", chosen(xpOnly));
  velt::test::FakeOsFacts os;
  os.Windows(6, 1, 7601, velt::platform::kProductWorkstation);
  EXPECT_EQ(L"win7", chosen(both));
  os.Windows(10, 0, 19045, velt::platform::kProductWorkstation);
  EXPECT_EQ(L"win8", chosen(both));
  EXPECT_EQ(VELTENGINE_ERROR_INTERNAL, c.moveReaderToCorrectOS(xpOnly));
  os.Windows(5, 1, 2600, velt::platform::kProductWorkstation);
  EXPECT_EQ(L"winxp", chosen(xpOnly));
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, c.moveReaderToCorrectOS(nullptr));
}

TEST_F(CollectorTest, ClearDeletesWhatDefaultEntriesMarkAndAdvancesForEveryEntry) {
  m_dir.WriteFile("old/a.log", "a");
  m_dir.WriteFile("keep/b.log", "b");
  m_dir.WriteFile("sys/s.log", "s");
  Xml config(Config("Logs", Entry("a", "Old logs", true, CopyBranch("old/*.log", true)) +
                                Entry("b", "Kept logs", false, CopyBranch("keep/*.log", true)) +
                                Entry("c", "Windows only", true, "<os opsys=\"win7\"/>") +
                                Entry("system-logs", "System", true, CopyBranch("sys/*.log", true))));
  collector c(nullptr, m_unprocessed, 30, m_bundle, false);
  Progress progress = CaptureProgress([&] { EXPECT_EQ(0, c.Clear(config.tree, 2)); });
  // 4 entries share 30: 7 each, for every entry but the skipped system logs.
  EXPECT_EQ((Progress{{"Clearing Old logs...", 2}, {"Clearing Windows only...", 16}}), progress);
  EXPECT_FALSE(Exists("old/a.log"));
  EXPECT_TRUE(Exists("keep/b.log"));
  EXPECT_TRUE(Exists("sys/s.log"));
  EXPECT_FALSE(Exists("bundle/summary.txt"));

  collector withSystem(nullptr, m_unprocessed, 30, m_bundle, true);
  CaptureProgress([&] { withSystem.Clear(config.tree, 2); });
  EXPECT_FALSE(Exists("sys/s.log"));
}

}  // namespace
