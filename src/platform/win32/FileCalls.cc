#include "platform/win32/FileCalls.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cwctype>
#include <vector>

#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {
namespace win32 {
namespace {

// Reparse tags of the Linux subsystem's special files, which this
// MinGW-w64 does not name.
constexpr DWORD kTagLxFifo = 0x80000024;
constexpr DWORD kTagLxCharacterDevice = 0x80000025;
constexpr DWORD kTagLxBlockDevice = 0x80000026;

// FILETIME ticks from 1601-01-01 to 1970-01-01.
constexpr int64_t kUnixEpochTicks = 116444736000000000;
constexpr int64_t kTicksPerSecond = 10000000;

// FileDispositionInfoEx, which this MinGW-w64 declares for later Windows
// versions than it builds for.
constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

// Paths this long or longer need the "\\?\" form (CreateDirectoryW's limit,
// the shortest of the old ones).
constexpr size_t kShortPathLimit = MAX_PATH - 12;

constexpr size_t kCopyBuffer = size_t{1} << 20;
constexpr DWORD kLargestTransfer = DWORD{1} << 30;

bool StartsWith(const std::wstring& text, size_t at, const wchar_t* prefix) {
  for (size_t i = 0; prefix[i] != L'\0'; ++i) {
    if (at + i >= text.size() || std::towupper(text[at + i]) != std::towupper(prefix[i])) {
      return false;
    }
  }
  return true;
}

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The position after `count` more elements of `path` from `at`, each with
// the separator that ends it.
size_t AfterElements(const std::wstring& path, size_t at, int count) {
  for (int i = 0; i < count && at < path.size(); ++i) {
    while (at < path.size() && !IsSeparator(path[at])) ++at;
    if (at < path.size()) ++at;
  }
  return at;
}

// The reserved device names, which name a device in any folder and with
// any extension ("C:\logs\nul.txt" is NUL).
bool IsReservedName(std::wstring name) {
  const size_t stop = name.find_first_of(L".:");
  name = name.substr(0, stop);
  while (!name.empty() && name.back() == L' ') name.pop_back();
  for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
  static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* reserved : kNames) {
    if (name == reserved) return true;
  }
  // COM0..COM9 and LPT0..LPT9, also with the superscript digits.
  if (name.size() == 4 && (name.compare(0, 3, L"COM") == 0 || name.compare(0, 3, L"LPT") == 0)) {
    const wchar_t digit = name[3];
    return (digit >= L'0' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 ||
           digit == 0x00B3;
  }
  return false;
}

int Open(HANDLE root, const std::wstring& name, ACCESS_MASK access, ULONG disposition,
         ULONG options, ULONG share, Handle& out) {
  out.Reset();
  if (name.size() * sizeof(wchar_t) > 0xFFFE) {
    return ENAMETOOLONG;
  }
  UNICODE_STRING text;
  text.Buffer = const_cast<wchar_t*>(name.c_str());
  text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  OBJECT_ATTRIBUTES object;
  InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, root, nullptr);
  IO_STATUS_BLOCK status;
  HANDLE handle = INVALID_HANDLE_VALUE;
  const NTSTATUS result =
      NtCreateFile(&handle, access | SYNCHRONIZE, &object, &status, nullptr, FILE_ATTRIBUTE_NORMAL,
                   share, disposition, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (!NT_SUCCESS(result)) {
    return ErrnoFromStatus(result);
  }
  out.Reset(handle);
  return 0;
}

}  // namespace

FileKind KindOf(const EntryFacts& facts) {
  if ((facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    if (IsReparseTagNameSurrogate(facts.reparseTag)) {
      return FileKind::kSymlink;
    }
    switch (facts.reparseTag) {
      case IO_REPARSE_TAG_AF_UNIX:
        return FileKind::kSocket;
      case kTagLxFifo:
        return FileKind::kFifo;
      case kTagLxCharacterDevice:
        return FileKind::kCharacterDevice;
      case kTagLxBlockDevice:
        return FileKind::kBlockDevice;
      default:
        break;  // a file or folder a filter serves (deduplicated, in the cloud, ...)
    }
  }
  if ((facts.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return FileKind::kDirectory;
  }
  return (facts.attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? FileKind::kCharacterDevice
                                                         : FileKind::kRegular;
}

void FillDetails(const EntryFacts& facts, FileDetails& details) {
  details = FileDetails();
  const FileKind kind = KindOf(facts);
  details.isRegular = kind == FileKind::kRegular;
  details.isDirectory = kind == FileKind::kDirectory;
  details.isSymlink = kind == FileKind::kSymlink;
  details.readOnly = (facts.attributes & FILE_ATTRIBUTE_READONLY) != 0 && !details.isSymlink;
  details.hidden = (facts.attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
  details.size = facts.size;
  switch (kind) {
    case FileKind::kRegular:
      details.mode = kModeRegular | (details.readOnly ? 0444 : 0644);
      break;
    case FileKind::kDirectory:
      details.mode = kModeDirectory | (details.readOnly ? 0555 : 0755);
      break;
    case FileKind::kSymlink:
      details.mode = kModeSymlink | 0777;
      break;
    case FileKind::kFifo:
      details.mode = kModeFifo | 0666;
      break;
    case FileKind::kSocket:
      details.mode = kModeSocket | 0666;
      break;
    case FileKind::kBlockDevice:
      details.mode = kModeBlockDevice | 0666;
      break;
    default:
      details.mode = kModeCharacterDevice | 0666;
      break;
  }
  details.lastWrite = facts.lastWrite;
  details.lastAccess = facts.lastAccess;
  details.device = facts.volume;
  details.index = facts.index;
}

int FactsOf(HANDLE file, EntryFacts& facts) {
  facts = EntryFacts();
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) {
    return LastErrno();
  }
  auto wide = [](DWORD high, DWORD low) { return uint64_t{high} << 32 | low; };
  auto ticks = [&wide](const FILETIME& time) {
    return static_cast<int64_t>(wide(time.dwHighDateTime, time.dwLowDateTime));
  };
  facts.attributes = info.dwFileAttributes;
  facts.size = wide(info.nFileSizeHigh, info.nFileSizeLow);
  facts.lastWrite = FileTimeFromTicks(ticks(info.ftLastWriteTime));
  facts.lastAccess = FileTimeFromTicks(ticks(info.ftLastAccessTime));
  facts.volume = info.dwVolumeSerialNumber;
  facts.index = wide(info.nFileIndexHigh, info.nFileIndexLow);
  facts.links = info.nNumberOfLinks;
  if ((facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag)) {
      return LastErrno();
    }
    facts.reparseTag = tag.ReparseTag;
  }
  return 0;
}

FileTime FileTimeFromTicks(int64_t ticks) {
  const int64_t sinceEpoch = ticks - kUnixEpochTicks;
  int64_t seconds = sinceEpoch / kTicksPerSecond;
  int64_t rest = sinceEpoch % kTicksPerSecond;
  if (rest < 0) {  // before 1970: whole seconds round down
    --seconds;
    rest += kTicksPerSecond;
  }
  return FileTime{seconds, static_cast<uint32_t>(rest * 100)};
}

int64_t TicksFromFileTime(const FileTime& time) {
  return time.seconds * kTicksPerSecond + time.nanoseconds / 100 + kUnixEpochTicks;
}

int ErrnoFromStatus(LONG status) { return ErrnoFromWin32(RtlNtStatusToDosError(status)); }

size_t RootLength(const std::wstring& path) {
  const size_t size = path.size();
  if (size >= 2 && IsDriveLetter(path[0]) && path[1] == L':') {
    return size >= 3 && IsSeparator(path[2]) ? 3 : 2;
  }
  if (size >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    if (size >= 4 && (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3])) {
      if (size >= 6 && IsDriveLetter(path[4]) && path[5] == L':') {
        return size >= 7 && IsSeparator(path[6]) ? 7 : 6;
      }
      if (StartsWith(path, 4, L"UNC") && size > 7 && IsSeparator(path[7])) {
        return AfterElements(path, 8, 2);  // \\?\UNC\server\share\ .
      }
      return AfterElements(path, 4, 1);  // \\?\Volume{...}\ , \\.\pipe\ ...
    }
    return AfterElements(path, 2, 2);  // \\server\share\ .
  }
  return size >= 1 && IsSeparator(path[0]) ? 1 : 0;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty() || IsSeparator(folder.back())) return folder + name;
  return folder + L"\\" + name;
}

int FullPath(const std::wstring& path, std::wstring& full) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) {
      return LastErrno();
    }
    if (length < buffer.size()) {
      full.assign(buffer.data(), length);
      return 0;
    }
    buffer.resize(length + 1);
  }
}

