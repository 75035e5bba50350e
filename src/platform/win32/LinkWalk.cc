#include "platform/win32/LinkWalk.h"

#include <windows.h>
#include <winioctl.h>

#include <utility>
#include <vector>

#include "platform/win32/FileOwner.h"
#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace platform {
namespace win32 {
namespace {

// At most this many links are followed for one name, as Windows itself
// follows at most 63 reparse points in one path.
constexpr int kMaxLinks = 63;

// The start of FSCTL_GET_REPARSE_POINT's answer for symbolic links and
// mount points (the DDK's REPARSE_DATA_BUFFER); a symbolic link's flags
// follow, then the names of both.
struct LinkReparseData {
  ULONG tag;
  USHORT dataLength;
  USHORT reserved;
  USHORT substituteOffset;
  USHORT substituteLength;
  USHORT printOffset;
  USHORT printLength;
};

// The names of `text` from `from` on, "." left out and ".." taking the
// name before it away, as Windows resolves them.
std::vector<std::wstring> NamesOf(const std::wstring& text, size_t from) {
  std::vector<std::wstring> names;
  while (from < text.size()) {
    size_t end = from;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    std::wstring name = text.substr(from, end - from);
    if (name == L"..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != L".") {
      names.push_back(std::move(name));
    }
    from = end + 1;
  }
  return names;
}

bool HasParentStep(const std::wstring& text) {
  for (size_t from = 0; from <= text.size();) {
    size_t end = from;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    if (text.compare(from, end - from, L"..") == 0) return true;
    from = end + 1;
  }
  return false;
}

// The root of a full path in the form that opens it.
std::wstring OpenableRoot(const std::wstring& root) {
  if (root.size() >= 4 && IsSeparator(root[0]) && IsSeparator(root[1]) &&
      (root[2] == L'?' || root[2] == L'.')) {
    return root;
  }
  if (root.size() >= 2 && IsSeparator(root[0]) && IsSeparator(root[1])) {
    return L"\\\\?\\UNC\\" + root.substr(2);
  }
  return L"\\\\?\\" + root;
}

// 0 when the link `link` (with `facts`) may be followed to `target` by the
// owner rule; EACCES with `refusedLink` set when it may not.
int CheckOwners(HANDLE link, const EntryFacts& facts, const Reached& target,
                const std::wstring& shown, std::string& refusedLink) {
  Handle readable;
  Sid linkOwner;
  int error = Reopen(link, facts, READ_CONTROL, readable);
  if (error == 0) error = OwnerOf(readable.get(), linkOwner);
  if (error != 0 || IsSystemAccount(linkOwner)) {
    return error;
  }
  Sid targetOwner;
  error = Reopen(target.object.get(), target.facts, READ_CONTROL, readable);
  if (error == 0) error = OwnerOf(readable.get(), targetOwner);
  if (error == 0 && !SameOwner(linkOwner, targetOwner)) {
    refusedLink = Narrow(shown);
    error = EACCES;
  }
  return error;
}

int WalkNames(Handle current, std::wstring currentPath, const std::vector<std::wstring>& names,
              int& links, Reached& out, std::string& refusedLink) {
  for (size_t i = 0; i < names.size(); ++i) {
    const bool last = i + 1 == names.size();
    const std::wstring namePath = JoinPath(currentPath, names[i]);
    Handle entry;
    EntryFacts facts;
    int error = OpenInFolder(current.get(), names[i], FILE_READ_ATTRIBUTES, FILE_OPEN, 0, entry);
    if (error == 0) error = FactsOf(entry.get(), facts);
    if (error != 0) {
      return error;
    }
    const FileKind kind = KindOf(facts);
    if (kind == FileKind::kSymlink) {
      if (++links > kMaxLinks) {
        return ELOOP;
      }
      LinkText text;
      Reached target;
      error = ReadLinkText(entry.get(), text);
      if (error == 0) {
        error = WalkPath(text.relative ? JoinPath(currentPath, text.target) : text.target, links,
                         target, refusedLink);
      }
      if (error == 0) error = CheckOwners(entry.get(), facts, target, namePath, refusedLink);
      if (error != 0) {
        return error;
      }
      if (last) {
        out = std::move(target);
        return 0;
      }
      if (KindOf(target.facts) != FileKind::kDirectory) {
        return ENOTDIR;
      }
      current = std::move(target.object);
      currentPath = std::move(target.path);
    } else if (last) {
      out.object = std::move(entry);
      out.facts = facts;
      out.path = namePath;
      return 0;
    } else if (kind != FileKind::kDirectory) {
      return ENOTDIR;
    } else {
      current = std::move(entry);
      currentPath = namePath;
    }
  }
  return ENOENT;  // not reached: the last name returns above
}

}  // namespace

int WalkPath(const std::wstring& path, int& links, Reached& out, std::string& refusedLink) {
  std::wstring full;
  int error = FullPath(path, full);
  if (error != 0) {
    return error;
  }
  const size_t root = RootLength(full);
  if (root == 0) {
    return EINVAL;
  }
  // The root of a drive or a share is where every walk starts, as "/" is on
  // POSIX.
  Handle start;
  EntryFacts facts;
  error = OpenPath(OpenableRoot(full.substr(0, root)), FILE_READ_ATTRIBUTES, OPEN_EXISTING, true,
                   start);
  if (error == 0) error = FactsOf(start.get(), facts);
  if (error != 0) {
    return error;
  }
  const std::vector<std::wstring> names = NamesOf(full, root);
  if (names.empty()) {
    out.object = std::move(start);
    out.facts = facts;
    out.path = full.substr(0, root);
    return 0;
  }
  return WalkNames(std::move(start), full.substr(0, root), names, links, out, refusedLink);
}

int WalkFrom(HANDLE start, const std::wstring& startPath, const std::wstring& text, int& links,
             Reached& out, std::string& refusedLink) {
  if (RootLength(text) > 0 || HasParentStep(text)) {
    return WalkPath(RootLength(text) > 0 ? text : JoinPath(startPath, text), links, out,
                    refusedLink);
  }
  Handle folder;
  int error = OpenInFolder(start, L".", FILE_READ_ATTRIBUTES, FILE_OPEN, 0, folder);
  if (error != 0) {
    return error;
  }
  const std::vector<std::wstring> names = NamesOf(text, 0);
  if (names.empty()) {
    out.path = startPath;
    out.object = std::move(folder);
    return FactsOf(out.object.get(), out.facts);
  }
  return WalkNames(std::move(folder), startPath, names, links, out, refusedLink);
}

int ReadLinkText(HANDLE link, LinkText& text) {
  std::vector<LONGLONG> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE / sizeof(LONGLONG));
  DWORD size = 0;
  if (!DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                       MAXIMUM_REPARSE_DATA_BUFFER_SIZE, &size, nullptr)) {
    return LastErrno();
  }
  const auto* data = reinterpret_cast<const LinkReparseData*>(buffer.data());
  const bool symlink = data->tag == IO_REPARSE_TAG_SYMLINK;
  if (size < sizeof *data || (!symlink && data->tag != IO_REPARSE_TAG_MOUNT_POINT)) {
    return EINVAL;
  }
  const char* names = reinterpret_cast<const char*>(data + 1) + (symlink ? sizeof(ULONG) : 0);
  const char* end = reinterpret_cast<const char*>(buffer.data()) + size;
  auto name = [names, end](USHORT offset, USHORT length) {
    const char* from = names + offset;
    return from + length <= end
               ? std::wstring(reinterpret_cast<const wchar_t*>(from), length / sizeof(wchar_t))
               : std::wstring();
  };
  ULONG flags = 0;
  if (symlink) {
    flags = *reinterpret_cast<const ULONG*>(data + 1);
  }
  text.relative = symlink && (flags & SYMLINK_FLAG_RELATIVE) != 0;
  text.target = name(data->substituteOffset, data->substituteLength);
  if (text.target.empty()) {
    return EINVAL;
  }
  // Absolute targets are NT paths ("\??\C:\..."); "\\?\" is their Win32
  // form.
  if (!text.relative && text.target.compare(0, 4, L"\\??\\") == 0) {
    text.target[1] = L'\\';
  }
  text.shown = name(data->printOffset, data->printLength);
  if (text.shown.empty()) {
    text.shown = text.target;
  }
  return 0;
}

}  // namespace win32
}  // namespace platform
}  // namespace velt
