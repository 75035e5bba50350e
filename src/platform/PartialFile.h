// A file written under a private name beside its target and given the
// target's name only when it is complete, so that nobody ever finds half a
// file at the target: "<target>.<16 hex digits>.partial", a name nobody can
// guess, created exclusively (see File::Create) and locked while it is
// open, so that a run cleaning up what killed runs left behind
// (RemoveAbandonedPartialFiles) passes it by. A file not committed is
// removed by the destructor.
#pragma once

#include <string>

#include "platform/File.h"

namespace velt {
namespace platform {

class PartialFile {
 public:
  PartialFile() = default;
  ~PartialFile();
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  // Creates and locks the file beside `target`. 0 or the error number.
  int Create(const std::string& target);
  File& file() { return m_file; }
  const File& file() const { return m_file; }
  const std::string& target() const { return m_target; }

  // Renames the file to its target, then closes it. With `replace` whatever
  // has the target's name is replaced (a link itself, never what it points
  // at); without, an existing name fails the commit with EEXIST. 0 or the
  // error number; after an error the file is removed.
  int Commit(bool replace);
  // Removes the file. 0 or the error number (see File::Remove).
  int Abandon();

  // Whether the file name `name` (no folder) has the form of this class's
  // names.
  static bool IsPartialName(const std::string& name);

 private:
  File m_file;
  std::string m_target;
  bool m_committed = false;
};

}  // namespace platform
}  // namespace velt