std::wstring SystemPath(const std::string& path) {
  std::wstring wide = Widen(path);
  std::wstring full;
  if (wide.size() < kShortPathLimit || StartsWith(wide, 0, L"\\\\?\\") ||
      FullPath(wide, full) != 0) {
    return wide;
  }
  if (StartsWith(full, 0, L"\\\\.\\") || StartsWith(full, 0, L"\\\\?\\")) {
    return full;
  }
  if (full.size() >= 2 && IsSeparator(full[0]) && IsSeparator(full[1])) {
    return L"\\\\?\\UNC\\" + full.substr(2);
  }
  return L"\\\\?\\" + full;
}

bool NamesADevice(const std::wstring& path) {
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
      (path[2] == L'.' || path[2] == L'?') && IsSeparator(path[3])) {
    // In the namespaces that Win32 does not parse, a drive, a UNC path or a
    // volume's folders are files; everything else is a device.
    const bool drive =
        path.size() >= 7 && IsDriveLetter(path[4]) && path[5] == L':' && IsSeparator(path[6]);
    const bool share = StartsWith(path, 4, L"UNC") && path.size() > 7 && IsSeparator(path[7]);
    const size_t close = path.find(L'}', 4);
    const bool volume = StartsWith(path, 4, L"Volume{") && close != std::wstring::npos &&
                        close + 1 < path.size() && IsSeparator(path[close + 1]);
    return !(drive || share || volume);
  }
  size_t start = path.size();
  while (start > 0 && !IsSeparator(path[start - 1]) && path[start - 1] != L':') --start;
  return IsReservedName(path.substr(start));
}

