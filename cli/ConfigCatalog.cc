#include "ConfigCatalog.h"

#include <cstdio>

#include "CommandLine.h"
#include "InstallFolder.h"
#include "velt/engine/VeltEngine.h"
#include "velt/helpers/helperUtil.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/TextEncoding.h"
#include "velt/xml/VeltParser.h"

namespace velt {
namespace cli {
namespace {

std::wstring TextOf(VeltComponent* entry, const std::wstring& tag) {
  VeltComponent* found = entry->FindChild(tag);
  return found != nullptr ? found->GetVal() : std::wstring();
}

}  // namespace

ConfigCatalog::ConfigCatalog() : m_parser(new VeltParser()) {}

ConfigCatalog::~ConfigCatalog() {
  for (XMLObject* config : m_configs) {
    delete config;
  }
  delete m_parser;
}

bool ConfigCatalog::Load(const std::wstring& installFolder) {
  m_parser->Parse(helperUtil::getConfigPath(installFolder), VELT_PARSER_INPUT_CONFIG_FOLDER, m_configs);
  m_failed = m_parser->failedFiles();
  unsigned ordinal = 0;
  for (XMLObject* config : m_configs) {
    if (config != nullptr) {
      AddConfiguration(config, ++ordinal);
    }
  }
  return !m_configs.empty();
}

void ConfigCatalog::AddConfiguration(XMLObject* config, unsigned ordinal) {
  VeltComponent* titleNode = config->FindChild(L"configure", L"title");
  const std::wstring title = titleNode != nullptr
                                 ? titleNode->GetVal()
                                 : L"Unknown_" + helperUtil::NumToStr(float(ordinal), 0);
  VeltComponent* root = config->GetRoot();
  if (root == nullptr) {
    return;
  }
  for (VeltComponent* file : root->GetChildren()) {
    if (file->GetType() != L"file") {
      continue;
    }
    CatalogEntry entry;
    entry.configTitle = title;
    Attribute* id = file->FindAttrib(L"id");
    entry.id = id != nullptr ? id->getValue() : L"";
    entry.description = TextOf(file, L"description");
    entry.collectedByDefault = TextOf(file, L"default") == L"true";
    m_entries.push_back(entry);
  }
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
