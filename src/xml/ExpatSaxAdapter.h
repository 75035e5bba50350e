// The SAX reader of this platform: expat, driven so that it behaves as the
// engine's content and error handler expect. It hands local names, then the
// element's attributes in document order, then text runs as they come, to
// an XmlMgr. Comments, processing instructions and the XML declaration are
// dropped; references arrive resolved.
//
// The reader reads nothing but the document: external entities are refused,
// no DTD is fetched, entity expansion is bounded and nesting is capped.
#pragma once

#include <exception>
#include <string>

#include "velt/xml/XmlMgr.h"

struct XML_ParserStruct;

namespace velt {
namespace xml {

class ExpatSaxAdapter {
 public:
  // Deepest element nesting accepted; a deeper document is refused.
  static constexpr int kMaxDepth = 1000;
  // Entity expansion: once a parse has produced this many bytes, output may
  // be at most kMaxAmplification times the document's own bytes.
  static constexpr unsigned long long kAmplificationThreshold = 1024 * 1024;
  static constexpr float kMaxAmplification = 100.0f;
  // The most a document may be: its bytes, its elements and attributes
  // together, and the text it delivers (references expanded). Real
  // configurations and requests are a few kilobytes; these bounds keep a
  // hostile one from taking gigabytes of memory as a tree.
  static constexpr unsigned long long kMaxDocumentBytes = 8ull * 1024 * 1024;
  static constexpr unsigned long kMaxNodes = 100000;
  static constexpr unsigned long long kMaxTextBytes = 32ull * 1024 * 1024;

  explicit ExpatSaxAdapter(XmlMgr* sink);
  ExpatSaxAdapter(const ExpatSaxAdapter&) = delete;
  ExpatSaxAdapter& operator=(const ExpatSaxAdapter&) = delete;

  // Parses UTF-8 text; an encoding named in the text's declaration is
  // ignored (the text is already decoded). Returns 0 or a reader code.
  long ParseText(const std::string& utf8);
  // Parses the local file `path` (UTF-8); its declaration or byte order
  // mark names its encoding. Returns 0 or a reader code.
  long ParseFile(const std::string& path);

 private:
  // Sets up a parser and its handlers; null when expat cannot allocate.
  XML_ParserStruct* CreateParser(const char* encoding);
  // The result of a parse that expat ended with an error (logs it).
  long ParseFailure(XML_ParserStruct* parser);
  // Ends the parse from inside a handler with `code`; the first stop wins.
  void Stop(long code, const std::string& message);
  // Counts `nodes` more nodes and `textBytes` more text; false (and the
  // parse stopped) once the document is over a bound.
  bool WithinBounds(unsigned long nodes, unsigned long long textBytes);
  // Refuses a document of `bytes` bytes over kMaxDocumentBytes (logged).
  long CheckSize(unsigned long long bytes, const std::string& what);
  // Logs a failure of the reader itself.
  void FatalError(long code, const std::string& message);
  // Runs a sink call, turning an allocation failure into a stop and keeping
  // any other exception to be rethrown once expat has returned.
  template <typename Call>
  void Deliver(Call call);

  static void StartElement(void* self, const char* name, const char** attributes);
  static void EndElement(void* self, const char* name);
  static void Characters(void* self, const char* text, int length);
  static int ExternalEntityRef(XML_ParserStruct* parser, const char* context, const char* base,
                               const char* systemId, const char* publicId);
  static void SkippedEntity(void* self, const char* name, int isParameterEntity);

  XmlMgr* m_sink;                        // borrowed
  XML_ParserStruct* m_parser = nullptr;  // the parse in progress
  int m_depth = 0;
  unsigned long m_nodes = 0;
  unsigned long long m_textBytes = 0;
  long m_stopCode = 0;
  std::string m_stopMessage;
  std::exception_ptr m_pending;  // a sink's exception, rethrown after the parse
};

}  // namespace xml
}  // namespace velt
