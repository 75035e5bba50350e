// The tag rules of the two instance parsers, folder completion and getPath.
#include <gtest/gtest.h>

#include "actions/ActionTestSupport.h"
#include "support/CapturingLogger.h"
#include "velt/actions/VeltCollectLogsAction.h"
#include "velt/control/VeltThread.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::test::Element;

class ParseTest : public ::testing::Test {
 protected:
  void TearDown() override { VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{}); }

  long ParseFile(VeltComponent* instance, FILE_ACTION_ATTRIBUTES& out) {
    XMLObject tree(instance);
    delete instance;
    return m_action.parseFileActionAttributes(tree, out);
  }
  long ParseExtern(VeltComponent* instance, EXTERNAL_ACTION_ATTRIBUTES& out) {
    XMLObject tree(instance);
    delete instance;
    return m_action.parseExternalActionAttributes(tree, out);
  }

  velt::test::ScopedLogCapture m_log;
  VeltCollectLogsAction m_action{ACTION_ATTRIBUTES(nullptr), nullptr};
};

TEST_F(ParseTest, FileInstanceTags) {
  FILE_ACTION_ATTRIBUTES a;
  ASSERT_EQ(0, ParseFile(Element(L"action", L"",
                                 {Element(L"loc", L"/var/log/first.log", {},
                                          {{L"gather_newest", L"true"}}),
                                  Element(L"other", L"", {Element(L"truncate_type", L"deep")}),
                                  Element(L"truncate_type", L"later"),
                                  Element(L"loc", L"/var/log/*.log"),
                                  Element(L"clear_log", L"", {}, {{L"apply", L"True"}})}),
                         a));
  EXPECT_EQ(L"/var/log/*.log", a.loc);  // a later "loc" replaces an earlier one
  EXPECT_EQ(L"/var/log/*.log", a.locPath);
  EXPECT_TRUE(a.gatherNewest);           // ...but never resets gather_newest
  EXPECT_EQ(L"deep", a.truncateTypeText);  // first in pre-order, however deep
  EXPECT_FALSE(a.clearLog);                // "True" is not "true"

  FILE_ACTION_ATTRIBUTES b;
  ASSERT_EQ(0, ParseFile(Element(L"action", L"",
                                 {Element(L"clear_log", L"", {}, {{L"apply", L"true"}})}),
                         b));
  EXPECT_TRUE(b.clearLog);
  EXPECT_FALSE(b.gatherNewest);
  EXPECT_EQ(L"", b.truncateTypeText);

  XMLObject empty;
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, m_action.parseFileActionAttributes(empty, b));
  EXPECT_TRUE(m_log.Contains("rXMLActionSubtree.GetRoot() is NULL"));
}

TEST_F(ParseTest, ExternalInstanceTagsAndNames) {
  EXTERNAL_ACTION_ATTRIBUTES a;
  ASSERT_EQ(0, ParseExtern(Element(L"action", L"",
                                   {Element(L"args", L"ip.tool -a -b"),
                                    Element(L"temp_out", L"ip.txt"), Element(L"stdout"),
                                    Element(L"clear_log", L"ip.tool --flush", {},
                                            {{L"apply", L"true"}})}),
                           a));
  EXPECT_EQ(L"ip.tool -a -b", a.args);
  EXPECT_EQ(L"ip.tool", a.exeName);
  EXPECT_EQ(L"ip", a.exeBaseName);
  EXPECT_EQ(L"ip.txt", a.tempOut);
  EXPECT_TRUE(a.captureStdout);
  EXPECT_TRUE(a.clearLog);
  EXPECT_EQ(L"ip.tool --flush", a.clearLogCommand);
  EXPECT_EQ(L"", a.path);  // no folder in front of the program

  EXTERNAL_ACTION_ATTRIBUTES b;
  ASSERT_EQ(0, ParseExtern(Element(L"action", L"",
                                   {Element(L"path", L"/opt/x"), Element(L"args", L"report"),
                                    Element(L"clear_log", L"ignored", {}, {{L"apply", L"no"}})}),
                           b));
  EXPECT_EQ(L"/opt/x", b.path);
  EXPECT_EQ(L"report", b.exeName);
  EXPECT_EQ(L"report", b.exeBaseName);
  EXPECT_FALSE(b.clearLog);
  EXPECT_EQ(L"", b.clearLogCommand);
  EXPECT_FALSE(b.captureStdout);
}

