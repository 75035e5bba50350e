// The archive's file as minizip sees it: minizip's file functions (open,
// write, seek, tell...) over a partial file beside the archive's path (see
// PartialFile), with the small writes of zip headers gathered into one
// buffer. The file is never closed through minizip: the archive is
// checked and completed after minizip has closed it, then committed to its
// path, or removed when it is abandoned.
#pragma once

#include <minizip/ioapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/PartialFile.h"

namespace velt {
namespace zip {

class ArchiveFile {
 public:
  ArchiveFile();

  // Creates the partial file of the archive `path` (see PartialFile). 0 or
  // the error number.
  int Create(const std::string& path);
  // Whether `details` describe the partial file created.
  bool IsThisFile(const platform::FileDetails& details) const;
  // Gives the complete file the archive's path (see PartialFile::Commit).
  int Commit(bool replace) { return m_file.Commit(replace); }
  // Removes the file. 0 or the error number.
  int Abandon() { return m_file.Abandon(); }
  // minizip's file functions over this file; the opaque value is `this`.
  void FillFunctions(zlib_filefunc64_def& functions);

  // Where the next write goes.
  uint64_t Position() const { return m_position; }
  // Stores the buffered bytes. 0 or the error number.
  int Flush();
  // Reads exactly `size` stored bytes at `offset`: 0, EIO when the file
  // ends first, or the error number.
  int ReadStored(void* data, size_t size, uint64_t offset);
  // The size of what is stored. 0 or the error number.
  int StoredSize(uint64_t& size);
  // The first error number a write met; 0 while every write went through.
  int error() const { return m_error; }
  // From now on writes are dropped unwritten: the archive is being given up.
  void Discard() { m_discarding = true; }

  platform::File& file() { return m_file.file(); }

 private:
  static voidpf Open(voidpf opaque, const void* filename, int mode);
  static uLong Read(voidpf opaque, voidpf stream, void* data, uLong size);
  static uLong Write(voidpf opaque, voidpf stream, const void* data, uLong size);
  static ZPOS64_T Tell(voidpf opaque, voidpf stream);
  static long Seek(voidpf opaque, voidpf stream, ZPOS64_T offset, int origin);
  static int Close(voidpf opaque, voidpf stream);
  static int Error(voidpf opaque, voidpf stream);

  int Append(const unsigned char* data, size_t size);

  platform::PartialFile m_file;
  platform::FileDetails m_created;  // the partial file, as created
  std::vector<unsigned char> m_buffer;
  uint64_t m_bufferStart = 0;  // file offset of the buffer's first byte
  size_t m_buffered = 0;
  uint64_t m_position = 0;
  int m_error = 0;
  bool m_discarding = false;
};

}  // namespace zip
}  // namespace velt
