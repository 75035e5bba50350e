#include "report/SummaryWriter.h"

#include "platform/Stream.h"
#include "platform/StreamOutput.h"
#include "platform/SystemError.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace report {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// A byte of a name that was not valid UTF-8, as the text conversion keeps it.
bool IsUndecodableByte(wchar_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

}  // namespace

SummaryWriter::~SummaryWriter() { Close(); }

bool SummaryWriter::Open(const std::wstring& path, Mode mode) {
  Close();
  m_error = platform::OpenStream(Narrow(path), mode == Mode::Append ? "ab" : "wb", m_file);
  return m_file != nullptr;
}

void SummaryWriter::Fail(int error) {
  if (m_error == 0) m_error = error;
}

void SummaryWriter::Write(const std::wstring& text) {
  if (m_file == nullptr) {
    Fail(platform::ErrorNumber(platform::ErrorKind::kBadHandle));
    return;
  }
  const std::string bytes = Encode(text);
  if (!bytes.empty()) Fail(platform::WriteToStream(m_file, bytes.data(), bytes.size()));
}

bool SummaryWriter::Close() {
  if (m_file != nullptr) {
    Fail(platform::CloseStream(m_file));
    m_file = nullptr;
  }
  return m_error == 0;
}

std::string SummaryWriter::Encode(const std::wstring& text) {
  std::wstring crlf;
  crlf.reserve(text.size() + 8);
  for (wchar_t c : text) {
    if (c == L'\n') crlf += L'\r';
    crlf += IsUndecodableByte(c) ? kReplacement : c;
  }
  return Narrow(crlf);
}

std::wstring SummaryWriter::Column(const std::wstring& text, size_t width) {
  std::wstring column = text.substr(0, width);
  column.resize(width, L' ');
  return column;
}

std::wstring SummaryWriter::Rule(wchar_t c, size_t count) { return std::wstring(count, c); }

std::wstring SummaryWriter::OneLine(const std::wstring& text) {
  std::wstring line(text);
  for (wchar_t& c : line) {
    if (c == L'\n' || c == L'\r' || c == L'\t' || c == L'\v' || c == L'\f') {
      c = L' ';
    } else if (c < 0x20 || (c >= 0x7F && c < 0xA0) || IsUndecodableByte(c)) {
      c = kReplacement;
    }
  }
  return line;
}

}  // namespace report
}  // namespace velt
