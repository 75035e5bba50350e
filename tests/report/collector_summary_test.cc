// summary.txt and comments.txt as a user reads them: every width, rule and
// heading, byte for byte, with CR LF line ends and UTF-8 text.
#include <gtest/gtest.h>

#include <filesystem>

#include <memory>
#include <string>

#include "report/ReportTestSupport.h"
#include "support/CapturingLogger.h"
#include "support/RunFixture.h"
#include "support/TempDir.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"
#include "velt/report/collector.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::test::FileRecord;

class SummaryCollector : public collector {
 public:
  using collector::collector;
  using collector::initializeSummary;
  using collector::printSummary;
  using collector::smartWordWrap;
  using collector::writeComments;
  using collector::writeSummary;
  XMLObject* summary() { return m_pXMLSummary; }
  std::list<truncAttributes>& files() { return m_TruncAttrsList; }
  void firstBlockDone() { m_firstSummary = false; }
};

std::string Spaces(size_t n) { return std::string(n, ' '); }
std::string Rule(char c, size_t n) { return std::string(n, c) + "\r\n"; }
std::string Label(const std::string& label) { return label + Spaces(30 - label.size()); }

const std::string kIncludedHeader = "ID" + Spaces(15) + "  Filename" + Spaces(20) +
                                    "  Description" + Spaces(29) + "  File Size" + Spaces(1) +
                                    "\r\n";
const std::string kOmittedHeader = "ID" + Spaces(15) + "  Filename" + Spaces(20) +
                                   "  Description" + Spaces(29) + "  Reason Omitted" +
                                   Spaces(36) + "\r\n";

class SummaryTest : public ::testing::Test {
 protected:
  SummaryTest()
      : m_bundle(velt::Widen(m_dir.Path("bundle.zip"))),
        m_dest(velt::Widen(m_dir.Path("Network"))),
        m_config(L"configure", L""),
        m_collector(&m_request, m_unprocessed, 92, m_bundle, false) {
    std::filesystem::create_directory(m_dir.Path("Network"));
    m_config.AddChild(m_config.GetRoot(), L"title", L"Network");
  }
  std::string SummaryText() { return velt::test::ReadFile(m_dir.Path("summary.txt")); }
  void Print() {
    ASSERT_EQ(0, m_collector.writeSummary(m_dest, &m_config));
  }
  // One row of four columns as the summary prints it; UTF-8 text is padded
  // by characters.
  static std::string Row(const std::string& a, const std::string& b, const std::string& c,
                         const std::string& d, size_t lastWidth = 10) {
    auto pad = [](const std::string& s, size_t w) {
      size_t chars = 0;
      for (unsigned char byte : s) chars += (byte & 0xC0) != 0x80;
      return s + Spaces(w - chars);
    };
    return pad(a, 17) + "  " + pad(b, 28) + "  " + pad(c, 40) + "  " + pad(d, lastWidth) + "\r\n";
  }

  velt::test::TempDir m_dir;
  velt::test::ScopedLogCapture m_log;
  std::wstring m_bundle;
  std::wstring m_dest;
  XMLObject m_request{L"request", L""};
  XMLObject m_config;
  std::list<VeltComponent*> m_unprocessed;
  SummaryCollector m_collector;
};

TEST(SmartWordWrap, BreaksAtTheLastSpaceWithinTheWidthOrCutsOneShort) {
  const struct {
    std::wstring text;
    size_t width;
    std::wstring line, rest;
  } cases[] = {
      {L"  short text", 40, L"short text", L""},
      {std::wstring(20, L'a') + L" " + std::wstring(20, L'b'), 40, std::wstring(20, L'a'),
       std::wstring(20, L'b')},
      {L"abc\tdef\nghi", 8, L"abc\tdef", L"ghi"},  // every white-space character breaks
      // The rest loses its leading blanks.
      {std::wstring(12, L'y') + L"   z", 10, std::wstring(9, L'y'), L"yyy   z"},
      {L"ab", 1, L"a", L"b"},  // still makes progress
  };
  for (const auto& c : cases) {
    std::wstring text = c.text;
    EXPECT_EQ(c.line, SummaryCollector::smartWordWrap(text, c.width));
    EXPECT_EQ(c.rest, text);
  }
  std::wstring text(95, L'x');  // no space: cut one short of the width
  EXPECT_EQ(39u, SummaryCollector::smartWordWrap(text, 40).size());
  EXPECT_EQ(39u, SummaryCollector::smartWordWrap(text, 40).size());
  EXPECT_EQ(17u, SummaryCollector::smartWordWrap(text, 40).size());
  EXPECT_TRUE(text.empty());
}

