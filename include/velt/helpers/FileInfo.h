// FILE_INFO: one entry found by helperUtil::fileFindAll.
#pragma once

#include <cstdint>
#include <string>

// Win32 file attribute bits as FILE_INFO::fileAttributes reports them.
enum : uint32_t {
  VELT_FILE_ATTRIBUTE_READONLY = 0x1,
  VELT_FILE_ATTRIBUTE_HIDDEN = 0x2,
  VELT_FILE_ATTRIBUTE_DIRECTORY = 0x10,
  VELT_FILE_ATTRIBUTE_ARCHIVE = 0x20,
  VELT_FILE_ATTRIBUTE_NORMAL = 0x80,
  VELT_FILE_ATTRIBUTE_REPARSE_POINT = 0x400,  // a symbolic link
};

struct FILE_INFO {
  std::wstring fileName;        // the entry's name, without the folder
  bool isDirectory = false;     // VELT_FILE_ATTRIBUTE_DIRECTORY is set
  uint32_t fileAttributes = 0;  // VELT_FILE_ATTRIBUTE_* bits
  uint64_t lastAccessTime = 0;  // 100-nanosecond units since 1601-01-01 UTC
};
