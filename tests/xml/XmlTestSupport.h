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

// Parses `text`, or the file it names when `isFile`.
inline ParsedText ParseText(const std::wstring& text, bool isFile = false) {
  ParsedText parsed;
  VeltXmlParser parser(parsed.sink.get());
  parsed.rc = isFile ? parser.parseFile(text, false) : parser.parseXml(text, false);
  return parsed;
}

inline ParsedText ParseFile(const std::string& path) {
  return ParseText(std::wstring(path.begin(), path.end()), true);
}

}  // namespace test
}  // namespace velt
