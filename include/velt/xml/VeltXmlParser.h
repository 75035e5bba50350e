// Runs the XML reader over a text or a file and drives an XmlMgr with its
// events. Results: 0, or one of the reader codes listed in docs/xml.md.
#pragma once

#include <string>

#include "velt/VeltExport.h"
#include "velt/xml/XmlMgr.h"

enum VeltXmlParserInputType {
  VELT_XML_PARSER_INPUT_TEXT = 0,  // the input is the XML text itself
  VELT_XML_PARSER_INPUT_FILE = 1,  // the input is the path of a local file
};

class VELT_API VeltXmlParser {
 public:
  explicit VeltXmlParser(XmlMgr* sink);
  virtual ~VeltXmlParser();

  // `validate` is accepted and changes nothing: the reader does not
  // validate.
  long parseXml(const std::wstring& text, bool validate);
  long parseFile(const std::wstring& path, bool validate);
  XmlMgr* getXmlMgr() const;

 private:
  long invokeParser(const std::wstring& input, bool validate, VeltXmlParserInputType inputType);

  XmlMgr* m_pXmlMgr;  // borrowed
};
