// Collecting files into the bundle and dispatching an entry's instances.
#include "velt/actions/VeltCollectLogsAction.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <list>
#include <string>

#include "actions/ActionTestSupport.h"
#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::test::Element;
using velt::test::W;

void SetAccessTime(const std::string& path, time_t seconds) {
  struct timespec times[2] = {{seconds, 0}, {0, UTIME_OMIT}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, 0));
}

class CollectFilesTest : public ::testing::Test {
 protected:
  CollectFilesTest() {
    velt::test::MakeSummary(m_summary);
    m_attributes.fileID = L"agent";
    m_attributes.description = L"Agent logs";
    m_attributes.bundleFolder = W(m_bundle.path());
    m_attributes.truncType = TRUNC_DATA;
    m_attributes.truncRatio = 1000.0;
  }

  long Copy(const std::wstring& loc, bool gatherNewest, std::list<truncAttributes>& out) {
    VeltCollectLogsAction action(m_attributes, nullptr);
    FILE_ACTION_ATTRIBUTES a;
    a.loc = loc;
    a.locPath = loc;
    a.gatherNewest = gatherNewest;
    return action.fullCopy(a, out);
  }

  velt::test::ScopedLogCapture m_log;
  velt::test::TempDir m_source;
  velt::test::TempDir m_bundle;
  XMLObject m_summary;
  ACTION_ATTRIBUTES m_attributes{&m_summary};
};

TEST_F(CollectFilesTest, CopiesEveryMatchUnderComposedNames) {
  m_source.WriteFile("a.log", "alpha");
  m_source.WriteFile("b.log", "bravo!");
  m_source.WriteFile("c.txt", "other");
  m_attributes.dstName = L"Setup.txt";
  std::list<truncAttributes> out;
  ASSERT_EQ(0, Copy(W(m_source.Path("*.log")), false, out));

  ASSERT_EQ(2u, out.size());
  const truncAttributes& first = out.front();
  EXPECT_EQ(W(m_bundle.Path("Setup__a__log.txt")), first.path);
  EXPECT_EQ("alpha", velt::test::ReadFile(m_bundle.Path("Setup__a__log.txt")));
  EXPECT_EQ(L"agent", first.fileID);
  EXPECT_EQ(L"Agent logs", first.description);
  EXPECT_EQ(5.0, first.size);
  EXPECT_EQ(TRUNC_DATA, first.truncType);
  EXPECT_EQ(1000.0, first.truncRatio);
  EXPECT_EQ(TRUNC_NO, first.appliedTrunc);
  EXPECT_EQ(W(m_bundle.Path("Setup__b__log.txt")), out.back().path);
  EXPECT_EQ(6.0, out.back().size);
  EXPECT_TRUE(velt::test::FailedFiles(m_summary).empty());
}

TEST_F(CollectFilesTest, EmptyDestinationNameKeepsTheSourceName) {
  m_source.WriteFile("agent.log", "x");
  std::list<truncAttributes> out;
  ASSERT_EQ(0, Copy(W(m_source.Path("agent.*")), false, out));
  ASSERT_EQ(1u, out.size());
  EXPECT_EQ(W(m_bundle.Path("agent.log")), out.front().path);
}

TEST_F(CollectFilesTest, GatherNewestCopiesOnlyTheLatestAccessed) {
  SetAccessTime(m_source.WriteFile("old.log", "old"), 1000000000);
  SetAccessTime(m_source.WriteFile("new.log", "new"), 1600000000);
  SetAccessTime(m_source.WriteFile("older.log", "older"), 900000000);
  std::list<truncAttributes> out;
  ASSERT_EQ(0, Copy(W(m_source.Path("*.log")), true, out));
  ASSERT_EQ(1u, out.size());
  EXPECT_EQ(W(m_bundle.Path("new.log")), out.front().path);
  EXPECT_NE(0, access(m_bundle.Path("old.log").c_str(), F_OK));
  EXPECT_TRUE(velt::test::FailedFiles(m_summary).empty());
}

