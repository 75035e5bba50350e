#include "velt/xml/VeltParser.h"

#include "velt/xml/VeltXmlParser.h"
#include "xml/VeltMgr.h"

VeltParser::VeltParser() : m_pVeltXmlMgr(new VeltXmlMgr()), m_success(false) {}

VeltParser::~VeltParser() { delete m_pVeltXmlMgr; }

std::list<XMLObject*>* VeltParser::Parse(const std::wstring& input, VeltParserInputType type,
                                         std::list<XMLObject*>& out) {
  m_success = false;
  switch (type) {
    case VELT_PARSER_INPUT_TEXT:
    case VELT_PARSER_INPUT_FILE: {
      m_pVeltXmlMgr->clearOpenElements();
      VeltXmlParser parser(m_pVeltXmlMgr);
      const long rc = type == VELT_PARSER_INPUT_TEXT ? parser.parseXml(input, false)
                                                     : parser.parseFile(input, false);
      if (rc != 0) return nullptr;
      out.push_back(m_pVeltXmlMgr->getXMLObject());
      m_success = true;
      return &out;
    }
    case VELT_PARSER_INPUT_CONFIG_FOLDER: {
      VeltMgr manager(out, input);
      m_failedFiles = manager.failedFiles();
      if (out.empty()) return nullptr;
      m_success = true;
      return &out;
    }
  }
  return nullptr;
}

bool VeltParser::isSuccess() const { return m_success; }

std::list<std::wstring> VeltParser::failedFiles() const { return m_failedFiles; }

VeltXmlMgr* VeltParser::getVeltXmlMgr() const { return m_pVeltXmlMgr; }
