#include "velt/report/truncator.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "helpers/SummaryTree.h"
#include "report/BundleBudget.h"
#include "report/ReportTestSupport.h"
#include "support/CapturingLogger.h"
#include "support/ScopedWorkingDirectory.h"
#include "support/TempDir.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::test::FileRecord;
using velt::test::Notes;
using velt::test::SectionRows;

class TruncatorTest : public ::testing::Test {
 protected:
  TruncatorTest() : m_summary(velt::NewSummaryTree()) {}

  // A file of `size` bytes in the temporary folder: "0123456789" repeated.
  std::wstring MakeFile(const std::string& name, size_t size) {
    std::string content;
    for (size_t i = 0; i < size; ++i) content += static_cast<char>('0' + i % 10);
    return velt::Widen(m_dir.WriteFile(name, content));
  }
  bool Exists(const std::wstring& path) {
    return helperUtil::getFileSize(path.c_str()) >= 0.0;
  }
  std::string Content(const std::wstring& path) {
    return velt::test::ReadFile(velt::Narrow(path));
  }

  velt::test::TempDir m_dir;
  velt::test::ScopedWorkingDirectory m_work{m_dir.path()};  // where "temp_out.txt" goes
  velt::test::ScopedLogCapture m_log;
  std::unique_ptr<XMLObject> m_summary;
};

TEST_F(TruncatorTest, JustFillSummaryListsEveryFileInListOrderAndTouchesNothing) {
  std::wstring big = MakeFile("b.log", 300);
  std::list<truncAttributes> files{
      FileRecord(L"zeta", big, 300, TRUNC_WHOLE_FILE, 10),
      FileRecord(L"alpha", L"/no/such/dir/a.txt", 1536),
  };
  truncator t(files, m_summary.get());
  EXPECT_EQ(0, t.justFillSummary());
  auto rows = SectionRows(*m_summary, L"Manifest_Included");
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ((std::vector<std::wstring>{L"zeta", L"b.log", L"desc of zeta",
                                       helperUtil::SizeToStr(300, 2)}),
            rows[0]);
  EXPECT_EQ(L"a.txt", rows[1][1]);
  EXPECT_EQ(300u, Content(big).size());
  EXPECT_TRUE(Notes(*m_summary).empty());
  EXPECT_EQ(L"desc of zeta", files.front().description);  // the caller's list is untouched
}

TEST_F(TruncatorTest, RefusesAnEmptyListAndSummariesWithoutTheirSection) {
  std::list<truncAttributes> none;
  truncator empty(none, m_summary.get());
  EXPECT_EQ(0, empty.justFillSummary());
  EXPECT_EQ(VELTENGINE_ERROR_NOT_INITIALIZED, empty.perform());
  EXPECT_TRUE(m_log.Contains("m_TruncAttrsList is empty"));
  std::list<truncAttributes> files{FileRecord(L"a", L"/x/a.log", 1)};
  truncator noSummary(files, nullptr);
  EXPECT_EQ(0, noSummary.justFillSummary());
  EXPECT_TRUE(m_log.Contains("m_pXMLSummary is uninitialized"));
  XMLObject bare(L"summary", L"");
  truncator noSection(files, &bare);
  noSection.justFillSummary();
  EXPECT_TRUE(m_log.Contains("pDCGoodFiles is NULL"));
  EXPECT_EQ(1, bare.GetRoot()->GetSize());
}

