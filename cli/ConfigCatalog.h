// What the configurations of an install folder offer, read the way a run
// reads them: each file ID with its configuration, description, default
// flag, and what a clear run would delete and run on this system. A clear
// run acts on default entries only, so only they count as cleared.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "ConsoleSession.h"

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
  std::vector<std::wstring> clearCommands;  // commands a clear run runs, exactly as written
  // A clear run acts on this entry here (with system logs allowed or not).
  bool ClearedByRun(bool includeSystemLogs) const;
};

// One entry a clear run would delete now.
struct ClearTarget {
  std::wstring path;
  std::string linkTarget;  // not empty for a link: the link goes, not what it points at
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

// What every command that reads the configurations does first: sets up the
// application log (kept in `session`), resolves the install folder and
// loads its configurations into `catalog`. Returns -1 when at least one
// loaded; otherwise prints why and returns the exit status: a usage error
// for a log file that cannot be opened or a missing or empty folder, a
// failed run when no configuration in it could be read.
int OpenConfigurations(const SessionOptions& options, std::unique_ptr<ConsoleSession>& session,
                       std::wstring& installFolder, ConfigCatalog& catalog);

// The file IDs of the operating system's own logs, which runs skip unless
// system logs are allowed.
bool IsSystemLogId(const std::wstring& id);

// What a clear run would delete now under a translated location pattern:
// what it matches except folders, which the run leaves, and files without
// the owner's write permission, which the run refuses to delete. Links are
// deleted themselves, whatever they point at.
std::vector<ClearTarget> ClearTargets(const std::wstring& pattern);

}  // namespace cli
}  // namespace velt
