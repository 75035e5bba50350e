// What the configurations of an install folder offer, as the engine reads
// them (VeltEngine::listEntries): each file ID with its configuration,
// description and default flag, and whether a clear run acts on it on this
// system (from the engine's own clear plan).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ConsoleSession.h"
#include "velt/engine/VeltClearPlan.h"
#include "velt/engine/VeltCollectPlan.h"

namespace velt {
namespace cli {

struct CatalogEntry {
  std::wstring configTitle;
  std::wstring id;
  std::wstring description;
  bool collectedByDefault = false;  // its flag, until MarkCollected
  // A clear run (with system logs allowed) deletes or runs something for
  // it here; set by MarkCleared.
  bool clearedByRun = false;
};

class ConfigCatalog {
 public:
  // Loads every configuration of the install folder. False when none loads.
  bool Load(const std::wstring& installFolder);
  const std::vector<CatalogEntry>& entries() const { return m_entries; }
  const std::vector<std::wstring>& failedFiles() const { return m_failed; }
  // Marks the entries for which `plan` has something to delete or run.
  void MarkCleared(const VeltClearPlan& plan);
  // Marks as collected by default exactly the entries a default run's
  // `plan` acts on (the engine's own choice: system logs only when
  // included, entries with a branch for this system).
  void MarkCollected(const VeltCollectPlan& plan);

 private:
  std::vector<std::wstring> m_failed;
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

// What a clear run over the install folder would delete and run now, as the
// engine works it out. 0, or the engine's code when no configuration loads.
long PlanClear(const std::wstring& installFolder, bool includeSystemLogs, VeltClearPlan& plan);

}  // namespace cli
}  // namespace velt
