#include "RequestFile.h"

#include <cstdio>
#include <cstring>
#include <list>

#include "velt/platform/File.h"
#include "velt/platform/SystemError.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/xml/VeltParser.h"

namespace velt {
namespace cli {
namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      case '\r': out += "&#13;"; break;
      default: out += ch; break;
    }
  }
  return out;
}

// Keeps the last line of the first error logged: the parser's own reason.
class FirstErrorLogger : public ILogger {
 public:
  explicit FirstErrorLogger(std::string& reason) : m_reason(reason) {}
  long Log(Logging::Severity, const char* text, const char*, unsigned,
           Logging::DebugImportance importance) override {
    if (importance == 'E' && m_reason.empty() && text != nullptr) {
      const char* lastLine = std::strrchr(text, '\n');
      m_reason = lastLine != nullptr ? lastLine + 1 : text;
    }
    return 0;
  }

 private:
  std::string& m_reason;
};

bool RequestProblem(const std::string& path, const std::string& reason) {
  std::fprintf(stderr,
               "velt: cannot use the request file %s: %s; fix the file, or leave out --request "
               "for a default run\n",
               path.c_str(), reason.c_str());
  return false;
}

}  // namespace

bool CheckRequestFile(const std::string& path) {
  // Opened as the engine opens it: a folder, FIFO, socket or device is
  // refused without being waited for.
  platform::File file;
  const int error = file.Open(path);
  if (error != 0) {
    const platform::ErrorKind kind = platform::ErrorKindOf(error);
    return RequestProblem(path, kind == platform::ErrorKind::kIsAFolder ||
                                        kind == platform::ErrorKind::kInvalid
                                    ? "not a regular file"
                                    : platform::SystemErrorText(static_cast<unsigned long>(error)));
  }
  file.Close();
  std::string reason;
  long created = 0;
  CAppLog log(created, "velt", new FirstErrorLogger(reason));
  VeltParser parser;
  std::list<XMLObject*> trees;
  if (parser.Parse(Widen(path), VELT_PARSER_INPUT_FILE, trees) == nullptr || trees.size() != 1) {
    return RequestProblem(path, "not a valid request document (" +
                                    (reason.empty() ? std::string("it does not parse") : reason) +
                                    ")");
  }
  return true;
}

std::string RequestDocument(const std::vector<std::string>& ids, const std::string& comment) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<request>\n";
  for (const std::string& id : ids) {
    xml += "  <file id=\"" + Escape(id) + "\"/>\n";
  }
  if (!comment.empty()) {
    xml += "  <file id=\"comments\"><name>comments.txt</name></file>\n";
    xml += "  <comments>" + Escape(comment) + "</comments>\n";
  }
  xml += "</request>\n";
  return xml;
}

}  // namespace cli
}  // namespace velt
