#include "velt/xml/VeltXmlParser.h"

#include <gtest/gtest.h>

#include <iterator>

#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "velt/runtime/ResultCodes.h"
#include "xml/XmlTestSupport.h"

namespace {

using velt::test::ParsedText;
using velt::test::ParseText;

std::wstring AttributeText(const VeltComponent* node) {
  std::wstring text;
  for (const Attribute* a : node->GetAtt()) text += a->getName() + L"=" + a->getValue() + L";";
  return text;
}

// A one-line picture of a subtree: type[value]{attributes}(children...).
std::wstring Shape(const VeltComponent* node) {
  std::wstring text = node->GetType() + L"[" + node->GetVal() + L"]{" + AttributeText(node) + L"}";
  if (!node->GetChildren().empty()) {
    text += L"(";
    for (const VeltComponent* child : node->GetChildren()) text += Shape(child);
    text += L")";
  }
  return text;
}

TEST(VeltXmlParserTest, MixedContentJoinsTextAroundChildren) {
  ParsedText parsed = ParseText(L"<a>x<b>y</b>z</a>");
  ASSERT_EQ(parsed.rc, 0);
  EXPECT_EQ(Shape(parsed.root()), L"a[xz]{}(b[y]{})");
  EXPECT_EQ(parsed.root()->GetSize(), 2);
}

TEST(VeltXmlParserTest, PrettyPrintedDocumentKeepsIndentationAsParentText) {
  ParsedText parsed = ParseText(L"<r>\n  <c/>\n  <d>t</d>\r\n</r>");
  ASSERT_EQ(parsed.rc, 0);
  // Line ends are normalised to line feeds; nothing is trimmed.
  EXPECT_EQ(parsed.root()->GetVal(), L"\n  \n  \n");
  EXPECT_EQ(Shape(parsed.root()->GetChildren().back()), L"d[t]{}");
}

TEST(VeltXmlParserTest, AttributesFollowTheirElementInDocumentOrder) {
  ParsedText parsed = ParseText(L"<e zeta='1' alpha=\"2\" mid='a &amp; b'/>");
  ASSERT_EQ(parsed.rc, 0);
  EXPECT_EQ(Shape(parsed.root()), L"e[]{zeta=1;alpha=2;mid=a & b;}");
  EXPECT_TRUE(parsed.root()->IsLeaf());
}

TEST(VeltXmlParserTest, NamespacesAreDroppedToLocalNames) {
  ParsedText parsed = ParseText(
      L"<p:root xmlns:p='urn:a' xmlns:q='urn:b' xmlns='urn:c'>"
      L"<p:x q:id='1' p:id='2'/><plain/></p:root>");
  ASSERT_EQ(parsed.rc, 0);
  // Same local names from different namespaces are both kept; the
  // namespace declarations are not attributes.
  EXPECT_EQ(Shape(parsed.root()), L"root[]{}(x[]{id=1;id=2;}plain[]{})");
}

TEST(VeltXmlParserTest, ReferencesAndCdataArriveResolved) {
  ParsedText parsed =
      ParseText(L"<a><![CDATA[<no tag> &amp;]]> &amp; &#x41;&#66; &lt;&#x1F600;</a>");
  ASSERT_EQ(parsed.rc, 0);
  EXPECT_EQ(parsed.root()->GetVal(), L"<no tag> &amp; & AB <\U0001F600");
}

TEST(VeltXmlParserTest, DoctypeCommentsAndInstructionsLeaveNoTrace) {
  ParsedText plain = ParseText(L"<r a='1'>hello world<c>x</c></r>");
  ParsedText decorated = ParseText(
      L"<?xml version='1.0'?>\n<!DOCTYPE r [<!ENTITY who 'world'><!ATTLIST r a CDATA '1'>]>\n"
      L"<!-- head --><?tool run?><r>hello <!-- inside -->&who;<?pi?><c>x</c></r><!-- tail -->");
  ASSERT_EQ(plain.rc, 0);
  ASSERT_EQ(decorated.rc, 0);
  // The DTD's default attribute value is applied as a reader would.
  EXPECT_EQ(Shape(decorated.root()), Shape(plain.root()));
}

TEST(VeltXmlParserTest, ElementsBeginningWithQuStopTheParse) {
  velt::test::ScopedLogCapture capture;
  ParsedText parsed = ParseText(L"<r><ok/><quota size='1'><inner/></quota></r>");
  EXPECT_EQ(parsed.rc, VELTENGINE_ERROR_UNKNOWN_XML_TAG);
  EXPECT_TRUE(capture.Contains("XML Parser fatal error"));
  EXPECT_TRUE(capture.Contains("quota"));
  EXPECT_TRUE(capture.Contains("Error encountered during parse."));
  // Nodes built before the stop stay in the sink's tree; nothing after it.
  ASSERT_NE(parsed.root(), nullptr);
  EXPECT_EQ(Shape(parsed.root()), L"r[]{}(ok[]{}quota[]{size=1;})");

  EXPECT_EQ(ParseText(L"<n:qu xmlns:n='urn:x'/>").rc, VELTENGINE_ERROR_UNKNOWN_XML_TAG);
  // Only the two lower-case letters at the start count.
  EXPECT_EQ(ParseText(L"<r><Quota/><q/><aqu/><u>qu</u></r>").rc, 0);
}

TEST(VeltXmlParserTest, TextInputIgnoresDeclaredEncodingAndValidateChangesNothing) {
  VeltXmlMgr sink;
  VeltXmlParser parser(&sink);
  EXPECT_EQ(parser.getXmlMgr(), &sink);
  ASSERT_EQ(parser.parseXml(L"<?xml version='1.0' encoding='ISO-8859-1'?><r>\u00e9\u4e2d</r>",
                            true),
            0);
  EXPECT_EQ(sink.getXMLObject()->GetRoot()->GetVal(), L"\u00e9\u4e2d");
}

TEST(VeltXmlParserTest, FilesAreReadInTheirDeclaredEncoding) {
  velt::test::TempDir dir;
  const std::string latin = dir.WriteFile(
      "latin.xml", "<?xml version='1.0' encoding='ISO-8859-1'?><r v='\xe9'>caf\xe9</r>");
  // UTF-16 little-endian with a byte order mark: <r>é</r>
  const std::string utf16 =
      dir.WriteFile("utf16.xml", std::string("\xff\xfe<\0r\0>\0\xe9\0<\0/\0r\0>\0", 18));
  velt::test::ParsedText a = velt::test::ParseFile(latin);
  ASSERT_EQ(a.rc, 0);
  EXPECT_EQ(Shape(a.root()), L"r[caf\u00e9]{v=\u00e9;}");
  velt::test::ParsedText b = velt::test::ParseFile(utf16);
  ASSERT_EQ(b.rc, 0);
  EXPECT_EQ(b.root()->GetVal(), L"\u00e9");
}

TEST(VeltXmlParserTest, UnreadableFilesGiveReaderCodes) {
  velt::test::ScopedLogCapture capture;
  velt::test::TempDir dir;
  EXPECT_EQ(velt::test::ParseFile(dir.Path("missing.xml")).rc, VELTENGINE_ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(capture.Contains("Error encountered during parse.\n" + dir.Path("missing.xml")));
  EXPECT_EQ(velt::test::ParseFile(dir.path()).rc, VELTENGINE_ERROR_FILE_OPEN_FAILURE);
  EXPECT_TRUE(capture.Contains("is a folder"));
  EXPECT_EQ(velt::test::ParseFile(dir.WriteFile("empty.xml", "")).rc,
            VELTENGINE_ERROR_INVALID_XML);
}

}  // namespace
