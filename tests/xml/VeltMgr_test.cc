#include "xml/VeltMgr.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <list>
#include <memory>

#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"
#include "velt/xml/VeltParser.h"

namespace {

// Deletes the trees a folder load handed over.
struct OwnedTrees {
  std::list<XMLObject*> trees;
  ~OwnedTrees() {
    for (XMLObject* t : trees) delete t;
  }
};

std::wstring W(const std::string& s) { return velt::Widen(s); }

std::string Config(const std::string& title) {
  return "<configure><title>" + title + "</title><file id='a'/></configure>";
}

// A folder with every kind of entry the filter must sort out.
void FillMixedFolder(const velt::test::TempDir& dir) {
  dir.WriteFile("cfg/a.xml", Config("A"));
  dir.WriteFile("cfg/z.xml", Config("Z"));
  dir.WriteFile("cfg/bad.xml", "<configure><title>broken</configure>");
  dir.WriteFile("cfg/b.txt", Config("text"));
  dir.WriteFile("cfg/c.xml.bak", Config("backup"));
  dir.WriteFile("cfg/NAME.XML", Config("upper"));
  dir.WriteFile("cfg/x.xml.xml", Config("twice"));
  dir.WriteFile("cfg/old.xml/inner.xml", Config("nested"));  // a folder named like a file
  dir.WriteFile("cfg/sub/deep.xml", Config("deep"));
}

TEST(VeltMgrTest, LoadsExactlyTheMatchingFilesInByteOrder) {
  velt::test::ScopedLogCapture capture;
  velt::test::TempDir dir;
  FillMixedFolder(dir);
  OwnedTrees out;
  XMLObject* earlier = new XMLObject(L"kept", L"");
  out.trees.push_back(earlier);
  VeltMgr manager(out.trees, W(dir.Path("cfg/")));

  ASSERT_EQ(out.trees.size(), 3u);  // appended to, never cleared
  EXPECT_EQ(out.trees.front(), earlier);
  std::list<std::wstring> titles;
  for (XMLObject* t : out.trees) {
    if (t != earlier) titles.push_back(t->FindChild(L"configure", L"title")->GetVal());
  }
  EXPECT_EQ(titles, (std::list<std::wstring>{L"A", L"Z"}));

  EXPECT_EQ(manager.failedFiles(),
            (std::list<std::wstring>{W(dir.Path("cfg/bad.xml")), W(dir.Path("cfg/old.xml"))}));
  // a, bad, old, z
  EXPECT_EQ(manager.successCodes(), (std::list<long>{0, VELTENGINE_ERROR_INVALID_XML,
                                                     VELTENGINE_ERROR_FILE_OPEN_FAILURE, 0}));
  EXPECT_TRUE(capture.Contains(dir.Path("cfg/a.xml")));
  EXPECT_FALSE(capture.Contains("NAME.XML"));
}

TEST(VeltMgrTest, MissingOrEmptyFoldersGiveNothing) {
  velt::test::TempDir dir;
  std::filesystem::create_directory(dir.Path("empty"));
  for (const std::string& folder : {dir.Path("missing/"), dir.Path("empty/"), std::string()}) {
    OwnedTrees out;
    VeltMgr manager(out.trees, W(folder));
    EXPECT_TRUE(out.trees.empty());
    EXPECT_TRUE(manager.failedFiles().empty());
    EXPECT_TRUE(manager.successCodes().empty());
  }
  // Without its final separator the folder still names the same files.
  dir.WriteFile("one/a.xml", Config("A"));
  OwnedTrees out;
  VeltMgr manager(out.trees, W(dir.Path("one")));
  EXPECT_EQ(out.trees.size(), 1u);
}

TEST(VeltParserTest, FolderInputHandsOverCopiesAndRecordsFailures) {
  velt::test::TempDir dir;
  FillMixedFolder(dir);
  VeltParser parser;
  OwnedTrees out;
  EXPECT_EQ(parser.Parse(W(dir.Path("cfg/")), VELT_PARSER_INPUT_CONFIG_FOLDER, out.trees),
            &out.trees);
  EXPECT_TRUE(parser.isSuccess());
  EXPECT_EQ(out.trees.size(), 2u);
  EXPECT_EQ(parser.failedFiles().size(), 2u);

  std::filesystem::remove(dir.Path("cfg/a.xml"));
  std::filesystem::remove(dir.Path("cfg/z.xml"));
  VeltParser failing;
  OwnedTrees none;
  EXPECT_EQ(failing.Parse(W(dir.Path("cfg/")), VELT_PARSER_INPUT_CONFIG_FOLDER, none.trees),
            nullptr);
  EXPECT_FALSE(failing.isSuccess());
  EXPECT_EQ(failing.failedFiles().size(), 2u);
}

TEST(VeltParserTest, DocumentInputLendsItsOwnTreeAndFailuresLeaveTheListAlone) {
  velt::test::ScopedLogCapture capture;
  velt::test::TempDir dir;
  VeltParser parser;
  std::list<XMLObject*> out;
  EXPECT_EQ(parser.Parse(W(dir.Path("none.xml")), VELT_PARSER_INPUT_FILE, out), nullptr);
  EXPECT_EQ(parser.Parse(L"<r><unclosed></r>", VELT_PARSER_INPUT_TEXT, out), nullptr);
  EXPECT_EQ(parser.Parse(L"<r/>", static_cast<VeltParserInputType>(7), out), nullptr);
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(parser.isSuccess());
  EXPECT_TRUE(parser.failedFiles().empty());

  // A parse after a failed one starts a fresh document, owned by the parser.
  const std::string request =
      dir.WriteFile("request.xml", "<request><file id='summary'/><comments>hi</comments></request>");
  ASSERT_EQ(parser.Parse(W(request), VELT_PARSER_INPUT_FILE, out), &out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out.front(), parser.getVeltXmlMgr()->getXMLObject());
  EXPECT_EQ(out.front()->GetRoot()->GetSize(), 3);
  EXPECT_EQ(out.front()->GetRoot()->FindChild(L"comments")->GetVal(), L"hi");
}

}  // namespace