TEST_F(ParseTest, ProgramFolderCompletesThePath) {
  EXTERNAL_ACTION_ATTRIBUTES a;
  ASSERT_EQ(0, ParseExtern(Element(L"action", L"",
                                   {Element(L"path", L"/opt/velt//"),
                                    Element(L"args", L"bin/tool.sh --all")}),
                           a));
  EXPECT_EQ(L"tool.sh", a.exeName);
  EXPECT_EQ(L"tool", a.exeBaseName);
  EXPECT_EQ(L"/opt/velt/bin", a.path);

  EXTERNAL_ACTION_ATTRIBUTES b;
  ASSERT_EQ(0, ParseExtern(Element(L"action", L"", {Element(L"args", L"bin/tool.sh")}), b));
  EXPECT_EQ(L"bin", b.path);

  EXTERNAL_ACTION_ATTRIBUTES c;  // order does not matter: completion comes last
  ASSERT_EQ(0, ParseExtern(Element(L"action", L"",
                                   {Element(L"args", L"/usr/bin/env x"),
                                    Element(L"path", L"/base")}),
                           c));
  EXPECT_EQ(L"env", c.exeName);
  EXPECT_EQ(L"/base/usr/bin", c.path);
}

TEST_F(ParseTest, BadChildrenStopTheParse) {
  EXTERNAL_ACTION_ATTRIBUTES a;
  EXPECT_EQ(VELTENGINE_ERROR_UNKNOWN_XML_TAG,
            ParseExtern(Element(L"action", L"",
                                {Element(L"args", L"true"), Element(L"argz", L"x")}),
                        a));
  EXPECT_TRUE(m_log.Contains("Internal Error: Unrecognized XML tag."));
  EXPECT_EQ(L"true", a.args);  // what came before stays

  EXTERNAL_ACTION_ATTRIBUTES b;
  EXPECT_EQ(VELTENGINE_ERROR_INVALID_XML,
            ParseExtern(Element(L"action", L"", {Element(L"args", L"", {Element(L"x")})}), b));
  EXPECT_TRUE(m_log.Contains("inside the <args></args> tag pairs"));
  EXPECT_EQ(VELTENGINE_ERROR_INVALID_XML,
            ParseExtern(Element(L"action", L"", {Element(L"plugin", L"", {Element(L"x")})}), b));
  EXPECT_TRUE(m_log.Contains("inside the <path></path> tag pairs"));
  EXPECT_EQ(VELTENGINE_ERROR_INVALID_XML,
            ParseExtern(Element(L"action", L"", {Element(L"temp_out", L"", {Element(L"x")})}),
                        b));
  EXPECT_TRUE(m_log.Contains("inside the <tempOut></tempOut> tag pairs"));
}

TEST_F(ParseTest, MSInfo32IsSkippedOnlyWhenAskedAndSpelledExactly) {
  EXTERNAL_ACTION_ATTRIBUTES a;
  EXPECT_EQ(0, ParseExtern(Element(L"action", L"", {Element(L"args", L"MSInfo32.exe /report")}),
                           a));
  VELT_CLI_OPTIONS options;
  options.skipMSInfo32 = true;
  VeltThread::SetVeltCLIOptions(options);
  EXTERNAL_ACTION_ATTRIBUTES b;
  EXPECT_EQ(VELTENGINE_ERROR_INTERNAL,
            ParseExtern(Element(L"action", L"", {Element(L"args", L"MSInfo32.exe /report")}), b));
  EXPECT_TRUE(m_log.Contains("Skipping MSInfo32.exe"));
  EXTERNAL_ACTION_ATTRIBUTES c;
  EXPECT_EQ(0, ParseExtern(Element(L"action", L"", {Element(L"args", L"msinfo32.exe /report")}),
                           c));
}

TEST_F(ParseTest, GetPathByTag) {
  VeltComponent path(L"path", L"/srv/tools");
  EXPECT_EQ(L"/srv/tools", m_action.getPath(&path));
  VeltComponent other(L"folder", L"/x");
  EXPECT_EQ(L"", m_action.getPath(&other));
  EXPECT_TRUE(m_log.Contains("pDC is of unknown type \"folder\""));
  EXPECT_EQ(L"", m_action.getPath(nullptr));
  EXPECT_TRUE(m_log.Contains("pDC is NULL"));
}

}  // namespace
