// Where a collect run writes its bundle, decided and checked before the run,
// and what velt reports about the bundle after it: its size, its SHA-256 and
// the "<bundle>.sha256" file that `sha256sum -c` verifies.
#pragma once

#include <string>

#include "ProgressDisplay.h"
#include "velt/engine/VeltEngine.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace cli {

struct BundleTarget {
  std::string folder;  // absolute, without a final separator
  std::string name;    // the bundle's file name, ending in ".zip"
  std::string path() const { return folder + kNarrowPathSeparator + name; }
  std::string checksumPath() const { return path() + ".sha256"; }
  std::string hostsMapPath() const {
    return Narrow(VeltEngine::MaskMappingPath(Widen(path())));
  }
};

// "velt-<short host name>-<YYYYMMDD>-<HHMMSS>.zip", local time; without the
// host name when it is not to be shown (host names masked); with a case ID,
// "velt-<case ID>-..." (the ID checked by VeltControlText::CheckCaseId).
std::string DefaultBundleName(bool withHostName, const std::string& caseId = "");

// Resolves --bundle: empty gives the default name (with `caseId`) in the
// current folder; an existing folder (with or without a final "/") gets the
// default name in it; anything else is a file path, with ".zip" appended
// unless it ends so.
// The folder must exist and be writable; an existing bundle or checksum
// file (or host map, with `maskHosts`) is refused unless `replace`. Prints
// what is wrong, the path and the system's reason on standard error and
// returns false.
bool ResolveBundle(const std::string& option, bool replace, bool maskHosts, BundleTarget& target,
                   const std::string& caseId = "");

// After a successful run: the bundle's size and SHA-256, and the checksum
// file written beside it ("<hex>  <name>\n", mode 0600, created without
// following links and replacing an existing one only when `replace`).
// False, with the reason on standard error, when either fails.
bool DescribeBundle(const BundleTarget& target, bool replace, BundleFacts& facts);

}  // namespace cli
}  // namespace velt
