// The log's message catalogue: entries of (name, severity, format) grouped
// in sets by base identifier.
#pragma once

namespace velt {

struct CatalogEntry {
  const char* name;
  int severity;
  const char* format;
};

// The entry of `messageId`, or the MID_UNKNOWN entry when no set holds it.
const CatalogEntry& LookupMessage(unsigned messageId);

}  // namespace velt
