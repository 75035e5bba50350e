// Shared by the XML tests: parse a text and keep the result.
#pragma once

#include <list>
#include <memory>
#include <string>

#include "velt/model/XMLObject.h"
#include "velt/xml/VeltParser.h"
#include "velt/xml/VeltXmlMgr.h"
#include "velt/xml/VeltXmlParser.h"

namespace velt {
namespace test {

struct ParsedText {
  long rc = 0;
  std::unique_ptr<VeltXmlMgr> sink = std::make_unique<VeltXmlMgr>();
  VeltComponent* root() const { return sink->getXMLObject()->GetRoot(); }
};

inline ParsedText ParseText(const std::wstring& text) {
  ParsedText parsed;
  VeltXmlParser parser(parsed.sink.get());
  parsed.rc = parser.parseXml(text, false);
  return parsed;
}

inline ParsedText ParseFile(const std::string& path) {
  ParsedText parsed;
  VeltXmlParser parser(parsed.sink.get());
  parsed.rc = parser.parseFile(std::wstring(path.begin(), path.end()), false);
  return parsed;
}

}  // namespace test
}  // namespace velt