TEST_F(CollectFilesTest, MissingMatchesAreNoted) {
  std::list<truncAttributes> out;
  std::wstring folder = W(m_source.path()) + L"/";
  EXPECT_EQ(VELTENGINE_ERROR_FILE_NOT_FOUND, Copy(folder + L"*.gone", true, out));
  EXPECT_EQ(0, Copy(folder + L"*.gone", false, out));
  EXPECT_EQ(0, Copy(W(m_source.Path("nofolder/x.log")), false, out));
  EXPECT_TRUE(out.empty());

  auto failed = velt::test::FailedFiles(m_summary);
  ASSERT_EQ(3u, failed.size());
  EXPECT_EQ(L"agent", failed[0].fileId);
  EXPECT_EQ(L"*.gone", failed[0].name);
  EXPECT_EQ(L"Agent logs", failed[0].description);
  EXPECT_EQ(folder + L"*.gone not found on client machine.", failed[0].reason);
  EXPECT_EQ(L"N/A", failed[1].name);
  EXPECT_EQ(L"No file found with path matching: " + folder + L"*.gone", failed[1].reason);
  EXPECT_EQ(L"No file found with path matching: " + W(m_source.Path("nofolder/x.log")),
            failed[2].reason);
}

TEST_F(CollectFilesTest, FailedCopiesAreNotedAndTheOthersStillCopied) {
  m_source.WriteFile("a.log", "a");
  // Listed but gone by the time it is copied: a link whose target vanished.
  ASSERT_EQ(0, symlink(m_source.Path("vanished").c_str(), m_source.Path("b.log").c_str()));
  ASSERT_EQ(0, mkdir(m_source.Path("c.log").c_str(), 0755));  // cannot be copied as a file
  m_source.WriteFile("d.log", "d");
  std::list<truncAttributes> out;
  std::wstring loc = W(m_source.Path("*.log"));
  ASSERT_EQ(0, Copy(loc, false, out));

  ASSERT_EQ(2u, out.size());
  EXPECT_EQ(W(m_bundle.Path("a.log")), out.front().path);
  EXPECT_EQ(W(m_bundle.Path("d.log")), out.back().path);
  auto failed = velt::test::FailedFiles(m_summary);
  ASSERT_EQ(2u, failed.size());
  EXPECT_EQ(L"b.log", failed[0].name);
  EXPECT_EQ(loc + L" File not found", failed[0].reason);
  EXPECT_EQ(L"c.log", failed[1].name);
  EXPECT_EQ(loc + L" Unexpected error occurred", failed[1].reason);
}

TEST(DescribeCopyErrorTest, OnlyFileNotFoundHasItsOwnText) {
  EXPECT_EQ(L" File not found",
            VeltCollectLogsAction::describeCopyError(VELTENGINE_ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(L" Unexpected error occurred",
            VeltCollectLogsAction::describeCopyError(VELTENGINE_ERROR_UNEXPECTED));
}

TEST_F(CollectFilesTest, PerformRunsEveryInstanceAndKeepsGoodResults) {
  m_source.WriteFile("a.log", "a");
  m_source.WriteFile("b.cfg", "b");
  VeltComponent* entry = Element(
      L"os", L"",
      {Element(L"use_extern_action"),  // no instances: skipped
       Element(L"file_copy_action", L"",
               {Element(L"action", L"", {Element(L"loc", W(m_source.Path("*.log")))}),
                Element(L"action", L"",
                        {Element(L"loc", W(m_source.Path("*.none")), {},
                                 {{L"gather_newest", L"true"}})}),
                Element(L"action", L"", {Element(L"loc", W(m_source.Path("*.cfg")))})}),
       Element(L"use_extern_action", L"",
               {Element(L"action", L"", {Element(L"bogus", L"x")})}),
       Element(L"registry_action", L"",
               {Element(L"action", L"", {Element(L"loc", W(m_source.Path("*.log")))})})});
  std::list<truncAttributes> files;
  files.push_back(truncAttributes());  // records already there stay first
  {
    VeltCollectLogsAction action(m_attributes, entry);
    action.Perform(files);
  }
  delete entry;

  ASSERT_EQ(3u, files.size());
  EXPECT_EQ(W(m_bundle.Path("a.log")), (++files.begin())->path);
  EXPECT_EQ(W(m_bundle.Path("b.cfg")), files.back().path);
  // The unmatched newest search is noted but not logged as a failure; the
  // unknown tag is.
  EXPECT_EQ(1u, velt::test::FailedFiles(m_summary).size());
  EXPECT_FALSE(m_log.Contains("VeltAction::performFileAction"));
  EXPECT_TRUE(m_log.Contains("VeltAction::performExternalAction"));
}

}  // namespace