int OpenPath(const std::wstring& path, DWORD access, DWORD disposition, bool follow, Handle& out,
             SECURITY_ATTRIBUTES* security, DWORD share) {
  out.Reset();
  if (NamesADevice(path)) {
    return EINVAL;
  }
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT |
                      SECURITY_ANONYMOUS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  Handle opened(CreateFileW(path.c_str(), access, share, security, disposition, flags, nullptr));
  if (!opened.ok()) {
    return LastErrno();
  }
  // A link followed into a device's namespace (a pipe, a console) is no
  // file of a disk.
  if (GetFileType(opened.get()) != FILE_TYPE_DISK) {
    return EINVAL;
  }
  out = std::move(opened);
  return 0;
}

int ExaminePath(const std::wstring& path, bool follow, Handle& out, EntryFacts& facts) {
  int error = OpenPath(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, false, out);
  if (error == 0) error = FactsOf(out.get(), facts);
  if (error == 0 && follow && KindOf(facts) == FileKind::kSymlink) {
    error = OpenPath(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, true, out);
    if (error == 0) error = FactsOf(out.get(), facts);
  }
  if (error != 0) out.Reset();
  return error;
}

int OpenInFolder(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG disposition,
                 ULONG options, Handle& out, ULONG share) {
  if (name == L"..") {
    out.Reset();
    return EINVAL;  // names are opened in the folder itself, never above it
  }
  return Open(folder, name == L"." ? std::wstring() : name, access, disposition,
              options | FILE_OPEN_REPARSE_POINT, share, out);
}

