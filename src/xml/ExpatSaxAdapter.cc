#include "xml/ExpatSaxAdapter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

// The billion-laughs limits are declared only when the header is told the
// library was built with DTD support, which Debian's expat is.
#ifndef XML_DTD
#define XML_DTD 1
#endif
#include <expat.h>

#include "platform/File.h"
#include "platform/SystemError.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace velt {
namespace xml {
namespace {

// Separates a namespace URI from the local name in the names expat reports.
// It cannot occur in a name or a URI of a well-formed document.
constexpr char kNamespaceSeparator = '\x01';
constexpr int kReadChunk = 64 * 1024;

struct ParserFree {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserHandle = std::unique_ptr<XML_ParserStruct, ParserFree>;

// Wide text of `length` UTF-8 bytes. Most of a document is ASCII, which
// widens byte for byte without an intermediate copy.
std::wstring ToWide(const char* text, std::size_t length) {
  const char* end = text + length;
  if (std::all_of(text, end, [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::wstring(text, end);
  return Widen(std::string(text, length));
}

// The local part of a name expat reports as "uri<sep>local" or "local".
std::wstring LocalName(const char* name) {
  const char* local = std::strrchr(name, kNamespaceSeparator);
  if (local != nullptr) name = local + 1;
  return ToWide(name, std::strlen(name));
}

// Overwrites text the adapter no longer needs, in a way the compiler keeps.
void Wipe(std::wstring& text) {
  volatile wchar_t* p = text.empty() ? nullptr : &text[0];
  for (std::size_t i = 0; i < text.size(); ++i) p[i] = 0;
}

std::string Position(XML_Parser parser) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), " (line %lu, column %lu)",
                static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser) + 1));
  return buffer;
}

// Why File refused to open something that exists but is not a
// regular file; null for any other failure.
const char* NotRegularReason(int error) {
  const platform::ErrorKind kind = platform::ErrorKindOf(error);
  if (kind == platform::ErrorKind::kIsAFolder) return "is a folder";
  if (kind == platform::ErrorKind::kInvalid) return "not a regular file";
  return nullptr;
}

}  // namespace

ExpatSaxAdapter::ExpatSaxAdapter(XmlMgr* sink) : m_sink(sink) {}

XML_Parser ExpatSaxAdapter::CreateParser(const char* encoding) {
  XML_Parser parser = XML_ParserCreateNS(encoding, kNamespaceSeparator);
  if (parser == nullptr) return nullptr;
  XML_SetUserData(parser, this);
  XML_SetElementHandler(parser, &ExpatSaxAdapter::StartElement, &ExpatSaxAdapter::EndElement);
  XML_SetCharacterDataHandler(parser, &ExpatSaxAdapter::Characters);
  // Nothing outside the document is ever read: no external DTD or parameter
  // entities, and a reference to an external entity fails the parse.
  XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetExternalEntityRefHandler(parser, &ExpatSaxAdapter::ExternalEntityRef);
  XML_SetSkippedEntityHandler(parser, &ExpatSaxAdapter::SkippedEntity);
  XML_SetBillionLaughsAttackProtectionActivationThreshold(parser, kAmplificationThreshold);
  XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser, kMaxAmplification);
  m_parser = parser;
  m_depth = 0;
  m_nodes = 0;
  m_textBytes = 0;
  m_stopCode = 0;
  m_stopMessage.clear();
  m_pending = nullptr;
  return parser;
}

long ExpatSaxAdapter::CheckSize(unsigned long long bytes, const std::string& what) {
  if (bytes <= kMaxDocumentBytes) return 0;
  FatalError(VELTENGINE_ERROR_INVALID_XML,
             what + " has " + std::to_string(bytes) + " bytes, more than the " +
                 std::to_string(kMaxDocumentBytes) + " a configuration or request may have");
  return VELTENGINE_ERROR_INVALID_XML;
}

bool ExpatSaxAdapter::WithinBounds(unsigned long nodes, unsigned long long textBytes) {
  m_nodes += nodes;
  m_textBytes += textBytes;
  if (m_nodes > kMaxNodes) {
    Stop(VELTENGINE_ERROR_INVALID_XML,
         "more than " + std::to_string(kMaxNodes) + " elements and attributes");
  } else if (m_textBytes > kMaxTextBytes) {
    Stop(VELTENGINE_ERROR_INVALID_XML,
         "more than " + std::to_string(kMaxTextBytes) + " bytes of text");
  }
  return m_stopCode == 0;
}

