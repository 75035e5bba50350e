#include "runtime/MessageCatalog.h"

#include <cstddef>

namespace velt {
namespace {

const CatalogEntry kDebugSet[] = {
    {"MID_UNKNOWN", 5, "%s"},
    {"MID_DEBUG_MESSAGE", 7, "Function: %s\nFile: %s\nLine: %d\n%s"},
    {"MID_DEBUG_RETURN_CODE", 7,
     "Function: %s\nFile: %s\nLine: %d\nInvoked Function: %s\nReturn Code: %d (0x%.8X)\n"
     "Description: %s\n%s"},
    {"MID_VERBOSE_MESSAGE", 7, "[%s] %s:%d(%s) %s"},
};

struct CatalogSet {
  unsigned base;
  std::size_t count;
  const CatalogEntry* entries;
};

// The other sets of the product family (bases 10, 2000, ... 7000) belong to
// other programs and are not carried here.
const CatalogSet kSets[] = {
    {0, sizeof(kDebugSet) / sizeof(kDebugSet[0]), kDebugSet},
};

}  // namespace

const CatalogEntry& LookupMessage(unsigned messageId) {
  for (const CatalogSet& set : kSets) {
    if (messageId >= set.base && messageId < set.base + set.count) {
      return set.entries[messageId - set.base];
    }
  }
  return kDebugSet[0];
}

}  // namespace velt
