// Copying files into the bundle, a clear run, and the dispatch of an
// entry's instances.
#include <filesystem>

#include "actions/ActionTestSupport.h"

namespace {

using velt::test::Element;
using velt::test::Kind;
using Seen = std::vector<std::wstring>;

class FilesTest : public velt::test::ActionTest {
 protected:
  std::list<truncAttributes> Copy(const char* pattern, bool gatherNewest = false, long rc = 0) {
    FILE_ACTION_ATTRIBUTES a;
    a.loc = a.locPath = Loc(pattern);
    a.gatherNewest = gatherNewest;
    std::list<truncAttributes> out;
    EXPECT_EQ(rc, VeltCollectLogsAction(m_attributes, nullptr).fullCopy(a, out));
    return out;
  }
  std::wstring Loc(const char* pattern) { return velt::Widen(m_tools.Path(pattern)); }
  VeltComponent* LocElement(const char* pattern, bool gatherNewest = false) {
    return Element(L"loc", Loc(pattern), {}, {{L"gather_newest", gatherNewest ? L"true" : L"no"}});
  }
};

TEST_F(FilesTest, CopiesEveryMatchUnderAPlainComposedName) {
  for (const char* name : {"a.log", "b.log", "c.txt"}) m_tools.WriteFile(name, name);
  m_attributes.dstName = L"Setup.txt";
  m_attributes.truncType = TRUNC_DATA;
  m_attributes.truncRatio = 1000.0;
  std::list<truncAttributes> out = Copy("*.log");
  const truncAttributes& a = out.front();
  EXPECT_EQ(L"net/Network state/1/4/1000",
            a.fileID + L"/" + a.description + L"/" + std::to_wstring(a.truncType) + L"/" +
                std::to_wstring(a.appliedTrunc) + L"/" + std::to_wstring(int(a.truncRatio)));
  EXPECT_EQ("a.log", velt::test::ReadFile(m_bundle.Path("Setup__a__log.txt")));
  m_attributes.dstName.clear();  // the copy keeps the found name
  out.splice(out.end(), Copy("c.*"));
  // Names that would leave the bundle folder fall back to the found name.
  for (const wchar_t* hostile : {L"../../escape.txt", L"bad\nname.txt"}) {
    m_attributes.dstName = hostile;
    out.splice(out.end(), Copy("a.log"));
  }
  const std::wstring used = L"); \"a.log\" was used instead.";
  EXPECT_EQ((Seen{L"Setup__a__log.txt 5", L"Setup__b__log.txt 5", L"c.txt 5", L"a.log 5",
                  L"a.log 5",
                  L"The file name \"../../escape__a__log.txt\" was refused (it holds a path "
                  L"separator" + used,
                  L"The file name \"bad?name__a__log.txt\" was refused (it holds a control "
                  L"character" + used}),
            Outcome(out));
}

TEST_F(FilesTest, MissingMatchesAndFailedCopiesAreNoted) {
  Copy("*.gone", true, VELTENGINE_ERROR_FILE_NOT_FOUND);
  Copy("*.gone");
  m_tools.WriteFile("a.log", "a");
  Seen expected = {L"a.log 1", L"*.gone: " + Loc("*.gone") + L" not found on client machine.",
                   L"N/A: No file found with path matching: " + Loc("*.gone")};
  // Listed but gone by the time it is copied: a link whose target vanished.
  if (velt::test::SymlinksAvailable()) {
    ASSERT_EQ(0, velt::test::MakeSymlink(m_tools.Path("vanished"), m_tools.Path("b.log")));
    expected.push_back(L"b.log: " + Loc("*.log") + L" File not found");
  }
  // Any other failure: the file utilities' own reason.
  if (velt::test::kHasFifos) {
    ASSERT_EQ(0, velt::test::MakeFifo(m_tools.Path("c.log")));  // never opened, never waited on
    expected.push_back(L"c.log: " + Loc("*.log") + L" " + velt::Widen(m_tools.Path("c.log")) +
                       L" is a FIFO; only regular files are collected");
  }
  EXPECT_EQ(expected, Outcome(Copy("*.log")));
}

TEST_F(FilesTest, PerformRunsEveryInstanceAndKeepsGoodResults) {
  for (auto file : {std::make_pair("a.log", 1600000000), std::make_pair("old.cfg", 1000000000),
                    std::make_pair("new.cfg", 1600000000), std::make_pair("x.cfg", 900000000)}) {
    velt::test::SetAccessTime(m_tools.WriteFile(file.first, "x"), file.second);
  }
  std::list<truncAttributes> files = Perform(
      {Element(L"use_extern_action"),  // no instances: skipped
       Element(L"file_copy_action", L"",
               {Element(L"action", L"", {LocElement("*.log")}),
                Element(L"action", L"", {LocElement("*.none", true)}),
                // A later "loc" replaces an earlier one, but not gather_newest:
                // only the newest match is copied.
                Element(L"action", L"", {LocElement("*.x", true), LocElement("*.cfg")})}),
       Kind(L"use_extern_action", {Element(L"bogus", L"x")}),
       Kind(L"registry_action", {LocElement("*.log")})});
  EXPECT_EQ((Seen{L"a.log 1", L"new.cfg 1",
                  L"*.none: " + Loc("*.none") + L" not found on client machine."}),
            Outcome(files));
  // The unmatched newest search is not logged as a failure; the unknown tag is.
  EXPECT_FALSE(m_log.Contains("VeltAction::performFileAction"));
  EXPECT_TRUE(m_log.Contains("VeltAction::performExternalAction"));
  EXPECT_TRUE(m_log.Contains("Internal Error: Unrecognized XML tag."));
}

TEST_F(FilesTest, ClearRunDeletesClearableMatchesAndRunsApplyingClearCommands) {
  for (const char* name : {"a.log", "b.log", "keep.txt", "sub/c.log"}) m_tools.WriteFile(name, "x");
  auto clearLog = [](const wchar_t* apply, const std::wstring& command = L"") {
    return Element(L"clear_log", command, {}, {{L"apply", apply}});
  };
  auto Touch = [&](const char* name) {
    return velt::Widen(velt::test::CreateFileCommand(m_tools.Path(name)));
  };
  auto files = [&](const wchar_t* apply, const char* pattern) {
    return Kind(L"file_copy_action", {LocElement(pattern, true), clearLog(apply)});
  };
  // gather_newest plays no part, "True" is not "true", a missing folder is
  // silent; a clearing command runs only when it applies, never captured.
  m_attributes.pXMLSummary = nullptr;
  EXPECT_TRUE(Perform<VeltClearLogsAction>(
                  {files(L"true", "*.log"), files(L"True", "*.txt"), files(L"true", "no/*.log"),
                   Kind(L"use_extern_action", {Element(L"args", Touch("ran")), Element(L"stdout"),
                                               clearLog(L"true", Touch("cleared"))}),
                   Kind(L"use_extern_action", {clearLog(L"no", Touch("ran"))})})
                  .empty());
  for (auto file : {std::make_pair("a.log", false), std::make_pair("b.log", false),
                    std::make_pair("keep.txt", true), std::make_pair("sub/c.log", true),
                    std::make_pair("cleared", true), std::make_pair("ran", false)}) {
    EXPECT_EQ(file.second, std::filesystem::exists(m_tools.Path(file.first))) << file.first;
  }
}

}  // namespace