TEST_F(TruncatorTest, WholeFileGroupIsFirstFitFromTheLargestDown) {
  std::wstring f30 = MakeFile("c30.log", 30), f70 = MakeFile("a70.log", 70),
               f50 = MakeFile("b50.log", 50), other = MakeFile("other.log", 5);
  std::list<truncAttributes> files{
      FileRecord(L"logs", f30, 30, TRUNC_WHOLE_FILE, 100),
      FileRecord(L"z", other, 5),
      FileRecord(L"logs", f70, 70, TRUNC_WHOLE_FILE, 100),
      FileRecord(L"logs", f50, 50, TRUNC_WHOLE_FILE, 100),
  };
  truncator t(files, m_summary.get());
  EXPECT_EQ(0, t.perform());

  auto kept = SectionRows(*m_summary, L"Manifest_Included");
  ASSERT_EQ(3u, kept.size());
  EXPECT_EQ(L"a70.log", kept[0][1]);
  EXPECT_EQ(L"desc of logs; see note *1", kept[0][2]);
  EXPECT_EQ(L"c30.log", kept[1][1]);  // 70 + 30 = 100: equality fits
  EXPECT_EQ(L"other.log", kept[2][1]);
  auto dropped = SectionRows(*m_summary, L"Manifest_Not_Included");
  ASSERT_EQ(1u, dropped.size());
  EXPECT_EQ((std::vector<std::wstring>{
                L"logs", L"b50.log", L"desc of logs",
                L"See note *1; File/whole truncate type specified; total allowed size for this "
                L"ID is " +
                    helperUtil::SizeToStr(100, 2) + L"; this file is " +
                    helperUtil::SizeToStr(50, 2)}),
            dropped[0]);
  EXPECT_FALSE(Exists(f50));
  EXPECT_TRUE(Exists(f70));
  EXPECT_TRUE(Exists(f30));

  auto notes = Notes(*m_summary);
  ASSERT_EQ(1u, notes.size());
  EXPECT_EQ(0u, notes[0].find(L"*1: When the request specifies file(whole) truncation"));
  EXPECT_NE(std::wstring::npos, notes[0].find(L"algorithm\n         based on file sizes"));
}

TEST_F(TruncatorTest, ZeroBudgetKeepsOnlyEmptyFiles) {
  std::wstring empty = MakeFile("empty.log", 0), full = MakeFile("full.log", 1);
  std::list<truncAttributes> files{FileRecord(L"id", full, 1, TRUNC_WHOLE_FILE, 0),
                                   FileRecord(L"id", empty, 0, TRUNC_WHOLE_FILE, 0)};
  truncator t(files, m_summary.get());
  t.perform();
  auto kept = SectionRows(*m_summary, L"Manifest_Included");
  ASSERT_EQ(1u, kept.size());
  EXPECT_EQ(L"empty.log", kept[0][1]);
  EXPECT_FALSE(Exists(full));
}

TEST_F(TruncatorTest, DataGroupShrinksEveryFileInProportionFromItsSide) {
  std::wstring endCut = MakeFile("end.log", 300), frontCut = MakeFile("front.log", 100);
  std::list<truncAttributes> files{
      FileRecord(L"d", frontCut, 100, TRUNC_DATA, 100, TRUNC_FRONT),
      FileRecord(L"d", endCut, 300, TRUNC_DATA, 100, TRUNC_END),
  };
  truncator t(files, m_summary.get());
  EXPECT_EQ(0, t.perform());

  std::string end = Content(endCut), front = Content(frontCut);
  EXPECT_EQ(75u, end.size());    // 100 * 300 / 400
  EXPECT_EQ(25u, front.size());  // 100 * 100 / 400
  EXPECT_EQ("01234", end.substr(0, 5));
  EXPECT_EQ("56789", front.substr(20));  // the last 25 of 100 bytes start at '5'

  auto kept = SectionRows(*m_summary, L"Manifest_Included");
  ASSERT_EQ(2u, kept.size());
  EXPECT_EQ(L"end.log", kept[0][1]);  // the larger file first
  EXPECT_EQ(L"desc of d; see Note *2", kept[0][2]);
  EXPECT_EQ(helperUtil::SizeToStr(300, 2), kept[0][3]);  // the size when gathered
  auto notes = Notes(*m_summary);
  ASSERT_EQ(1u, notes.size());
  EXPECT_EQ(0u, notes[0].find(L"*2: When the request specifies data truncation"));
}

TEST_F(TruncatorTest, DataGroupWithinBudgetAndWithoutSideLeavesFilesAndWarns) {
  std::wstring file = MakeFile("one.log", 60), empty = MakeFile("zero.log", 0);
  std::list<truncAttributes> files{
      FileRecord(L"d", file, 60, TRUNC_DATA, 75, TRUNC_NO),
      FileRecord(L"e", empty, 0, TRUNC_DATA, 10, TRUNC_END),  // total 0: nothing to divide
  };
  truncator t(files, m_summary.get());
  t.perform();
  EXPECT_EQ(60u, Content(file).size());
  EXPECT_EQ(0u, Content(empty).size());
  auto notes = Notes(*m_summary);
  ASSERT_EQ(2u, notes.size());
  EXPECT_EQ(L"Warning: the file one.log corresponding to ID d has WHOLE or NONE as default "
            L"truncation type, however, requested to be DATA-truncated.\n\t VELT will truncate "
            L"end, but there could be possible loss of useful data, or corruption of the file.",
            notes[0]);
  EXPECT_EQ(2u, SectionRows(*m_summary, L"Manifest_Included").size());
}

