// What File does the same on every system: telling files apart by device
// and index, and moving a file by its name (MoveIntoPlace).
#include "platform/File.h"
#include "platform/MoveIntoPlace.h"

namespace velt {
namespace platform {

bool IsSameFile(const FileDetails& a, const FileDetails& b) {
  return a.device == b.device && a.index == b.index;
}

int File::MoveTo(const std::string& to, bool replace) {
  int error = MoveIntoPlace(m_path, to, replace);
  if (error == 0) {
    m_path = to;
  }
  return error;
}

}  // namespace platform
}  // namespace velt
