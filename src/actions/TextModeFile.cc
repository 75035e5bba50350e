#include "actions/TextModeFile.h"

#include <cstring>

namespace velt {
namespace {
constexpr std::size_t kFlushBytes = 64 * 1024;
}  // namespace

TextModeFile::~TextModeFile() { Close(); }

int TextModeFile::Open(const std::string& path, bool& created) {
  Close();
  m_error = 0;
  return m_file.OpenForAppending(path, created);
}

int TextModeFile::Close() {
  if (m_file.IsOpen()) {
    Flush();
    m_file.Close();
  }
  return m_error;
}

bool TextModeFile::Flush() {
  if (m_error == 0 && !m_pending.empty()) {
    m_error = m_file.Append(m_pending.data(), m_pending.size());
  }
  m_pending.clear();
  return m_error == 0;
}

std::streamsize TextModeFile::xsputn(const char* data, std::streamsize size) {
  if (!m_file.IsOpen() || m_error != 0) {
    return 0;
  }
  const char* end = data + size;
  for (const char* at = data; at < end;) {
    const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
    const char* lineEnd = found != nullptr ? static_cast<const char*>(found) : end;
    m_pending.append(at, lineEnd);
    if (lineEnd < end) {
      m_pending += "\r\n";
      ++lineEnd;
    }
    at = lineEnd;
  }
  if (m_pending.size() >= kFlushBytes && !Flush()) {
    return 0;
  }
  return size;
}

TextModeFile::int_type TextModeFile::overflow(int_type ch) {
  if (traits_type::eq_int_type(ch, traits_type::eof())) {
    return sync() == 0 ? traits_type::not_eof(ch) : traits_type::eof();
  }
  const char c = traits_type::to_char_type(ch);
  return xsputn(&c, 1) == 1 ? ch : traits_type::eof();
}

int TextModeFile::sync() { return m_file.IsOpen() && Flush() ? 0 : -1; }

}  // namespace velt
