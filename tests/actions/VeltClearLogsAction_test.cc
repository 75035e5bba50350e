// A clear run: clearable files are deleted, clearing commands run.
#include "velt/actions/VeltClearLogsAction.h"

#include <gtest/gtest.h>
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

class ClearTest : public ::testing::Test {
 protected:
  bool Exists(const std::string& name) { return access(m_dir.Path(name).c_str(), F_OK) == 0; }

  void Perform(VeltComponent* entry, std::list<truncAttributes>& files) {
    {
      VeltClearLogsAction action(ACTION_ATTRIBUTES(nullptr), entry);
      action.Perform(files);
    }
    delete entry;
  }

  velt::test::ScopedLogCapture m_log;
  velt::test::TempDir m_dir;
};

TEST_F(ClearTest, DeletesEveryMatchOnlyWhenClearable) {
  m_dir.WriteFile("a.log", "a");
  m_dir.WriteFile("b.log", "b");
  m_dir.WriteFile("keep.txt", "k");
  m_dir.WriteFile("sub/c.log", "c");
  std::wstring loc = W(m_dir.Path("*.log"));
  std::list<truncAttributes> files;

  Perform(Element(L"os", L"",
                  {Element(L"file_copy_action", L"",
                           {Element(L"action", L"",
                                    {Element(L"loc", loc),
                                     Element(L"clear_log", L"", {}, {{L"apply", L"false"}})})})}),
          files);
  EXPECT_TRUE(Exists("a.log"));

  // gather_newest plays no part in deleting.
  Perform(Element(L"os", L"",
                  {Element(L"file_copy_action", L"",
                           {Element(L"action", L"",
                                    {Element(L"loc", loc, {}, {{L"gather_newest", L"true"}}),
                                     Element(L"clear_log", L"", {}, {{L"apply", L"true"}})})})}),
          files);
  EXPECT_FALSE(Exists("a.log"));
  EXPECT_FALSE(Exists("b.log"));
  EXPECT_TRUE(Exists("keep.txt"));
  EXPECT_TRUE(Exists("sub/c.log"));
  EXPECT_TRUE(files.empty());
}

TEST_F(ClearTest, DeletionOfNothingIsSilent) {
  VeltClearLogsAction action(ACTION_ATTRIBUTES(nullptr), nullptr);
  FILE_ACTION_ATTRIBUTES a;
  a.locPath = W(m_dir.Path("missing/*.log"));
  a.clearLog = true;
  EXPECT_EQ(0, action.fileDelete(a));
  a.locPath = W(m_dir.Path("*.none"));
  EXPECT_EQ(0, action.fileDelete(a));
}

TEST_F(ClearTest, RunsOnlyApplyingClearCommandsAndNeverCaptures) {
  std::list<truncAttributes> files;
  std::wstring cleared = W(m_dir.Path("cleared"));
  std::wstring collected = W(m_dir.Path("collected"));
  Perform(Element(L"os", L"",
                  {Element(L"use_extern_action", L"",
                           {Element(L"action", L"",
                                    {Element(L"args", L"touch " + collected),
                                     Element(L"stdout"),
                                     Element(L"clear_log", L"touch " + cleared, {},
                                             {{L"apply", L"true"}})}),
                            Element(L"action", L"",
                                    {Element(L"args", L"touch " + collected),
                                     Element(L"clear_log", L"touch " + collected)}),
                            Element(L"action", L"",
                                    {Element(L"clear_log", L"no-such-tool-velt", {},
                                             {{L"apply", L"true"}})})})}),
          files);
  EXPECT_TRUE(Exists("cleared"));
  EXPECT_FALSE(Exists("collected"));
  EXPECT_TRUE(files.empty());
  // The failed launch is only logged: a clear run has no summary.
  EXPECT_TRUE(m_log.Contains("pXMLSummary is NULL"));
  EXPECT_FALSE(m_log.Contains("VeltAction::performExternalAction"));
}

}  // namespace
