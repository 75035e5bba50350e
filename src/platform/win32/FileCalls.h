// The handle-level file calls that the Windows files of this layer share:
// path text, opening by path and relative to an open folder (never
// following a reparse point unless asked), what a file is, reading a
// folder's entries, positioned reads and writes, copying between handles
// and deleting the very file a handle holds. For the Windows
// implementation only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/File.h"
#include "platform/common/FileKind.h"
#include "platform/win32/Handle.h"

namespace velt {
namespace platform {
namespace win32 {

// Type bits of FileDetails::mode in the Unix convention.
constexpr uint32_t kModeFifo = 0010000;
constexpr uint32_t kModeCharacterDevice = 0020000;
constexpr uint32_t kModeDirectory = 0040000;
constexpr uint32_t kModeBlockDevice = 0060000;
constexpr uint32_t kModeRegular = 0100000;
constexpr uint32_t kModeSymlink = 0120000;
constexpr uint32_t kModeSocket = 0140000;

// Every open shares reading, writing and deleting with other handles, as
// a POSIX open does.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What a directory entry is (common/FileKind.h).
using platform::FileKind;

// What the system says of one file, from its open handle or from its
// folder's listing.
struct EntryFacts {
  DWORD attributes = 0;
  DWORD reparseTag = 0;  // when attributes has FILE_ATTRIBUTE_REPARSE_POINT
  uint64_t size = 0;
  FileTime lastWrite;
  FileTime lastAccess;
  uint64_t volume = 0;  // the volume's serial number
  uint64_t index = 0;   // the file's index on it
  DWORD links = 1;
};

FileKind KindOf(const EntryFacts& facts);
// The portable record of `facts`: `hidden` and `readOnly` are the
// attributes of those names, owner and group 0 (Windows owners are SIDs,
// compared inside this layer only).
void FillDetails(const EntryFacts& facts, FileDetails& details);
// The facts of an open file.
int FactsOf(HANDLE file, EntryFacts& facts);

// FILETIME ticks (100 ns since 1601-01-01 UTC) and FileTime.
FileTime FileTimeFromTicks(int64_t ticks);
int64_t TicksFromFileTime(const FileTime& time);

// Error numbers of NTSTATUS results (through ErrnoFromWin32).
int ErrnoFromStatus(LONG status);

inline bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
// How much of `path` is its root: "C:\" 3, "C:" 2, "\" 1,
// "\\server\share\" and "\\?\C:\" all of it, 0 for a relative path.
size_t RootLength(const std::wstring& path);
// `folder` and `name` joined by one separator.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
// `path` made absolute against the working folder, "." and ".." taken out
// by their text as Windows itself does, "/" turned into "\".
int FullPath(const std::wstring& path, std::wstring& full);
// `path` (UTF-8) for the wide calls; paths longer than the old limit of
// 260 characters become "\\?\" paths.
std::wstring SystemPath(const std::string& path);
// Whether `path` names a device rather than a file of a disk: the device
// namespace ("\\.\", "\\?\" other than a drive, UNC path or volume) and the
// reserved names (CON, NUL, COM1, ...). Such paths are never opened.
bool NamesADevice(const std::wstring& path);

// Opens `path` by CreateFileW for `access` with the flags every open of the
// layer takes: folders can be opened, reparse points are opened themselves
// unless `follow`, a named pipe at the end cannot take on this process's
// identity, and only files of a disk are kept (EINVAL otherwise). A file
// created gets `security`.
int OpenPath(const std::wstring& path, DWORD access, DWORD disposition, bool follow, Handle& out,
             SECURITY_ATTRIBUTES* security = nullptr, DWORD share = kShareAll);
// Opens or creates (disposition FILE_OPEN, FILE_CREATE, ...) the entry `name`
// of the open folder `folder` itself ("." is the folder, ".." refused with
// EINVAL), never following a reparse point at the name; `options` adds
// FILE_DIRECTORY_FILE or FILE_NON_DIRECTORY_FILE.
int OpenInFolder(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG disposition,
                 ULONG options, Handle& out, ULONG share = kShareAll);
// Opens `path` for its attributes alone and gives its facts: a link
// describes itself unless `follow`, then what it leads to does.
int ExaminePath(const std::wstring& path, bool follow, Handle& out, EntryFacts& facts);
// The file `file` (with `facts`) holds, opened again for `access`: never
// through a link, and ESTALE when it is no longer the file of `facts`.
int Reopen(HANDLE file, const EntryFacts& facts, DWORD access, Handle& out);
// The regular file `file` (opened for its attributes, with `facts`)
// opened again for reading: EISDIR for a folder, ELOOP for a link, EINVAL
// for anything else, with `kind` saying which.
int OpenForReading(HANDLE file, const EntryFacts& facts, Handle& out, FileKind& kind);

// One entry of a folder's listing.
struct FolderEntry {
  std::wstring name;
  EntryFacts facts;
};
// Calls `visit` with every entry of the open folder, "." and ".." included,
// in the folder's order, until it returns false. 0 or the error of opening
// the folder for listing; `readError` is the error that ended the reading
// part way.
int ReadFolder(HANDLE folder, const std::function<bool(const FolderEntry&)>& visit, int& readError);

// Reads up to `size` bytes at `offset`: the count (0 at the end) or -1 with
// `error` set.
long ReadAt(HANDLE file, void* buffer, size_t size, uint64_t offset, int& error);
// The offset that writes at the end of the file, whatever its size.
constexpr uint64_t kEndOfFile = ~uint64_t{0};
// Writes all `size` bytes at `offset` (or at the end).
int WriteAt(HANDLE file, const void* data, size_t size, uint64_t offset);
// Copies up to `length` bytes of `in` from `inOffset` to `out` at
// `outOffset`; stops early, without error, when `in` ends first. `copied`
// says how much was copied.
int CopyRange(HANDLE in, HANDLE out, uint64_t inOffset, uint64_t outOffset, uint64_t length,
              uint64_t& copied);
// Gives the open file its last-access and last-write times, and
// `attributes` unless 0.
int SetTimes(HANDLE file, const FileTime& lastAccess, const FileTime& lastWrite,
             DWORD attributes = 0);
// Takes the exclusive lock of a run on the open file without waiting
// (EAGAIN when another handle holds it). The lock covers one byte far
// beyond any file's data: Windows locks are mandatory, and this one must
// never stand in the way of reading or writing the file.
int TryLock(HANDLE file);
// Deletes the file or empty folder the handle (opened with DELETE) holds,
// whatever its name is now; its name goes at once where the file system
// can, else when the last handle to it closes.
int DeleteByHandle(HANDLE file);

}  // namespace win32
}  // namespace platform
}  // namespace velt
