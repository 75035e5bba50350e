// manifest.json: every file of the bundle with where it came from, how its
// command ended, how long it took, its size and what masking replaced in
// it, in the schema of docs/manifest.schema.json (docs/manifest.md).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velt {
namespace engine {

// Its name at the top of the bundle.
constexpr wchar_t kManifestFileName[] = L"manifest.json";

struct ManifestFile {
  std::wstring path;  // inside the bundle, '/' between folders
  std::wstring fileID;
  std::wstring configuration;
  std::wstring description;
  // "file" (copied from `source`), "command" (the output of `source`),
  // "comments" or "summary" (the report files).
  std::string kind;
  std::wstring source;
  // A command's end: by itself with `exitStatus`, or killed at its time
  // limit, or neither (its output reached its bound).
  bool ended = false;
  unsigned exitStatus = 0;
  bool timedOut = false;
  int64_t timeLimitSeconds = 0;
  int64_t elapsedMs = -1;  // -1: not measured
  uint64_t size = 0;
  int64_t cutFrom = -1;  // the size before the budget cut it; -1: not cut
  std::map<std::string, unsigned long long> masked;
};

class BundleManifest {
 public:
  void Add(ManifestFile file) { m_files.push_back(std::move(file)); }
  // The document, UTF-8, one line per file. `created` in seconds since
  // 1970; `caseId` empty: null.
  std::string Text(const std::wstring& caseId, int64_t created, bool masked) const;

 private:
  std::vector<ManifestFile> m_files;
};

}  // namespace engine
}  // namespace velt
