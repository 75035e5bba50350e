// The file a captured command's banner and output are appended to, written
// the way a text-mode stream writes on Windows: every LF that passes
// through becomes CR LF, whoever wrote it.
#pragma once

#include <streambuf>
#include <string>

#include "platform/File.h"

namespace velt {

class TextModeFile : public std::streambuf {
 public:
  TextModeFile() = default;
  ~TextModeFile() override;
  TextModeFile(const TextModeFile&) = delete;
  TextModeFile& operator=(const TextModeFile&) = delete;

  // Opens `path` for appending (platform::File::OpenForAppending: no link
  // followed, a new file private to this user). `created` tells whether the
  // file is new. 0 or the error number.
  int Open(const std::string& path, bool& created);
  bool IsOpen() const { return m_file.IsOpen(); }
  // Writes what is buffered and closes the file. 0, or the error number of
  // the first write that failed since the file was opened.
  int Close();

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* data, std::streamsize size) override;
  int sync() override;

 private:
  bool Flush();

  platform::File m_file;
  int m_error = 0;
  std::string m_pending;
};

}  // namespace velt