TEST_F(SummaryTest, FirstBlockHasHeadingMainInfoAndEverySection) {
  ASSERT_EQ(0, m_collector.initializeSummary());
  m_collector.files().push_back(FileRecord(L"ifconfig", L"/b/Network/ifconfig.txt", 1536));
  helperUtil::fillSummaryFailedFile(m_collector.summary(), L"routes", L"route.txt",
                                    L"Routing table", L"File not found");
  helperUtil::fillSummaryNote(m_collector.summary(), L"first note\n         second line");
  Print();
  EXPECT_TRUE(m_collector.files().empty());
  EXPECT_EQ(velt::Widen(m_dir.Path("summary.txt")), m_collector.GetSummaryPath());

  // The main information: labels in 30 columns, then this machine's values
  // (masked), the bundle path last.
  const std::string heading = "VELT BUNDLE SUMMARY\r\n\r\n" + Label("Time:") + "<masked>\r\n" +
                              Label("OS:") + "<masked>\r\n" + Label("User Name:") +
                              "<masked>\r\n" + Label("Bundle on client computer:") +
                              m_dir.Path("bundle.zip") + "\r\n";
  const std::string expected =
      "\r\n" + Rule('=', 141) + "Network:\r\n\r\n" + "Files Included in Bundle:\r\n" +
      kIncludedHeader + Rule('-', 101) +
      Row("ifconfig", "ifconfig.txt", "desc of ifconfig", velt::Narrow(helperUtil::SizeToStr(1536, 2))) +
      Rule('-', 101) + "\r\n\r\nFiles Omitted from Bundle:\r\n" + kOmittedHeader +
      Rule('-', 141) + Row("routes", "route.txt", "Routing table", "File not found", 50) +
      Rule('-', 141) + "\r\n\r\nNotes:\r\n - first note\r\n         second line\r\n";
  EXPECT_EQ(heading + expected, velt::test::MaskSummary(SummaryText()));
}

TEST_F(SummaryTest, LaterBlocksStartWithTheRuleAndLeaveEmptySectionsOut) {
  ASSERT_EQ(0, m_collector.initializeSummary());
  m_collector.firstBlockDone();
  Print();
  const std::string block = "Files Included in Bundle:\r\n" + kIncludedHeader + Rule('-', 101) +
                            Rule('-', 101);
  EXPECT_EQ("\r\n" + Rule('=', 141) + "Network:\r\n\r\n" + block, SummaryText());
  // A configuration without a title prints a bare colon.
  XMLObject untitled(L"configure", L"");
  ASSERT_EQ(0, m_collector.initializeSummary());
  ASSERT_EQ(0, m_collector.writeSummary(m_dest, &untitled));
  EXPECT_NE(std::string::npos, SummaryText().find(Rule('=', 141) + ":\r\n\r\n" + block));
}

TEST_F(SummaryTest, LongAndWideTextWrapsAndPadsByCharacters) {
  ASSERT_EQ(0, m_collector.initializeSummary());
  m_collector.firstBlockDone();
  truncAttributes record = FileRecord(L"caf\u00e9", L"/b/Network/r\u00e9sum\u00e9.log", 10);
  record.description = std::wstring(95, L'd');
  m_collector.files().push_back(record);
  Print();

  const std::string size = velt::Narrow(helperUtil::SizeToStr(10, 2));
  const std::string rows = Row("caf\xC3\xA9", "r\xC3\xA9sum\xC3\xA9.log", std::string(39, 'd'), size) +
                           Row("", "", std::string(39, 'd'), "") +
                           Row("", "", std::string(17, 'd'), "");
  const std::string text = SummaryText();
  EXPECT_NE(std::string::npos,
            text.find(kIncludedHeader + Rule('-', 101) + rows + Rule('-', 101)))
      << text;
}

