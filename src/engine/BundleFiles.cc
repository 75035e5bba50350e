#include "velt/engine/BundleFiles.h"

#include "platform/HostNames.h"
#include "platform/PartialFile.h"

namespace velt {
namespace engine {

std::string MachineHostName() { return platform::OwnHostName(); }

int WriteBesideBundle(const std::string& path, const std::string& text, bool replace,
                      bool& created) {
  platform::PartialFile file;
  int error = file.Create(path);
  created = error == 0;
  if (error == 0) {
    error = file.file().WriteAt(text.data(), text.size(), 0);
  }
  // A file not committed is removed with `file`.
  return error != 0 ? error : file.Commit(replace);
}

int ProbeBesideBundle(const std::string& path) {
  platform::PartialFile file;
  return file.Create(path);  // and removed with `file`
}

}  // namespace engine
}  // namespace velt
