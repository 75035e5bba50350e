// helperUtil: the engine's shared static operations on paths, files, text,
// numbers, system information and summary trees. The members are defined
// in several source files, one per group, named after the group.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "velt/VeltExport.h"

class VeltComponent;
class XMLObject;

class VELT_API helperUtil {
 public:
  // ---- text, numbers and system information (helperutil_text.cc) ----

  // ---- path translation and the registry (helperutil_path.cc) ----

  // ---- file utilities (helperutil_file.cc) ----

  // ---- summary trees and component order (helperutil_summary.cc) ----

  // ---- upload request readers (upload/helperutil_upload.cc) ----
};
