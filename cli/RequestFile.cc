#include "RequestFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

}  // namespace

RequestFile::~RequestFile() {
  if (!m_path.empty()) {
    unlink(m_path.c_str());
  }
}

std::string RequestFile::Document(const std::vector<std::string>& ids,
                                  const std::string& comment) {
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

bool RequestFile::Write(const std::vector<std::string>& ids, const std::string& comment) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                        "/velt-request-XXXXXX";
  int fd = mkstemp(pattern.data());  // mode 0600: private to this user
  if (fd < 0) {
    std::fprintf(stderr, "velt: cannot create a request file: %s\n", std::strerror(errno));
    return false;
  }
  m_path = pattern;
  const std::string xml = Document(ids, comment);
  const bool written = write(fd, xml.data(), xml.size()) == static_cast<ssize_t>(xml.size());
  const bool closed = close(fd) == 0;
  if (!written || !closed) {
    std::fprintf(stderr, "velt: cannot write the request file %s\n", m_path.c_str());
    return false;
  }
  return true;
}

}  // namespace cli
}  // namespace velt