TEST_F(TruncatorTest, MixedAndUnknownSchemesDropTheFilesAsInternalErrors) {
  std::wstring whole = MakeFile("whole.log", 20), none = MakeFile("none.log", 10),
               lost1 = MakeFile("lost1.log", 4), lost2 = MakeFile("lost2.log", 3);
  std::list<truncAttributes> files{
      FileRecord(L"m", none, 10, TRUNC_NO),
      FileRecord(L"m", whole, 20, TRUNC_WHOLE_FILE, 100),  // larger: its scheme rules
      FileRecord(L"x", lost1, 4, TRUNC_END),
      FileRecord(L"x", lost2, 3, TRUNC_NO),
  };
  truncator t(files, m_summary.get());
  t.perform();

  auto kept = SectionRows(*m_summary, L"Manifest_Included");
  ASSERT_EQ(1u, kept.size());
  EXPECT_EQ(L"whole.log", kept[0][1]);
  auto dropped = SectionRows(*m_summary, L"Manifest_Not_Included");
  ASSERT_EQ(3u, dropped.size());
  for (const auto& row : dropped) EXPECT_EQ(L"Internal error", row[3]);
  EXPECT_EQ(L"none.log", dropped[0][1]);
  EXPECT_EQ(L"lost1.log", dropped[1][1]);
  EXPECT_FALSE(Exists(none));
  EXPECT_FALSE(Exists(lost1));
  EXPECT_FALSE(Exists(lost2));
  // Both are reported by the group walk itself, once per file.
  EXPECT_EQ(1, m_log.Count(MID_DEBUG_MESSAGE, "truncator::perform",
                           "different requested truncation scheme"));
  EXPECT_EQ(1, m_log.Count(MID_DEBUG_MESSAGE, "truncator::perform",
                           "Lost fileID for file: \"" + velt::Narrow(lost1) + "\""));
}

// A budget over the whole bundle: the largest cuttable files are cut to one
// common size, the largest that fits; the others count in full.
TEST(BundleBudget, TheLargestFilesAreCutToOneCommonSize) {
  struct Case {
    std::vector<uint64_t> sizes;
    std::vector<bool> cuttable;
    uint64_t budget;
    std::vector<uint64_t> kept;
  } cases[] = {
      {{100, 50, 30}, {true, true, true}, 180, {100, 50, 30}},  // fits as it is
      {{100, 50, 30}, {true, true, true}, 150, {70, 50, 30}},
      {{100, 50, 30}, {true, true, true}, 101, {35, 35, 30}},   // 35 + 35 + 30: one byte spare
      {{100, 50, 30}, {false, true, true}, 120, {100, 10, 10}},
      {{100, 50}, {false, true}, 90, {100, 0}},  // what may not be cut passes it alone
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.kept, velt::report::KeptSizes(c.sizes, c.cuttable, c.budget)) << c.budget;
  }
}

// A file marked for the budget is cut on its own to its newest part and
// listed with the size it has then, with a note; the others as they are;
// the work file does not stay.
TEST_F(TruncatorTest, FitToBudgetCutsEachMarkedFileAloneAndSaysByHowMuch) {
  std::wstring big = MakeFile("big.log", 3000), small = MakeFile("small.log", 300);
  std::list<truncAttributes> files{FileRecord(L"a", big, 3000, TRUNC_DATA, 1000, TRUNC_FRONT),
                                   FileRecord(L"a", small, 300)};
  const std::wstring work = velt::Widen(m_dir.Path(".cut"));
  truncator t(files, m_summary.get());
  EXPECT_EQ(0, t.fitToBudget(work, L"to fit."));
  EXPECT_EQ(1000u, Content(big).size());
  EXPECT_EQ("0123456789", Content(big).substr(0, 10));  // the last 1000 of 3000 bytes
  EXPECT_EQ(300u, Content(small).size());
  EXPECT_FALSE(Exists(work));
  auto listed = SectionRows(*m_summary, L"Manifest_Included");
  ASSERT_EQ(2u, listed.size());
  EXPECT_EQ(helperUtil::SizeToStr(1000, 2), listed[0][3]);
  EXPECT_EQ(L"desc of a", listed[0][2]);
  EXPECT_EQ((std::vector<std::wstring>{L"big.log (ID a) was cut from 2.93K to 1000 bytes (1.95K "
                                       L"left out, its newest part kept) to fit."}),
            Notes(*m_summary));
}

}  // namespace