long ExpatSaxAdapter::ParseText(const std::string& utf8) {
  if (long rc = CheckSize(utf8.size(), "the XML text")) return rc;
  // Naming the encoding overrides whatever the text's declaration says.
  ParserHandle parser(CreateParser("UTF-8"));
  if (!parser) {
    FatalError(VELTENGINE_ERROR_MEMALLOC_FAILED, "cannot create the XML reader");
    return VELTENGINE_ERROR_MEMALLOC_FAILED;
  }
  long rc = 0;
  // Expat takes an int length: feed large texts in pieces.
  constexpr std::size_t kPiece = 1u << 30;
  std::size_t offset = 0;
  do {
    const std::size_t length = std::min(kPiece, utf8.size() - offset);
    const bool last = offset + length == utf8.size();
    if (XML_Parse(parser.get(), utf8.data() + offset, static_cast<int>(length), last) !=
        XML_STATUS_OK) {
      rc = ParseFailure(parser.get());
      break;
    }
    offset += length;
  } while (offset < utf8.size());
  m_parser = nullptr;
  parser.reset();
  if (m_pending) std::rethrow_exception(m_pending);
  return rc;
}

long ExpatSaxAdapter::ParseFile(const std::string& path) {
  // Only a regular file is read: a pipe or a device swapped in is refused
  // without being waited for.
  platform::File file;
  if (const int error = file.Open(path)) {
    if (const char* why = NotRegularReason(error)) {
      FatalError(VELTENGINE_ERROR_FILE_OPEN_FAILURE, "cannot read \"" + path + "\": " + why);
      return VELTENGINE_ERROR_FILE_OPEN_FAILURE;
    }
    const long code = VeltCodeFromErrno(error, VELTENGINE_ERROR_FILE_OPEN_FAILURE);
    FatalError(code, "cannot open \"" + path + "\": " + platform::SystemErrorText(error));
    return code;
  }
  platform::FileDetails details;
  if (const int error = file.Details(details)) {
    FatalError(VELTENGINE_ERROR_FILE_OPEN_FAILURE,
               "cannot read \"" + path + "\": " + platform::SystemErrorText(error));
    return VELTENGINE_ERROR_FILE_OPEN_FAILURE;
  }
  if (long rc = CheckSize(details.size, "\"" + path + "\"")) return rc;
  ParserHandle parser(CreateParser(nullptr));
  if (!parser) {
    FatalError(VELTENGINE_ERROR_MEMALLOC_FAILED, "cannot create the XML reader");
    return VELTENGINE_ERROR_MEMALLOC_FAILED;
  }
  long rc = 0;
  unsigned long long total = 0;
  for (;;) {
    void* buffer = XML_GetBuffer(parser.get(), kReadChunk);
    if (buffer == nullptr) {
      rc = ParseFailure(parser.get());
      break;
    }
    int error = 0;
    const long got = file.Read(buffer, kReadChunk, error);
    if (got < 0) {
      rc = VELTENGINE_ERROR_FILE_OPEN_FAILURE;
      FatalError(rc, "cannot read \"" + path + "\": " + platform::SystemErrorText(error));
      break;
    }
    total += got;
    if ((rc = CheckSize(total, "\"" + path + "\"")) != 0) break;  // it grew while read
    const bool last = got == 0;
    if (XML_ParseBuffer(parser.get(), static_cast<int>(got), last) != XML_STATUS_OK) {
      rc = ParseFailure(parser.get());
      break;
    }
    if (last) break;
  }
  m_parser = nullptr;
  parser.reset();
  if (m_pending) std::rethrow_exception(m_pending);
  return rc;
}

long ExpatSaxAdapter::ParseFailure(XML_Parser parser) {
  if (m_pending) return GLOBAL_ERROR_UNEXPECTED;  // rethrown by the caller
  long code = m_stopCode;
  std::string message = m_stopMessage;
  if (code == 0) {
    const XML_Error error = XML_GetErrorCode(parser);
    code = error == XML_ERROR_NO_MEMORY ? VELTENGINE_ERROR_MEMALLOC_FAILED
                                        : VELTENGINE_ERROR_INVALID_XML;
    const XML_LChar* text = XML_ErrorString(error);
    message = text != nullptr ? text : "unknown error";
  }
  FatalError(code, message + Position(parser));
  return code;
}

