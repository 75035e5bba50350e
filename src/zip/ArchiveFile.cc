#include "zip/ArchiveFile.h"

#include <algorithm>
#include <cstring>

#include "platform/SystemError.h"

namespace velt {
namespace zip {

namespace {

// Enough for the headers of many small entries and a good share of a
// large one's data between two system calls.
constexpr size_t kBufferSize = 256 * 1024;

ArchiveFile& Self(voidpf opaque) { return *static_cast<ArchiveFile*>(opaque); }

}  // namespace

ArchiveFile::ArchiveFile() : m_buffer(kBufferSize) {}

int ArchiveFile::Create(const std::string& path) {
  int error = m_file.Create(path);
  if (error == 0 && (error = file().Details(m_created)) != 0) {
    m_file.Abandon();
  }
  return error;
}

bool ArchiveFile::IsThisFile(const platform::FileDetails& details) const {
  return m_file.file().IsOpen() && platform::IsSameFile(details, m_created);
}

int ArchiveFile::ReadStored(void* data, size_t size, uint64_t offset) {
  char* bytes = static_cast<char*>(data);
  for (size_t done = 0; done < size;) {
    int error = 0;
    const long count = file().ReadAt(bytes + done, size - done, offset + done, error);
    if (count <= 0) {
      return count < 0 ? error : platform::ErrorNumber(platform::ErrorKind::kIo);
    }
    done += static_cast<size_t>(count);
  }
  return 0;
}

int ArchiveFile::StoredSize(uint64_t& size) {
  platform::FileDetails details;
  int error = file().Details(details);
  size = details.size;
  return error;
}

void ArchiveFile::FillFunctions(zlib_filefunc64_def& functions) {
  functions.zopen64_file = &ArchiveFile::Open;
  functions.zread_file = &ArchiveFile::Read;
  functions.zwrite_file = &ArchiveFile::Write;
  functions.ztell64_file = &ArchiveFile::Tell;
  functions.zseek64_file = &ArchiveFile::Seek;
  functions.zclose_file = &ArchiveFile::Close;
  functions.zerror_file = &ArchiveFile::Error;
  functions.opaque = this;
}

int ArchiveFile::Flush() {
  if (m_buffered > 0 && !m_discarding && m_error == 0) {
    m_error = file().WriteAt(m_buffer.data(), m_buffered, m_bufferStart);
  }
  m_bufferStart += m_buffered;
  m_buffered = 0;
  return m_error;
}

int ArchiveFile::Append(const unsigned char* data, size_t size) {
  if (m_position != m_bufferStart + m_buffered) {
    // minizip went back to complete a header, or forward again.
    Flush();
    m_bufferStart = m_position;
  }
  if (m_buffered + size > m_buffer.size()) {
    Flush();
  }
  if (size >= m_buffer.size()) {
    if (m_error == 0) {
      m_error = file().WriteAt(data, size, m_position);
    }
    m_bufferStart += size;
  } else {
    std::memcpy(m_buffer.data() + m_buffered, data, size);
    m_buffered += size;
  }
  m_position += size;
  return m_error;
}

voidpf ArchiveFile::Open(voidpf opaque, const void* /*filename*/, int /*mode*/) {
  return Self(opaque).file().IsOpen() ? opaque : nullptr;
}

uLong ArchiveFile::Read(voidpf opaque, voidpf /*stream*/, void* data, uLong size) {
  ArchiveFile& self = Self(opaque);
  if (self.Flush() != 0 || self.ReadStored(data, size, self.m_position) != 0) {
    return 0;
  }
  self.m_position += size;
  return size;
}

uLong ArchiveFile::Write(voidpf opaque, voidpf /*stream*/, const void* data, uLong size) {
  ArchiveFile& self = Self(opaque);
  if (self.m_discarding) {
    self.m_position += size;
    return size;
  }
  return self.Append(static_cast<const unsigned char*>(data), size) == 0 ? size : 0;
}

ZPOS64_T ArchiveFile::Tell(voidpf opaque, voidpf /*stream*/) { return Self(opaque).m_position; }

long ArchiveFile::Seek(voidpf opaque, voidpf /*stream*/, ZPOS64_T offset, int origin) {
  ArchiveFile& self = Self(opaque);
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      self.m_position = offset;
      return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
      self.m_position += offset;
      return 0;
    case ZLIB_FILEFUNC_SEEK_END: {
      uint64_t size = 0;
      if (self.StoredSize(size) != 0) {
        return -1;
      }
      self.m_position = std::max<uint64_t>(size, self.m_bufferStart + self.m_buffered) + offset;
      return 0;
    }
    default:
      return -1;
  }
}

int ArchiveFile::Close(voidpf opaque, voidpf /*stream*/) {
  return Self(opaque).Flush() == 0 ? 0 : -1;
}

int ArchiveFile::Error(voidpf opaque, voidpf /*stream*/) { return Self(opaque).m_error != 0; }

}  // namespace zip
}  // namespace velt
