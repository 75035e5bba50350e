// What a front end needs around a bundle: this machine's name, to name the
// bundle by, and files of its own (a checksum file) written beside the
// bundle the way the zip writer writes the bundle itself: first as a new
// file under a name nobody can guess, "<path>.<16 hex digits>.partial",
// created exclusively, private to this user, never through a link and
// locked while it is written (so that a run cleaning up what killed runs
// left passes it by), then given its name in one step. Nobody ever finds
// half a file at the name, and nothing is left behind after a failure.
// Every call that can fail returns 0 or an error number
// (velt/platform/SystemError.h).
#pragma once

#include <string>

#include "velt/VeltExport.h"

namespace velt {
namespace engine {

// The host name the system reports; empty when it has none.
VELT_API std::string MachineHostName();

// Writes `text` as the file `path`. Whatever already has the name (a link
// included: the link itself, never what it points at) is replaced only when
// `replace`; otherwise the write fails as kExists. `created` says whether
// the new file could be made at all (when not, the folder refused it).
VELT_API int WriteBesideBundle(const std::string& path, const std::string& text, bool replace,
                               bool& created);

// Makes and removes the new file WriteBesideBundle(path) would write first:
// whether the folder takes files, tried for real (permissions, a read-only
// mount, a pseudo file system and a missing lock all show here).
VELT_API int ProbeBesideBundle(const std::string& path);

}  // namespace engine
}  // namespace velt