void ExpatSaxAdapter::Stop(long code, const std::string& message) {
  if (m_stopCode != 0) return;
  m_stopCode = code;
  m_stopMessage = message;
  XML_StopParser(m_parser, XML_FALSE);
}

void ExpatSaxAdapter::FatalError(long code, const std::string& message) {
  VELT_LOG_CODE('E', "XML_Parse", code, "XML Parser fatal error: %s", message.c_str());
}

template <typename Call>
void ExpatSaxAdapter::Deliver(Call call) {
  try {
    call();
  } catch (const std::bad_alloc&) {
    Stop(VELTENGINE_ERROR_MEMALLOC_FAILED, "out of memory while building the tree");
  } catch (...) {
    if (!m_pending) m_pending = std::current_exception();
    Stop(GLOBAL_ERROR_UNEXPECTED, "the document's receiver failed");
  }
}

void ExpatSaxAdapter::StartElement(void* data, const char* name, const char** attributes) {
  auto* self = static_cast<ExpatSaxAdapter*>(data);
  if (self->m_stopCode != 0) return;
  if (++self->m_depth > kMaxDepth) {
    self->Stop(VELTENGINE_ERROR_INVALID_XML,
               "elements nested deeper than " + std::to_string(kMaxDepth) + " levels");
    return;
  }
  unsigned long nodes = 1;
  for (const char** a = attributes; a[0] != nullptr; a += 2) ++nodes;
  if (!self->WithinBounds(nodes, 0)) return;
  self->Deliver([&] {
    const std::wstring local = LocalName(name);
    self->m_sink->addElement(local);
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
      std::wstring value = ToWide(a[1], std::strlen(a[1]));
      self->m_sink->addAttribute(LocalName(a[0]), value);
      Wipe(value);
    }
    // Elements whose names begin with "qu" are not accepted in the engine's
    // documents: the parse ends there as failed.
    if (local.compare(0, 2, L"qu") == 0) {
      self->Stop(VELTENGINE_ERROR_UNKNOWN_XML_TAG,
                 "element <" + Narrow(local) + "> is not accepted");
    }
  });
}

void ExpatSaxAdapter::EndElement(void* data, const char* name) {
  auto* self = static_cast<ExpatSaxAdapter*>(data);
  if (self->m_stopCode != 0) return;
  --self->m_depth;
  self->Deliver([&] { self->m_sink->endElement(LocalName(name)); });
}

void ExpatSaxAdapter::Characters(void* data, const char* text, int length) {
  auto* self = static_cast<ExpatSaxAdapter*>(data);
  if (self->m_stopCode != 0 || !self->WithinBounds(0, static_cast<unsigned>(length))) return;
  self->Deliver([&] {
    std::wstring run = ToWide(text, static_cast<std::size_t>(length));
    self->m_sink->setElementValue(run);
    Wipe(run);
  });
}

int ExpatSaxAdapter::ExternalEntityRef(XML_Parser parser, const char* /*context*/,
                                       const char* /*base*/, const char* systemId,
                                       const char* /*publicId*/) {
  auto* self = static_cast<ExpatSaxAdapter*>(XML_GetUserData(parser));
  if (self->m_stopCode == 0) {
    self->m_stopCode = VELTENGINE_ERROR_INVALID_XML;
    self->m_stopMessage = std::string("reference to the external entity \"") +
                          (systemId != nullptr ? systemId : "") +
                          "\" refused: only the document itself is read";
  }
  return XML_STATUS_ERROR;
}

void ExpatSaxAdapter::SkippedEntity(void* data, const char* name, int /*isParameterEntity*/) {
  auto* self = static_cast<ExpatSaxAdapter*>(data);
  // A reference whose declaration was not read cannot be resolved: the text
  // would silently lose it.
  self->Stop(VELTENGINE_ERROR_INVALID_XML,
             std::string("entity \"") + name + "\" is not declared in the document");
}

}  // namespace xml
}  // namespace velt
