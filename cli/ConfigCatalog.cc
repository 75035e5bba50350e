#include "ConfigCatalog.h"

#include <cstdio>

#include "CommandLine.h"
#include "InstallFolder.h"
#include "velt/engine/VeltCatalog.h"
#include "velt/engine/VeltEngine.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace cli {

bool ConfigCatalog::Load(const std::wstring& installFolder) {
  VeltEngine reader(L"", installFolder, L"", L"", false, true);
  VeltCatalog catalog;
  if (reader.listEntries(catalog) != 0) {
    return false;
  }
  m_failed = catalog.failedFiles;
  m_entries.clear();
  for (const VeltCatalogEntry& listed : catalog.entries) {
    CatalogEntry entry;
    entry.configTitle = listed.configTitle;
    entry.id = listed.fileID;
    entry.description = listed.description;
    entry.collectedByDefault = listed.collectedByDefault;
    m_entries.push_back(entry);
  }
  return true;
}

void ConfigCatalog::MarkCleared(const VeltClearPlan& plan) {
  for (const VeltClearPlan::Entry& planned : plan.entries()) {
    for (CatalogEntry& entry : m_entries) {
      if (!planned.steps.empty() && entry.configTitle == planned.configTitle &&
          entry.id == planned.fileID) {
        entry.clearedByRun = true;
      }
    }
  }
}

void ConfigCatalog::MarkCollected(const VeltCollectPlan& plan) {
  const std::vector<VeltCollectPlan::Entry> planned = plan.entries();
  for (CatalogEntry& entry : m_entries) {
    entry.collectedByDefault = false;
    for (const VeltCollectPlan::Entry& run : planned) {
      if (entry.configTitle == run.configTitle && entry.id == run.fileID) {
        entry.collectedByDefault = true;
      }
    }
  }
}

long PlanClear(const std::wstring& installFolder, bool includeSystemLogs, VeltClearPlan& plan) {
  VeltEngine planner(L"", installFolder, L"", L"", true, includeSystemLogs);
  return planner.planClear(plan);
}

int OpenConfigurations(const SessionOptions& options, std::unique_ptr<ConsoleSession>& session,
                       std::wstring& installFolder, ConfigCatalog& catalog) {
  session = std::make_unique<ConsoleSession>(options.logFile, false);
  installFolder = ResolveInstallFolder(options.installDir);
  if (!session->ok() || !CheckInstallFolder(installFolder)) {
    return kExitUsage;
  }
  if (!catalog.Load(installFolder)) {
    std::fprintf(stderr,
                 "velt: none of the configurations in %sxml/config/ could be read; the "
                 "application log says why\n",
                 Narrow(installFolder).c_str());
    return kExitRunFailed;
  }
  return -1;
}

}  // namespace cli
}  // namespace velt
