// What the configurations of an install folder offer, read the way a run
// reads them: each file ID with its configuration, description, default
// flag, and what a clear run would delete and run on this system.
#pragma once

#include <list>
#include <string>
#include <vector>

class XMLObject;
class VeltParser;

namespace velt {
namespace cli {

struct CatalogEntry {
  std::wstring configTitle;
  std::wstring id;
  std::wstring description;
  bool collectedByDefault = false;
  std::vector<std::wstring> clearPatterns;  // translated locations whose files a clear run deletes
  std::vector<std::wstring> clearCommands;  // commands a clear run runs
  bool clearable() const { return !clearPatterns.empty() || !clearCommands.empty(); }
};

class ConfigCatalog {
 public:
  ConfigCatalog();
  ~ConfigCatalog();
  ConfigCatalog(const ConfigCatalog&) = delete;
  ConfigCatalog& operator=(const ConfigCatalog&) = delete;

  // Loads every configuration of the install folder. False when none loads.
  bool Load(const std::wstring& installFolder);
  const std::vector<CatalogEntry>& entries() const { return m_entries; }
  const std::list<std::wstring>& failedFiles() const { return m_failed; }

 private:
  void AddConfiguration(XMLObject* config, unsigned ordinal);

  VeltParser* m_parser;
  std::list<XMLObject*> m_configs;
  std::list<std::wstring> m_failed;
  std::vector<CatalogEntry> m_entries;
};

// The file IDs of the operating system's own logs, which runs skip unless
// system logs are allowed.
bool IsSystemLogId(const std::wstring& id);

// The files that exist now under a translated location pattern.
std::vector<std::wstring> MatchingFiles(const std::wstring& pattern);

}  // namespace cli
}  // namespace velt
