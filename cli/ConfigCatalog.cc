#include "ConfigCatalog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

#include "CommandLine.h"
#include "InstallFolder.h"
#include "velt/helpers/OsNames.h"
#include "velt/helpers/helperUtil.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"
#include "velt/xml/VeltParser.h"

namespace velt {
namespace cli {
namespace {

std::wstring TextOf(VeltComponent* entry, const std::wstring& tag) {
  VeltComponent* found = entry->FindChild(tag);
  return found != nullptr ? found->GetVal() : std::wstring();
}

bool Applies(VeltComponent* element) {
  Attribute* apply = element->FindAttrib(L"apply");
  return apply != nullptr && apply->getValue() == L"true";
}

// The entry's branch for the running system, as the collector picks it.
VeltComponent* BranchForThisSystem(VeltComponent* entry) {
  VeltComponent* velt = entry->FindChild(L"velt");
  if (velt == nullptr) {
    return nullptr;
  }
  for (VeltComponent* branch : velt->GetChildren()) {
    Attribute* opsys = branch->FindAttrib(L"opsys");
    if (branch->GetType() == L"os" && IsOsNamed(opsys != nullptr ? opsys->getValue() : L"")) {
      return branch;
    }
  }
  return nullptr;
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
    if (VeltComponent* branch = BranchForThisSystem(file)) {
      for (VeltComponent* kind : branch->GetChildren()) {
        for (VeltComponent* instance : kind->GetChildren()) {
          for (VeltComponent* parameter : instance->GetChildren()) {
            if (parameter->GetType() != L"clear_log" || !Applies(parameter)) {
              continue;
            }
            if (kind->GetType() == L"file_copy_action") {
              VeltComponent* loc = nullptr;
              for (VeltComponent* candidate : instance->GetChildren()) {
                if (candidate->GetType() == L"loc") {
                  loc = candidate;  // a later "loc" replaces an earlier one
                }
              }
              if (loc != nullptr) {
                entry.clearPatterns.push_back(helperUtil::translatePath(loc->GetVal()));
              }
            } else if (kind->GetType() == L"use_extern_action") {
              entry.clearCommands.push_back(parameter->GetVal());
            }
          }
        }
      }
    }
    m_entries.push_back(entry);
  }
}

bool IsSystemLogId(const std::wstring& id) {
  return id == L"system-logs" || id == L"system-log-hist";
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

bool CatalogEntry::ClearedByRun(bool includeSystemLogs) const {
  return collectedByDefault && (!clearPatterns.empty() || !clearCommands.empty()) &&
         (includeSystemLogs || !IsSystemLogId(id));
}

std::vector<ClearTarget> ClearTargets(const std::wstring& pattern) {
  std::vector<ClearTarget> targets;
  const std::wstring folder = helperUtil::getAllExLastPart(pattern, kPathSeparatorString, true);
  std::list<FILE_INFO> found;
  if (helperUtil::fileFindAll(folder, helperUtil::getLastPart(pattern, kPathSeparatorString),
                              found) != 0) {
    return targets;
  }
  for (const FILE_INFO& info : found) {
    const std::string path = Narrow(folder + info.fileName);
    struct stat status;
    if (info.fileName == L"." || info.fileName == L".." || lstat(path.c_str(), &status) != 0 ||
        S_ISDIR(status.st_mode) || (!S_ISLNK(status.st_mode) && !(status.st_mode & S_IWUSR))) {
      continue;
    }
    ClearTarget target{folder + info.fileName, ""};
    if (S_ISLNK(status.st_mode)) {
      std::string link(PATH_MAX, '\0');
      const ssize_t length = readlink(path.c_str(), &link[0], link.size());
      target.linkTarget = length > 0 ? link.substr(0, static_cast<size_t>(length)) : "?";
    }
    targets.push_back(target);
  }
  return targets;
}

}  // namespace cli
}  // namespace velt
