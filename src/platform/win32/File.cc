// Files on Windows: one owned handle, opened by CreateFileW without
// following a reparse point where the rules of File ask for it, created
// with CREATE_NEW, read and written at explicit offsets. A file is always
// examined through a handle of its own before it is opened for its data,
// and that handle is opened again, so nothing swapped in between is read.
#include "platform/File.h"

#include <windows.h>

#include "platform/win32/FileCalls.h"
#include "platform/win32/FileOwner.h"
#include "platform/win32/PrivateSecurity.h"
#include "platform/win32/Win32Error.h"

namespace velt {
namespace platform {

struct File::Handle {
  win32::Handle file;
  // Where Read goes on: reads and writes at an offset move the system's
  // own file position, so Read keeps one of its own.
  uint64_t position = 0;
};

namespace {

// 0 when `path` still leads to the file with `device` and `index`, else
// the error (ESTALE for another file).
int NameLeadsTo(const std::string& path, uint64_t device, uint64_t index) {
  win32::Handle named;
  win32::EntryFacts facts;
  int error = win32::ExaminePath(win32::SystemPath(path), false, named, facts);
  if (error == 0 && (facts.volume != device || facts.index != index)) {
    error = ESTALE;
  }
  return error;
}

}  // namespace

File::File() = default;
File::~File() = default;
File::File(File&&) noexcept = default;
File& File::operator=(File&&) noexcept = default;

int File::Open(const std::string& path, bool followLinks) {
  Close();
  win32::Handle examined;
  win32::EntryFacts facts;
  win32::Handle file;
  win32::FileKind kind;
  int error = win32::ExaminePath(win32::SystemPath(path), followLinks, examined, facts);
  if (error == 0) {
    error = win32::OpenForReading(examined.get(), facts, file, kind);
  }
  if (error != 0) {
    return error;
  }
  m_handle.reset(new Handle{std::move(file), 0});
  m_path = path;
  return 0;
}

int File::Create(const std::string& path, NewFileMode mode) {
  Close();
  const std::wstring wide = win32::SystemPath(path);
  if (win32::NamesADevice(wide)) {
    return EEXIST;  // a device has every such name already
  }
  const bool isPrivate = mode == NewFileMode::kPrivate;
  win32::PrivateSecurity security(false);
  if (isPrivate && security.error() != 0) {
    return security.error();
  }
  // CREATE_NEW refuses any existing name, a link or a folder included, so
  // the file is new and nobody else's; a private one is created with its
  // security, never given it afterwards. No DELETE access is held: other
  // programs that open the file without sharing deletion can still open it.
  win32::Handle file;
  win32::EntryFacts facts;
  int error = win32::OpenPath(wide, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, false, file,
                              isPrivate ? security.attributes() : nullptr);
  if (error == 0 && (error = win32::FactsOf(file.get(), facts)) != 0) {
    file.Reset();
    DeleteFileW(wide.c_str());
  }
  if (error != 0) {
    return error;
  }
  m_device = facts.volume;
  m_index = facts.index;
  m_handle.reset(new Handle{std::move(file), 0});
  m_path = path;
  return 0;
}

int File::OpenForAppending(const std::string& path, bool& created) {
  Close();
  constexpr DWORD kAccess = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE;
  created = false;
  const std::wstring wide = win32::SystemPath(path);
  win32::PrivateSecurity security(false);
  if (security.error() != 0) {
    return security.error();
  }
  win32::Handle file;
  win32::EntryFacts facts;
  for (;;) {
    int error = win32::OpenPath(wide, kAccess, CREATE_NEW, false, file, security.attributes());
    if (error == 0) {
      created = true;
      error = win32::FactsOf(file.get(), facts);
      break;
    }
    if (error != EEXIST) {
      return error;
    }
    // Appending to someone else's file, or to what is no file, would hand
    // them the output or write into a device.
    win32::Handle examined;
    error = win32::ExaminePath(wide, false, examined, facts);
    if (error == ENOENT) {
      continue;  // removed in between: create it after all
    }
    if (error != 0) {
      return error;
    }
    const win32::FileKind kind = win32::KindOf(facts);
    if (kind != win32::FileKind::kRegular) {
      return kind == win32::FileKind::kSymlink     ? ELOOP
             : kind == win32::FileKind::kDirectory ? EISDIR
                                                   : EINVAL;
    }
    win32::Handle owned;
    win32::Sid owner;
    error = win32::Reopen(examined.get(), facts, kAccess, owned);
    if (error == 0) error = win32::OwnerOf(owned.get(), owner);
    if (error == 0 && !win32::IsThisUser(owner)) error = EPERM;
    if (error != 0) {
      return error;
    }
    file = std::move(owned);
    break;
  }
  m_device = facts.volume;
  m_index = facts.index;
  m_handle.reset(new Handle{std::move(file), 0});
  m_path = path;
  return 0;
}

int File::Details(FileDetails& details) const {
  if (!IsOpen()) {
    return EBADF;
  }
  win32::EntryFacts facts;
  int error = win32::FactsOf(m_handle->file.get(), facts);
  if (error == 0) {
    win32::FillDetails(facts, details);
  }
  return error;
}

long File::Read(void* buffer, size_t size, int& error) {
  const long count = ReadAt(buffer, size, IsOpen() ? m_handle->position : 0, error);
  if (count > 0) {
    m_handle->position += static_cast<uint64_t>(count);
  }
  return count;
}

long File::ReadAt(void* buffer, size_t size, uint64_t offset, int& error) {
  if (!IsOpen()) {
    error = EBADF;
    return -1;
  }
  return win32::ReadAt(m_handle->file.get(), buffer, size, offset, error);
}

int File::Rewind() {
  if (!IsOpen()) {
    return EBADF;
  }
  m_handle->position = 0;
  return 0;
}

int File::WriteAt(const void* data, size_t size, uint64_t offset) {
  return IsOpen() ? win32::WriteAt(m_handle->file.get(), data, size, offset) : EBADF;
}

int File::Append(const void* data, size_t size) {
  return IsOpen() ? win32::WriteAt(m_handle->file.get(), data, size, win32::kEndOfFile) : EBADF;
}

int File::CopyFrom(const File& source, uint64_t offset, uint64_t length) {
  if (!IsOpen() || !source.IsOpen()) {
    return EBADF;
  }
  LARGE_INTEGER end;
  if (!GetFileSizeEx(m_handle->file.get(), &end)) {
    return LastErrno();
  }
  uint64_t copied = 0;
  return win32::CopyRange(source.m_handle->file.get(), m_handle->file.get(), offset,
                          static_cast<uint64_t>(end.QuadPart), length, copied);
}

int File::Lock() {
  if (!IsOpen()) {
    return EBADF;
  }
  int error = win32::TryLock(m_handle->file.get());
  if (error != 0) {
    return error;
  }
  // A cleaning run may have locked and removed the name in between.
  return NameLeadsTo(m_path, m_device, m_index) == 0 ? 0 : EAGAIN;
}

int File::SetOwner(uint32_t, uint32_t) {
  // Windows owners are SIDs, which FileDetails does not carry; a file put
  // in another's place keeps that file's owner by other means
  // (ReplacementFile).
  return IsOpen() ? ENOSYS : EBADF;
}

int File::SetModeAndTimes(const FileDetails& from) {
  if (!IsOpen()) {
    return EBADF;
  }
  // Of the permission bits, Windows keeps the owner's write bit: the
  // read-only attribute.
  FILE_BASIC_INFO now;
  if (!GetFileInformationByHandleEx(m_handle->file.get(), FileBasicInfo, &now, sizeof now)) {
    return LastErrno();
  }
  DWORD attributes = (from.mode & 0200) == 0 ? now.FileAttributes | FILE_ATTRIBUTE_READONLY
                                             : now.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
  if (attributes == 0) {
    attributes = FILE_ATTRIBUTE_NORMAL;
  }
  return win32::SetTimes(m_handle->file.get(), from.lastAccess, from.lastWrite, attributes);
}

int File::Remove() {
  if (m_path.empty()) {
    return 0;
  }
  Close();
  // The file is deleted through a handle of the name that was found to be
  // it, so a file put at the name in between is never touched.
  win32::Handle named;
  win32::EntryFacts facts;
  int error = win32::OpenPath(win32::SystemPath(m_path), DELETE | FILE_READ_ATTRIBUTES,
                              OPEN_EXISTING, false, named);
  if (error == 0) error = win32::FactsOf(named.get(), facts);
  if (error == 0 && (facts.volume != m_device || facts.index != m_index)) error = ESTALE;
  if (error == 0) error = win32::DeleteByHandle(named.get());
  m_path.clear();
  return error;
}

int File::Close() {
  if (!IsOpen()) {
    return 0;
  }
  int result = CloseHandle(m_handle->file.Release()) ? 0 : LastErrno();
  m_handle.reset();
  return result;
}

}  // namespace platform
}  // namespace velt
