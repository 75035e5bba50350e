// SummaryWriter: the narrow text file behind summary.txt and comments.txt.
// Wide text is written as UTF-8 and every line feed as CR LF, whatever the
// platform, so that a bundle reads the same wherever it was made. Column
// helpers pad and cut by characters, before the text is narrowed.
#pragma once

#include <cstdio>
#include <string>

namespace velt {
namespace report {

class SummaryWriter {
 public:
  enum class Mode { Append, Truncate };

  SummaryWriter() = default;
  ~SummaryWriter();
  SummaryWriter(const SummaryWriter&) = delete;
  SummaryWriter& operator=(const SummaryWriter&) = delete;

  // Opens `path` (binary, so that no line end is translated twice). False
  // when it cannot be opened; error() tells why.
  bool Open(const std::wstring& path, Mode mode);
  // Writes `text` narrowed, each "\n" as "\r\n". Bytes of file names that
  // were not valid text are written as U+FFFD, so the file stays valid
  // UTF-8. Errors are remembered.
  void Write(const std::wstring& text);
  // Closes the file; false when a write or the close failed.
  bool Close();
  // The error number (see platform/SystemError.h) of the first failure since
  // Open: of the open, a write or the close; 0 when there was none.
  int error() const { return m_error; }

  // The bytes Write writes for `text`.
  static std::string Encode(const std::wstring& text);
  // `text` left-aligned in `width` characters, cut at `width`
  // (printf's "%-*.*s").
  static std::wstring Column(const std::wstring& text, size_t width);
  // A run of `count` copies of `c`.
  static std::wstring Rule(wchar_t c, size_t count);
  // `text` as it may stand on one line of a report: line breaks and tabs
  // become blanks, other control characters U+FFFD, so that names and titles
  // from configurations, requests and file listings cannot add lines.
  static std::wstring OneLine(const std::wstring& text);

 private:
  // Keeps the first failure's error number.
  void Fail(int error);

  std::FILE* m_file = nullptr;
  int m_error = 0;
};

}  // namespace report
}  // namespace velt
