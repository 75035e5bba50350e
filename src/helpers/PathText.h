// Small conversions between the engine's wide paths and the platform's
// narrow ones, shared by helperUtil's path and file operations.
#pragma once

#include <string>

#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"

namespace velt {

// Every "\" and "/" of a configured path becomes the platform's separator.
inline std::wstring ToPlatformSeparators(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'\\' || c == L'/') {
      c = kPathSeparator;
    }
  }
  return path;
}

// `folder` with a separator at its end.
inline std::wstring WithSeparator(const std::wstring& folder) {
  if (!folder.empty() && folder.back() == kPathSeparator) {
    return folder;
  }
  return folder + kPathSeparator;
}

}  // namespace velt
