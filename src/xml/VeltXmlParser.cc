#include "velt/xml/VeltXmlParser.h"

#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"
#include "xml/ExpatSaxAdapter.h"

VeltXmlParser::VeltXmlParser(XmlMgr* sink) : m_pXmlMgr(sink) {}

VeltXmlParser::~VeltXmlParser() = default;

long VeltXmlParser::parseXml(const std::wstring& text, bool validate) {
  return invokeParser(text, validate, VELT_XML_PARSER_INPUT_TEXT);
}

long VeltXmlParser::parseFile(const std::wstring& path, bool validate) {
  return invokeParser(path, validate, VELT_XML_PARSER_INPUT_FILE);
}

XmlMgr* VeltXmlParser::getXmlMgr() const { return m_pXmlMgr; }

long VeltXmlParser::invokeParser(const std::wstring& input, bool /*validate*/,
                                 VeltXmlParserInputType inputType) {
  // The reader here does not validate, so `validate` changes nothing.
  if (m_pXmlMgr == nullptr) {
    VELT_LOG_CODE('E', "VeltXmlParser", VELTENGINE_ERROR_NULL_POINTER,
                  "no XmlMgr to receive the document");
    return VELTENGINE_ERROR_NULL_POINTER;
  }
  velt::xml::ExpatSaxAdapter reader(m_pXmlMgr);
  const std::string narrow = velt::Narrow(input);
  const long rc =
      inputType == VELT_XML_PARSER_INPUT_TEXT ? reader.ParseText(narrow) : reader.ParseFile(narrow);
  if (rc != 0) {
    VELT_LOG_CODE('E', "XML_Parse", rc, "Error encountered during parse.\n%s", narrow.c_str());
  }
  return rc;
}
