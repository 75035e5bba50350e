// What a VeltEngine holds for its runs: the parsed documents, the collector,
// the temporary folder, the masker, the controls and the manifest. It sits
// behind the engine's one private pointer, so that the exported class keeps
// its layout when this grows.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "velt/engine/VeltCollectReport.h"
#include "velt/engine/VeltEngine.h"

class collector;
class VeltComponent;
class VeltParser;
class XMLObject;
namespace velt {
class BundleMasker;
class ClearPlan;
class CollectControls;
namespace engine {
class BundleManifest;
}
namespace platform {
class RunFolder;
}
}  // namespace velt

struct VeltEngine::Impl {
  Impl(std::wstring requestPath, std::wstring installDir, std::wstring tempDir,
       std::wstring bundlePath, std::wstring zipPassword, bool clearMode, bool includeSystemLogs)
      : m_clearMode(clearMode),
        m_requestPath(std::move(requestPath)),
        m_installDir(std::move(installDir)),
        m_tempDir(std::move(tempDir)),
        m_bundlePath(std::move(bundlePath)),
        m_zipPassword(std::move(zipPassword)),
        m_includeSystemLogs(includeSystemLogs) {}

  bool m_clearMode;
  collector* m_pCollector = nullptr;
  VeltParser* m_pConfigParser = nullptr;
  VeltParser* m_pRequestParser = nullptr;
  std::list<VeltComponent*> m_requestFiles;
  std::list<std::wstring> m_failedConfigs;
  std::list<XMLObject*> m_configs;
  std::wstring m_requestPath;
  std::wstring m_installDir;
  std::wstring m_tempDir;
  std::wstring m_bundlePath;
  std::wstring m_zipPassword;
  unsigned m_configCount = 0;
  XMLObject* m_pRequest = nullptr;
  XMLObject* m_pDefaultRequest = nullptr;
  bool m_includeSystemLogs;
  bool m_started = false;
  VeltCollectExtras m_extras;
  velt::platform::RunFolder* m_pRunFolder = nullptr;  // owned; the locked temporary folder
  VeltCollectReport m_report;
  velt::BundleMasker* m_pMasker = nullptr;              // owned; null when nothing is masked
  std::shared_ptr<velt::ClearPlan> m_clearPlan;         // what the clear run carries out
  velt::CollectControls* m_pControls = nullptr;         // owned; the run's controls
  velt::engine::BundleManifest* m_pManifest = nullptr;  // owned; manifest.json as it grows
  // Masked counts per collected file, for the manifest.
  std::map<std::wstring, std::map<std::string, unsigned long long>> m_masked;
  std::set<std::wstring> m_manifested;  // the files the manifest lists already
  unsigned m_cutFiles = 0;
  double m_cutBytes = 0.0;
};
