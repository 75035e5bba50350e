// C library streams opened by path, for the files the engine writes as text
// (the application log's file) and hands to other libraries (the bundle an
// upload reads), and that a front end reads (a secret file), with the error
// of an open that fails.
#pragma once

#include <cstdio>
#include <string>

#include "velt/VeltExport.h"

namespace velt {
namespace platform {

// Opens `path` as std::fopen does with `mode` ("a", "rb", ...): 0 with
// `stream` set, or the error number (see SystemError.h) with `stream` null.
VELT_API int OpenStream(const std::string& path, const char* mode, std::FILE*& stream);

}  // namespace platform
}  // namespace velt
