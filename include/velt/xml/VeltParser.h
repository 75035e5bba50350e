// The engine's front to XML reading: one request document into one tree,
// or a whole configuration folder into one tree per file.
#pragma once

#include <list>
#include <string>

#include "velt/VeltExport.h"
#include "velt/model/XMLObject.h"
#include "velt/xml/VeltXmlMgr.h"

enum VeltParserInputType {
  VELT_PARSER_INPUT_TEXT = 0,           // XML text
  VELT_PARSER_INPUT_FILE = 1,           // path of one XML file
  VELT_PARSER_INPUT_CONFIG_FOLDER = 2,  // folder of configuration files
};

class VELT_API VeltParser {
 public:
  VeltParser();
  ~VeltParser();
  VeltParser(const VeltParser&) = delete;
  VeltParser& operator=(const VeltParser&) = delete;

  // Text or file: on success appends this parser's own tree (owned by the
  // parser, alive as long as it is) to `out` and returns &out. Folder:
  // appends one new tree per configuration file that parsed (owned by the
  // caller) and returns &out when `out` is not empty afterwards. Null on
  // failure, with `out` unchanged for text and file input.
  std::list<XMLObject*>* Parse(const std::wstring& input, VeltParserInputType type,
                               std::list<XMLObject*>& out);

  bool isSuccess() const;
  // Full paths of the configuration files that failed to load (folder input
  // only), in load order.
  std::list<std::wstring> failedFiles() const;
  VeltXmlMgr* getVeltXmlMgr() const;

 private:
  VeltXmlMgr* m_pVeltXmlMgr;
  bool m_success;
  std::list<std::wstring> m_failedFiles;
};
