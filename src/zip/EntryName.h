// Entry names that every extractor, on every system, takes as a plain
// relative path inside the folder it extracts to, and shows as readable
// UTF-8 text.
#pragma once

#include <string>
#include <unordered_set>

namespace velt {
namespace zip {

// The entry name of a file at `relativePath` ("/" between folders, bytes as
// the file system has them):
// - bytes that are not part of valid UTF-8 (a name in another encoding)
//   become "_", one per byte;
// - control characters (U+0000..U+001F, U+007F, U+0080..U+009F) become "_";
// - "\" becomes "_": Windows extractors would take it as a separator;
// - empty and "." parts are left out and ".." parts become "_", so the name
//   never starts with "/" and never climbs out of the folder;
// - a name with nothing left is "_".
std::string SafeEntryName(const std::string& relativePath);

// Keeps the entry names of one archive apart: a name already given gets
// "~2", "~3"... before its extension.
class EntryNames {
 public:
  std::string Unique(const std::string& name);

 private:
  std::unordered_set<std::string> m_used;
};

}  // namespace zip
}  // namespace velt