TEST_F(SummaryTest, UnwritableSummaryKeepsTheFileListAndReportsTheOpenFailure) {
  std::wstring missing = velt::Widen(m_dir.Path("no/such/folder/Network"));
  ASSERT_EQ(0, m_collector.initializeSummary());
  m_collector.files().push_back(FileRecord(L"a", L"/b/a.log", 1));
  EXPECT_EQ(VELTENGINE_ERROR_FILE_OPEN_FAILURE, m_collector.writeSummary(missing, &m_config));
  EXPECT_EQ(1u, m_collector.files().size());
  // One entry, naming the file and why it could not be opened.
  const std::string summary = m_dir.Path("no/such/folder/summary.txt");
  EXPECT_EQ(1, m_log.Count(MID_DEBUG_MESSAGE, "collector::printSummary",
                           "fopen failed to open file \"" + summary +
                               "\": No such file or directory"));
  EXPECT_EQ(0, m_log.Count(MID_DEBUG_RETURN_CODE, "collector::printSummary", ""));
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, m_collector.printSummary(nullptr));
}

TEST_F(SummaryTest, CommentsFileHoldsTheUsersTextAndJoinsTheManifest) {
  m_request.AddChild(m_request.GetRoot(), L"comments", L"VPN drops\nafter résumé");
  VeltComponent entry(L"file", L"");
  entry.AddChild(L"name", L"notes.txt");
  ASSERT_EQ(0, m_collector.initializeSummary());
  ASSERT_EQ(0, m_collector.writeComments(&entry, m_dest));

  EXPECT_EQ("Comments from Orvalink user:\r\nVPN drops\r\nafter r\xC3\xA9sum\xC3\xA9",
            velt::test::ReadFile(m_dir.Path("notes.txt")));
  ASSERT_EQ(1u, m_collector.files().size());
  // Its manifest row (ID, name, description, size) is checked end to end by
  // the engine's tests; here, what the truncator will do with it.
  const truncAttributes& record = m_collector.files().back();
  EXPECT_EQ(velt::Widen(m_dir.Path("notes.txt")), record.path);
  EXPECT_EQ(TRUNC_NO, record.truncType);
  EXPECT_EQ(TRUNC_DATA, record.appliedTrunc);

  // Without an entry the default name is used.
  ASSERT_EQ(0, m_collector.writeComments(nullptr, m_dest));
  EXPECT_NE("", velt::test::ReadFile(m_dir.Path("comments.txt")));
}

TEST_F(SummaryTest, NoCommentNoFileAndAnUnwritableOneIsOmitted) {
  ASSERT_EQ(0, m_collector.initializeSummary());
  ASSERT_EQ(0, m_collector.writeComments(nullptr, m_dest));
  EXPECT_TRUE(m_collector.files().empty());
  EXPECT_FALSE(std::filesystem::exists(m_dir.Path("comments.txt")));

  m_request.AddChild(m_request.GetRoot(), L"comments", L"hello");
  std::wstring missing = velt::Widen(m_dir.Path("gone/Network"));
  EXPECT_EQ(VELTENGINE_ERROR_FILE_OPEN_FAILURE, m_collector.writeComments(nullptr, missing));
  auto omitted = velt::test::SectionRows(*m_collector.summary(), L"Manifest_Not_Included");
  ASSERT_EQ(1u, omitted.size());
  const std::wstring path = velt::Widen(m_dir.Path("gone/comments.txt"));
  EXPECT_EQ((std::vector<std::wstring>{L"comments", L"comments.txt", L"",
                                       L"Internal error: can't write comments at " + path}),
            omitted[0]);
  EXPECT_TRUE(m_log.Contains("can't write comments at"));
}

}  // namespace
