#include "velt/xml/VeltXmlParser.h"

#include <gtest/gtest.h>


#include <iterator>

#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"
#include "xml/XmlTestSupport.h"

namespace {

using velt::test::ParsedText;
using velt::test::ParseText;

// A one-line picture of a subtree: type[value]{attributes}(children...).
std::wstring Shape(const VeltComponent* node) {
  std::wstring text = node->GetType() + L"[" + node->GetVal() + L"]{";
  for (const Attribute* a : node->GetAtt()) text += a->getName() + L"=" + a->getValue() + L";";
  text += L"}";
  if (node->GetChildren().empty()) return text;
  text += L"(";
  for (const VeltComponent* child : node->GetChildren()) text += Shape(child);
  return text + L")";
}

TEST(VeltXmlParserTest, TrickyDocumentsBuildTheTreeAReaderWould) {
  const struct {
    const wchar_t *text, *shape;
  } cases[] = {
      // Mixed content: the text runs around children are joined.
      {L"<a>x<b>y</b>z</a>", L"a[xz]{}(b[y]{})"},
      // Pretty-printed: the indentation is the parent's text, line ends
      // normalised to line feeds, nothing trimmed.
      {L"<r>\n  <c/>\n  <d>t</d>\r\n</r>", L"r[\n  \n  \n]{}(c[]{}d[t]{})"},
      // Attributes follow their element in document order.
      {L"<e zeta='1' alpha=\"2\" mid='a &amp; b'/>", L"e[]{zeta=1;alpha=2;mid=a & b;}"},
      // Local names only: same names from two namespaces are both kept, the
      // declarations are not attributes.
      {L"<p:root xmlns:p='urn:a' xmlns:q='urn:b' xmlns='urn:c'>"
       L"<p:x q:id='1' p:id='2'/><plain/></p:root>",
       L"root[]{}(x[]{id=1;id=2;}plain[]{})"},
      // References and CDATA arrive resolved.
      {L"<a><![CDATA[<no tag> &amp;]]> &amp; &#x41;&#66; &lt;&#x1F600;</a>",
       L"a[<no tag> &amp; & AB <\U0001F600]{}"},
  };
  for (const auto& c : cases) {
    ParsedText parsed = ParseText(c.text);
    ASSERT_EQ(parsed.rc, 0) << velt::Narrow(c.text);
    EXPECT_EQ(Shape(parsed.root()), c.shape);
  }
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

TEST(VeltXmlParserTest, FilesAreReadInTheirDeclaredEncodingTextIsNot) {
  // Text is already decoded: its declaration is ignored; validate changes nothing.
  VeltXmlMgr sink;
  VeltXmlParser parser(&sink);
  ASSERT_EQ(parser.parseXml(L"<?xml version='1.0' encoding='ISO-8859-1'?><r>\u00e9\u4e2d</r>", true),
            0);
  EXPECT_EQ(sink.getXMLObject()->GetRoot()->GetVal(), L"\u00e9\u4e2d");
  velt::test::TempDir dir;
  velt::test::ParsedText latin = velt::test::ParseFile(dir.WriteFile(
      "latin.xml", "<?xml version='1.0' encoding='ISO-8859-1'?><r v='\xe9'>caf\xe9</r>"));
  ASSERT_EQ(latin.rc, 0);
  EXPECT_EQ(Shape(latin.root()), L"r[caf\u00e9]{v=\u00e9;}");
  // UTF-16 little-endian with a byte order mark: <r>é</r>
  velt::test::ParsedText utf16 = velt::test::ParseFile(
      dir.WriteFile("utf16.xml", std::string("\xff\xfe<\0r\0>\0\xe9\0<\0/\0r\0>\0", 18)));
  ASSERT_EQ(utf16.rc, 0);
  EXPECT_EQ(utf16.root()->GetVal(), L"\u00e9");
}

TEST(VeltXmlParserTest, UnreadableFilesGiveReaderCodes) {
  velt::test::ScopedLogCapture capture;
  velt::test::TempDir dir;
  EXPECT_EQ(velt::test::ParseFile(dir.Path("missing.xml")).rc, VELTENGINE_ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(capture.Contains("Error encountered during parse.\n" + dir.Path("missing.xml")));
  EXPECT_EQ(velt::test::ParseFile(dir.path()).rc, VELTENGINE_ERROR_FILE_OPEN_FAILURE);
  EXPECT_TRUE(capture.Contains("is a folder"));
  // A FIFO without a writer is refused, not waited on.
  if (velt::test::kHasFifos) {
    ASSERT_EQ(0, velt::test::MakeFifo(dir.Path("pipe.xml")));
    EXPECT_EQ(velt::test::ParseFile(dir.Path("pipe.xml")).rc, VELTENGINE_ERROR_FILE_OPEN_FAILURE);
    EXPECT_TRUE(capture.Contains(dir.Path("pipe.xml") + "\": not a regular file"));
  }
  EXPECT_EQ(velt::test::ParseFile(dir.WriteFile("empty.xml", "")).rc,
            VELTENGINE_ERROR_INVALID_XML);
}

}  // namespace
