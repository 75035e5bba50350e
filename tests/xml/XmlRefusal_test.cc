// Documents the reader must refuse: malformed input, entity tricks and
// anything that would make it read beyond the document.
#include <gtest/gtest.h>

#include <list>
#include <string>

#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"
#include "xml/XmlTestSupport.h"

namespace {

using velt::test::ParseFile;
using velt::test::ParseText;

// True when no node of the sink's tree carries `text` in its value or
// attributes.
bool TreeHolds(const velt::test::ParsedText& parsed, const std::wstring& text) {
  XMLObject* tree = parsed.sink->getXMLObject();
  if (tree->GetRoot() == nullptr) return false;
  std::list<VeltComponent*> all{tree->GetRoot()};
  for (auto it = all.begin(); it != all.end(); ++it) {
    if ((*it)->GetVal().find(text) != std::wstring::npos) return true;
    for (const Attribute* a : (*it)->GetAtt())
      if (a->getValue().find(text) != std::wstring::npos) return true;
    all.insert(all.end(), (*it)->GetChildren().begin(), (*it)->GetChildren().end());
  }
  return false;
}

TEST(XmlRefusalTest, MalformedDocumentsFailWithALoggedReason) {
  std::wstring deep;
  for (int i = 0; i < 10000; ++i) deep += L"<d>";
  for (int i = 0; i < 10000; ++i) deep += L"</d>";
  std::wstring wide = L"<r>";  // 100,001 empty elements: a tree of the bound's size
  for (int i = 0; i < 100000; ++i) wide += L"<e/>";
  wide += L"</r>";

  const std::wstring cases[] = {
      L"<r><a>text</a>",                 // truncated
      L"<r><a></b></r>",                 // mismatched tags
      std::wstring(L"<r>a\0b</r>", 10),  // a NUL character
      L"<r></r><r2/>",                   // two roots
      L"   ",                            // no element at all
      L"<r a='1' a='2'/>",               // the same attribute twice
      L"<r>&undeclared;</r>",            // an entity nobody declared
      L"<x:r/>",                         // an unbound prefix
      deep,                              // 10,000 levels of nesting
      wide,                              // more elements than a document may have
      L"<r>" + std::wstring(9u << 20, L'x') + L"</r>",  // more bytes than one may have
  };
  for (const std::wstring& text : cases) {
    velt::test::ScopedLogCapture capture;
    velt::test::ParsedText parsed = ParseText(text);
    EXPECT_EQ(parsed.rc, VELTENGINE_ERROR_INVALID_XML) << velt::Narrow(text.substr(0, 40));
    EXPECT_TRUE(capture.Contains("XML Parser fatal error: ")) << velt::Narrow(text.substr(0, 40));
    EXPECT_TRUE(capture.Contains("Error encountered during parse.\n"));
  }
  velt::test::ScopedLogCapture capture;
  EXPECT_NE(ParseText(deep).rc, 0);
  EXPECT_TRUE(capture.Contains("deeper than 1000 levels"));
  // Bytes that only a file can hold: bad UTF-8, a NUL, an unknown encoding.
  velt::test::TempDir dir;
  for (const std::string& bytes : {std::string("<r>\xc3\x28</r>"), std::string("<r>\0</r>", 8),
                                   std::string("<?xml version='1.0' encoding='x-none'?><r/>")}) {
    EXPECT_EQ(ParseFile(dir.WriteFile("bad.xml", bytes)).rc, VELTENGINE_ERROR_INVALID_XML);
  }
}

TEST(XmlRefusalTest, ExternalEntitiesAndDtdsAreNeverRead) {
  velt::test::TempDir dir;
  const std::string secret = dir.WriteFile("secret.txt", "TOPSECRET");
  dir.WriteFile("ext.dtd", "<!ENTITY leak SYSTEM 'secret.txt'><!ENTITY word 'TOPSECRET'>");
  const std::string uri = "file://" + secret;
  const std::string documents[] = {
      // A general entity naming a local file, by absolute URI and relatively.
      "<!DOCTYPE r [<!ENTITY x SYSTEM '" + uri + "'>]><r>&x;</r>",
      "<!DOCTYPE r [<!ENTITY x SYSTEM 'secret.txt'>]><r>&x;</r>",
      // ... used inside an attribute value.
      "<!DOCTYPE r [<!ENTITY x SYSTEM 'secret.txt'>]><r a='&x;'/>",
      // An external DTD whose entities the document uses.
      "<!DOCTYPE r SYSTEM 'ext.dtd'><r>&word;</r>",
      // An external parameter entity pulled into the internal subset.
      "<!DOCTYPE r [<!ENTITY % p SYSTEM 'ext.dtd'> %p;]><r>&word;</r>",
  };
  int n = 0;
  for (const std::string& document : documents) {
    velt::test::ScopedLogCapture capture;
    const std::string path = dir.WriteFile("doc" + std::to_string(n++) + ".xml", document);
    velt::test::ParsedText fromFile = ParseFile(path);
    EXPECT_NE(fromFile.rc, 0) << document;
    EXPECT_FALSE(TreeHolds(fromFile, L"TOPSECRET")) << document;
    velt::test::ParsedText fromText = ParseText(velt::Widen(document));
    EXPECT_NE(fromText.rc, 0) << document;
    EXPECT_FALSE(TreeHolds(fromText, L"TOPSECRET")) << document;
    EXPECT_FALSE(capture.Contains("TOPSECRET")) << document;
  }
  // An external DTD that is declared but not needed changes nothing.
  EXPECT_EQ(ParseFile(dir.WriteFile("unused.xml", "<!DOCTYPE r SYSTEM 'ext.dtd'><r>ok</r>")).rc,
            0);
}

TEST(XmlRefusalTest, EntityBombsEndAsFailures) {
  // Nested doubling: ten levels of ten make 10^9 copies.
  std::wstring laughs = L"<!DOCTYPE r [<!ENTITY l0 'lol'>";
  for (int i = 1; i <= 9; ++i) {
    laughs += L"<!ENTITY l" + std::to_wstring(i) + L" '";
    for (int k = 0; k < 10; ++k) laughs += L"&l" + std::to_wstring(i - 1) + L";";
    laughs += L"'>";
  }
  laughs += L"]><r>&l9;</r>";
  // One large entity referenced many times, in text and in an attribute value.
  auto wideBomb = [](const std::wstring& open, const std::wstring& close) {
    std::wstring text = L"<!DOCTYPE r [<!ENTITY big '" + std::wstring(100000, L'x') + L"'>]>" + open;
    for (int i = 0; i < 20000; ++i) text += L"&big;";
    return text + close;
  };
  std::wstring wide = wideBomb(L"<r>", L"</r>"), attr = wideBomb(L"<r a='", L"'/>");
  for (const std::wstring* bomb : {&laughs, &wide, &attr}) {
    velt::test::ScopedLogCapture capture;
    EXPECT_EQ(ParseText(*bomb).rc, VELTENGINE_ERROR_INVALID_XML);
    EXPECT_TRUE(capture.Contains("amplification"));
  }
  // Modest use of entities is fine.
  EXPECT_EQ(ParseText(L"<!DOCTYPE r [<!ENTITY a 'x'><!ENTITY b '&a;&a;'>]><r>&b;&b;</r>").rc, 0);
}

}  // namespace