int Reopen(HANDLE file, const EntryFacts& facts, DWORD access, Handle& out) {
  // A file that a filter serves (deduplicated, a cloud file) is opened
  // through the filter; anything else as itself, so that a folder turned
  // into a junction meanwhile is not followed.
  const bool filtered =
      (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && KindOf(facts) != FileKind::kSymlink;
  Handle opened;
  int error = Open(file, std::wstring(), access, FILE_OPEN, filtered ? 0 : FILE_OPEN_REPARSE_POINT,
                   kShareAll, opened);
  EntryFacts again;
  if (error == 0 && (error = FactsOf(opened.get(), again)) == 0 &&
      (again.volume != facts.volume || again.index != facts.index)) {
    error = ESTALE;
  }
  if (error == 0) {
    out = std::move(opened);
  }
  return error;
}

int OpenForReading(HANDLE file, const EntryFacts& facts, Handle& out, FileKind& kind) {
  out.Reset();
  kind = KindOf(facts);
  switch (kind) {
    case FileKind::kRegular:
      return Reopen(file, facts, GENERIC_READ, out);
    case FileKind::kSymlink:
      return ELOOP;
    case FileKind::kDirectory:
      return EISDIR;
    default:
      return EINVAL;
  }
}

int ReadFolder(HANDLE folder, const std::function<bool(const FolderEntry&)>& visit,
               int& readError) {
  readError = 0;
  // A handle of its own: a listing's position belongs to the handle.
  Handle listing;
  int error = Open(folder, std::wstring(), FILE_LIST_DIRECTORY, FILE_OPEN,
                   FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT, kShareAll, listing);
  BY_HANDLE_FILE_INFORMATION info;
  if (error == 0 && !GetFileInformationByHandle(listing.get(), &info)) {
    error = LastErrno();
  }
  if (error != 0) {
    return error;
  }
  std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));
  const DWORD bufferSize = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
  FILE_INFO_BY_HANDLE_CLASS request = FileIdBothDirectoryRestartInfo;
  FolderEntry entry;
  for (;;) {
    if (!GetFileInformationByHandleEx(listing.get(), request, buffer.data(), bufferSize)) {
      const DWORD code = GetLastError();
      if (code != ERROR_NO_MORE_FILES &&
          !(code == ERROR_FILE_NOT_FOUND && request == FileIdBothDirectoryRestartInfo)) {
        readError = ErrnoFromWin32(code);
      }
      return 0;
    }
    request = FileIdBothDirectoryInfo;
    const char* at = reinterpret_cast<const char*>(buffer.data());
    for (;;) {
      const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
      entry.name.assign(record->FileName, record->FileNameLength / sizeof(wchar_t));
      EntryFacts& facts = entry.facts;
      facts.attributes = record->FileAttributes;
      // A reparse point's listing holds its tag where extended attributes'
      // size would be.
      facts.reparseTag =
          (record->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? record->EaSize : 0;
      facts.size = static_cast<uint64_t>(record->EndOfFile.QuadPart);
      facts.lastWrite = FileTimeFromTicks(record->LastWriteTime.QuadPart);
      facts.lastAccess = FileTimeFromTicks(record->LastAccessTime.QuadPart);
      facts.volume = info.dwVolumeSerialNumber;
      facts.index = static_cast<uint64_t>(record->FileId.QuadPart);
      facts.links = 1;
      if (!visit(entry)) {
        return 0;
      }
      if (record->NextEntryOffset == 0) break;
      at += record->NextEntryOffset;
    }
  }
}

long ReadAt(HANDLE file, void* buffer, size_t size, uint64_t offset, int& error) {
  OVERLAPPED position = {};
  position.Offset = static_cast<DWORD>(offset);
  position.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD count = 0;
  const DWORD wanted = static_cast<DWORD>(std::min<size_t>(size, kLargestTransfer));
  if (!ReadFile(file, buffer, wanted, &count, &position)) {
    const DWORD code = GetLastError();
    if (code != ERROR_HANDLE_EOF) {
      error = ErrnoFromWin32(code);
      return -1;
    }
    count = 0;
  }
  error = 0;
  return static_cast<long>(count);
}

int WriteAt(HANDLE file, const void* data, size_t size, uint64_t offset) {
  const char* bytes = static_cast<const char*>(data);
  for (size_t done = 0; done < size;) {
    // Offsets of all ones write at the end of the file.
    const uint64_t at = offset == kEndOfFile ? kEndOfFile : offset + done;
    OVERLAPPED position = {};
    position.Offset = static_cast<DWORD>(at);
    position.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, kLargestTransfer));
    if (!WriteFile(file, bytes + done, chunk, &written, &position)) {
      return LastErrno();
    }
    if (written == 0) {
      return EIO;
    }
    done += written;
  }
  return 0;
}

int CopyRange(HANDLE in, HANDLE out, uint64_t inOffset, uint64_t outOffset, uint64_t length,
              uint64_t& copied) {
  copied = 0;
  std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(length, kCopyBuffer)));
  while (copied < length) {
    int error = 0;
    const long count = ReadAt(
        in, buffer.data(), static_cast<size_t>(std::min<uint64_t>(length - copied, buffer.size())),
        inOffset + copied, error);
    if (count < 0) {
      return error;
    }
    if (count == 0) {
      break;  // the source ended
    }
    error = WriteAt(out, buffer.data(), static_cast<size_t>(count), outOffset + copied);
    if (error != 0) {
      return error;
    }
    copied += static_cast<uint64_t>(count);
  }
  return 0;
}

int SetTimes(HANDLE file, const FileTime& lastAccess, const FileTime& lastWrite, DWORD attributes) {
  FILE_BASIC_INFO info = {};  // zeros leave the other times and the attributes as they are
  info.LastAccessTime.QuadPart = std::max<int64_t>(TicksFromFileTime(lastAccess), 0);
  info.LastWriteTime.QuadPart = std::max<int64_t>(TicksFromFileTime(lastWrite), 0);
  info.FileAttributes = attributes;
  return SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) ? 0 : LastErrno();
}

int TryLock(HANDLE file) {
  constexpr uint64_t kLockByte = (uint64_t{1} << 63) - 2;
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(kLockByte);
  at.OffsetHigh = static_cast<DWORD>(kLockByte >> 32);
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)
             ? 0
             : LastErrno();
}

int DeleteByHandle(HANDLE file) {
  // POSIX semantics take the name away at once, even while others still
  // hold the file open; file systems and systems without them delete it
  // when the last handle closes.
  FILE_DISPOSITION_INFO_EX now = {FILE_DISPOSITION_FLAG_DELETE |
                                  FILE_DISPOSITION_FLAG_POSIX_SEMANTICS};
  if (SetFileInformationByHandle(file, kDispositionInfoEx, &now, sizeof now)) {
    return 0;
  }
  const DWORD code = GetLastError();
  if (code != ERROR_INVALID_PARAMETER && code != ERROR_NOT_SUPPORTED &&
      code != ERROR_INVALID_FUNCTION) {
    return ErrnoFromWin32(code);
  }
  FILE_DISPOSITION_INFO onClose = {TRUE};
  return SetFileInformationByHandle(file, FileDispositionInfo, &onClose, sizeof onClose)
             ? 0
             : LastErrno();
}

}  // namespace win32
}  // namespace platform
}  // namespace velt
