#include "velt/engine/VeltEngine.h"

#include <filesystem>
#include <string>
#include <vector>

#include "actions/ClearPlan.h"
#include "actions/CollectControls.h"
#include "actions/CollectPlan.h"
#include "control/ThreadExit.h"
#include "engine/BundleManifest.h"
#include "engine/CatalogReader.h"
#include "engine/SummaryTally.h"
#include "engine/VeltEngineImpl.h"
#include "platform/FileSystem.h"
#include "platform/PrivateDirectory.h"
#include "report/SummaryWriter.h"
#include "velt/control/VeltThread.h"
#include "velt/engine/VeltCatalog.h"
#include "velt/engine/VeltClearPlan.h"
#include "velt/engine/VeltCollectPlan.h"
#include "velt/helpers/helperUtil.h"
#include "velt/mask/BundleMasker.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"
#include "velt/report/collector.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"
#include "velt/xml/VeltParser.h"
#include "velt/zip/CZip.h"

namespace {

const wchar_t kStartingUp[] = L"Starting up VELT Engine...";
const wchar_t kFinished[] = L"VELT has finished... ";
const wchar_t kNoConfig[] = L"Internal Error: no valid configuration XML found...";

// Whatever goes wrong in a run, in whichever step, is reported in the run's
// name.
const char kCollectLogs[] = "VeltEngine::collectLogs";
const char kClearLogs[] = "VeltEngine::clearLogs";

void PostProgress(unsigned percent, const std::wstring& text) {
  VeltThread::PostStatus(percent, text, VELTOFFLINE_ERROR_PROCESSING);
}

const wchar_t kTempFolderPrefix[] = L"VELT_Temp_Bundle";


// Removes one leftover folder tree of an earlier run; 0 on success.
int RemoveLeftover(const std::string& path) {
  return helperUtil::fileDeleteDirectory(velt::Widen(path)) == 0 ? 0 : -1;
}

std::wstring UnknownFolderName(unsigned ordinal) {
  return L"Unknown_" + helperUtil::NumToStr(static_cast<float>(ordinal), 0);
}

// What clear plans and catalogs call the `loaded`th configuration that
// loaded: its title, else the name of its folder in a bundle without one.
std::wstring ConfigTitle(XMLObject& config, unsigned loaded) {
  VeltComponent* title = config.FindChild(L"configure", L"title");
  return title != nullptr ? title->GetVal() : UnknownFolderName(loaded);
}

// The folder part of `path`: "." for a bare name.
std::string FolderOf(const std::wstring& path) {
  const std::string narrow = velt::Narrow(path);
  const size_t cut = narrow.find_last_of(velt::Narrow(velt::kPathSeparatorString));
  return cut == std::string::npos ? "." : cut == 0 ? narrow.substr(0, 1) : narrow.substr(0, cut);
}

// Anything at `path`, a dangling link included.
bool Exists(const std::wstring& path) {
  velt::platform::FileDetails status;
  return velt::platform::GetFileDetails(velt::Narrow(path), false, status) == 0;
}

}  // namespace

VeltEngine::VeltEngine(std::wstring requestPath, std::wstring installDir, std::wstring bundlePath,
                       std::wstring zipPassword, bool clearMode, bool includeSystemLogs)
    : m_impl(std::make_unique<Impl>(
          std::move(requestPath), std::move(installDir),
          helperUtil::translatePath(std::wstring(L"%TEMP%\\") + kTempFolderPrefix),
          std::move(bundlePath), std::move(zipPassword), clearMode, includeSystemLogs)) {}

VeltEngine::~VeltEngine() {
  for (XMLObject* config : m_impl->m_configs) {
    delete config;
  }
  delete m_impl->m_pConfigParser;
  delete m_impl->m_pRequestParser;  // takes the parsed request tree with it
  delete m_impl->m_pDefaultRequest;
  delete m_impl->m_pCollector;
  delete m_impl->m_pMasker;
  delete m_impl->m_pManifest;
  endControls();
  delete m_impl->m_pControls;
  removeWorkFiles();
  // In window mode the engine's end is the worker's end: nothing posts
  // after this. The destructor never lets the unwinding escape.
  try {
    VeltThread::Exit();
  } catch (const VeltThreadExit&) {
  }
}

long VeltEngine::start() {
  if (m_impl->m_started) {
    // Posted like a run's result, so a window front end waiting for one
    // is not left waiting.
    const std::wstring message = L"Internal Error: this engine has run already...";
    VELT_LOG_MESSAGE('E', "start called a second time on one engine");
    return VeltThread::RunWorker([&] {
      VeltThread::PostStatus(0, message, VELTENGINE_ERROR_ALREADY_INITIALIZED);
      return VELTENGINE_ERROR_ALREADY_INITIALIZED;
    });
  }
  m_impl->m_started = true;
  return m_impl->m_clearMode ? clearLogs() : collectLogs();
}

long VeltEngine::collectLogs() {
  return runToEnd([this] { return collectRun(); });
}

long VeltEngine::clearLogs() {
  return runToEnd([this] { return clearRun(); });
}

template <typename Run>
long VeltEngine::runToEnd(Run run) {
  const long result = VeltThread::RunWorker(run);
  // A stop or a failure may have ended the run anywhere: whatever it had
  // made on the way goes now.
  removeWorkFiles();
  endControls();
  return result;
}

void VeltEngine::removeWorkFiles() {
  if (m_impl->m_pRunFolder != nullptr) {
    helperUtil::fileDeleteDirectory(m_impl->m_tempDir);
    delete m_impl->m_pRunFolder;  // releases the folder's lock
    m_impl->m_pRunFolder = nullptr;
  }
}

long VeltEngine::collectRun() {
  PostProgress(1, kStartingUp);
  m_impl->m_pRequestParser = new VeltParser();
  VeltThread::ExitCheck();
  PostProgress(1, L"Parsing request and configuration XMLs...");

  std::wstring message;
  long rc = parseRequest(message);
  if (rc != 0) {
    return failRun(kCollectLogs, rc, message);
  }

  if (!loadConfigurations()) {
    return failRun(kCollectLogs, VELTENGINE_ERROR_INTERNAL, kNoConfig);
  }
  m_impl->m_failedConfigs = m_impl->m_pConfigParser->failedFiles();

  for (const std::wstring& taken :
       {finalBundlePath(), m_impl->m_extras.maskHosts ? MaskMappingPath(finalBundlePath()) : L""}) {
    if (!m_impl->m_extras.replaceBundle && !taken.empty() && Exists(taken)) {
      // Found before anything is collected, and never replaced unasked.
      const std::wstring message = L"Internal Error: the bundle file exists already...";
      m_impl->m_report.failure = taken + L" exists already";
      return failRun(kCollectLogs, VELTENGINE_ERROR_WRITE_FAILURE, message,
                     "\"" + velt::Narrow(taken) + "\" exists already and may not be replaced");
    }
  }

  rc = prepareTempFolder();
  if (rc != 0) {
    const std::wstring message = L"Internal Error: failed to create temporary working folder...";
    return failRun(kCollectLogs, rc, message);
  }

  createCollector();
  startControls();
  startMasking();

  // Every configuration gets a folder of its own at the top of the bundle;
  // the report files' names must not take any of them.
  std::vector<std::wstring> folders;
  std::vector<std::wstring> reserved;
  unsigned ordinal = 0;
  for (XMLObject* config : m_impl->m_configs) {
    if (config == nullptr) continue;
    ++ordinal;
    folders.push_back(configFolderName(config, ordinal));
    reserved.push_back(folders.back());
    reserved.push_back(UnknownFolderName(ordinal));
  }
  reserved.push_back(velt::engine::kManifestFileName);
  m_impl->m_pCollector->setReservedNames(reserved);

  ordinal = 0;
  unsigned failures = 0;
  for (XMLObject* config : m_impl->m_configs) {
    if (config == nullptr) {
      continue;
    }
    const std::wstring& name = folders[ordinal];
    ++ordinal;
    PostProgress(computePercent(ordinal), L"Reading instructions ...");
    std::wstring target = m_impl->m_tempDir + velt::kPathSeparator + name;
    if (helperUtil::MakeDirectory(target) != 0) {
      target = m_impl->m_tempDir + velt::kPathSeparator + UnknownFolderName(ordinal);
      if (helperUtil::MakeDirectory(target) != 0) {
        target = m_impl->m_tempDir;
      }
    }
    if (m_impl->m_pCollector->Collect(target, config, computePercent(ordinal)) != 0) {
      m_impl->m_failedConfigs.push_back(name);
      ++failures;
    }
  }
  if (failures == m_impl->m_configCount) {
    const std::wstring message = L"Internal Error: all configs failed...";
    return failRun(kCollectLogs, VELTENGINE_ERROR_INTERNAL, message);
  }

  if (m_impl->m_extras.maxSize != 0) {
    rc = m_impl->m_pCollector->FinishBudget(m_impl->m_cutFiles, m_impl->m_cutBytes);
    if (rc != 0) VELT_LOG_CODE_AS(kCollectLogs, 'W', "collector::FinishBudget", rc);
  }
  const std::wstring summaryPath = m_impl->m_pCollector->GetSummaryPath();
  rc = writeFailedFilesToSummary(summaryPath);
  if (rc != 0) {
    VELT_LOG_CODE_AS(kCollectLogs, 'W', "VeltEngine::writeFailedFilesToSummary", rc);
  }
  rc = writeRunNotes(summaryPath);
  if (rc != 0) VELT_LOG_CODE_AS(kCollectLogs, 'W', "VeltEngine::writeRunNotes", rc);
  rc = finishMasking(summaryPath);
  if (rc != 0) {
    VELT_LOG_CODE_AS(kCollectLogs, 'W', "VeltEngine::finishMasking", rc);
  }
  rc = writeManifest(summaryPath);
  if (rc != 0) VELT_LOG_CODE_AS(kCollectLogs, 'W', "VeltEngine::writeManifest", rc);

  PostProgress(96, L"Zipping the bundle, please wait...");
  m_impl->m_bundlePath = finalBundlePath();
  if (zipBundle() != 0) {
    const std::wstring message = L"Internal Error: failed to zip the bundle...";
    return failRun(kCollectLogs, VELTENGINE_ERROR_WRITE_FAILURE, message);
  }
  removeWorkFiles();
  // From here on a failure leaves the bundle in place: it holds all there is.
  rc = writeMapping(message);
  if (rc == 0) rc = checkRoomForFiles(message);
  if (rc != 0) {
    return failRun(kCollectLogs, rc, message);
  }
  PostProgress(100, kFinished);
  VeltThread::PostStatus(0, L"", 0);
  return 0;
}

long VeltEngine::clearRun() {
  PostProgress(1, kStartingUp);
  if (m_impl->m_clearPlan == nullptr) {
    VeltClearPlan plan;
    if (planClear(plan) != 0) {
      return failRun(kClearLogs, VELTENGINE_ERROR_INTERNAL, kNoConfig);
    }
    setClearPlan(plan);
  }
  m_impl->m_clearPlan->CarryOut();
  PostProgress(100, kFinished);
  VeltThread::PostStatus(0, L"", 0);
  return 0;
}

bool VeltEngine::loadConfigurations() {
  if (m_impl->m_pConfigParser == nullptr) {
    m_impl->m_pConfigParser = new VeltParser();
    m_impl->m_pConfigParser->Parse(helperUtil::getConfigPath(m_impl->m_installDir),
                                   VELT_PARSER_INPUT_CONFIG_FOLDER, m_impl->m_configs);
  }
  m_impl->m_configCount = static_cast<unsigned>(m_impl->m_configs.size());
  return m_impl->m_configCount != 0;
}

long VeltEngine::planClear(VeltClearPlan& plan) {
  if (!loadConfigurations()) {
    return VELTENGINE_ERROR_INTERNAL;
  }
  if (m_impl->m_pCollector == nullptr) {
    createCollector();
  }
  plan = VeltClearPlan();
  m_impl->m_pCollector->setClearPlan(plan.m_plan.get());
  unsigned ordinal = 0;
  unsigned loaded = 0;
  for (XMLObject* config : m_impl->m_configs) {
    ++ordinal;
    if (config != nullptr) {
      plan.m_plan->BeginConfiguration(ConfigTitle(*config, ++loaded));
      m_impl->m_pCollector->Clear(config, computePercent(ordinal));
    }
  }
  m_impl->m_pCollector->setClearPlan(nullptr);
  return 0;
}

void VeltEngine::setClearPlan(const VeltClearPlan& plan) { m_impl->m_clearPlan = plan.m_plan; }

void VeltEngine::setExtras(const VeltCollectExtras& extras) { m_impl->m_extras = extras; }

const std::wstring& VeltEngine::bundlePath() const { return m_impl->m_bundlePath; }

const VeltCollectReport& VeltEngine::report() const { return m_impl->m_report; }

long VeltEngine::planCollect(VeltCollectPlan& plan) {
  if (m_impl->m_started) {
    return VELTENGINE_ERROR_ALREADY_INITIALIZED;  // one run or plan per engine
  }
  m_impl->m_started = true;
  m_impl->m_pRequestParser = new VeltParser();
  std::wstring message;
  long rc = parseRequest(message);
  if (rc != 0) return rc;
  if (!loadConfigurations()) return VELTENGINE_ERROR_INTERNAL;
  createCollector();
  startControls();
  plan = VeltCollectPlan();
  m_impl->m_pControls->plan = plan.m_plan.get();
  // The run's own passes over the configurations, in its order and with
  // its folder names, recording instead of collecting.
  unsigned ordinal = 0;
  for (XMLObject* config : m_impl->m_configs) {
    if (config == nullptr) continue;
    ++ordinal;
    plan.m_plan->BeginConfiguration(ConfigTitle(*config, ordinal));
    std::wstring target =
        m_impl->m_tempDir + velt::kPathSeparator + configFolderName(config, ordinal);
    m_impl->m_pCollector->Collect(target, config, computePercent(ordinal));
  }
  for (VeltComponent* entry : m_impl->m_requestFiles) {
    Attribute* id = entry != nullptr ? entry->FindAttrib(L"id") : nullptr;
    if (id != nullptr && id->getValue() != L"comments" && id->getValue() != L"summary") {
      plan.m_plan->BeginConfiguration(L"");
      plan.m_plan->AddRemark(id->getValue(), L"No instruction found in any config for this ID");
    }
  }
  m_impl->m_pControls->plan = nullptr;
  endControls();
  return 0;
}

long VeltEngine::listEntries(VeltCatalog& catalog) {
  if (!loadConfigurations()) {
    return VELTENGINE_ERROR_INTERNAL;
  }
  catalog = VeltCatalog();
  const std::list<std::wstring>& failed = m_impl->m_pConfigParser->failedFiles();
  catalog.failedFiles.assign(failed.begin(), failed.end());
  velt::engine::CatalogReader reader;
  unsigned loaded = 0;
  for (XMLObject* config : m_impl->m_configs) {
    if (config != nullptr) {
      reader.Read(*config, ConfigTitle(*config, ++loaded), catalog.entries);
    }
  }
  return 0;
}

long VeltEngine::failRun(const char* run, long code, const std::wstring& status,
                         std::string logged) {
  if (logged.empty()) logged = velt::Narrow(status);
  VELT_LOG_MESSAGE_AS(run, 'E', "%s", logged.c_str());
  return GracefullyExit(code, status);
}

long VeltEngine::GracefullyExit(long code, std::wstring message) {
  VeltThread::PostStatus(0, message, code);
  removeWorkFiles();
  VeltThread::Exit();
  return code;
}

unsigned VeltEngine::computePercent(unsigned ordinal) {
  if (m_impl->m_configCount == 0) {
    return 0;
  }
  return static_cast<unsigned>(static_cast<float>(92 * ordinal - 92) /
                               static_cast<float>(m_impl->m_configCount));
}

void VeltEngine::createCollector() {
  // Each configuration's share of the 92 points the configurations share.
  const unsigned step = static_cast<unsigned>(92.0f / static_cast<float>(m_impl->m_configCount));
  m_impl->m_pCollector = new collector(m_impl->m_pRequest, m_impl->m_requestFiles, step,
                                       m_impl->m_bundlePath, m_impl->m_includeSystemLogs);
  m_impl->m_pCollector->setDefaultComment(m_impl->m_extras.comment);
  m_impl->m_pCollector->setSummaryObserver(
      [this](XMLObject& config, XMLObject& summary, const std::list<truncAttributes>& listed) {
        observeBlock(config, summary, listed);
      });
}

void VeltEngine::startMasking() {
  if (!m_impl->m_extras.maskSecrets && !m_impl->m_extras.maskHosts) return;
  velt::MaskOptions options;
  options.secrets = m_impl->m_extras.maskSecrets;
  options.hosts = m_impl->m_extras.maskHosts;
  options.domains = m_impl->m_extras.maskDomains;
  m_impl->m_pMasker = new velt::BundleMasker(options);
  // Each collected file is masked before the summary lists its size.
  m_impl->m_pCollector->setFileFilter(
      [this](const std::wstring& path) { return maskCollected(path); });
}

std::wstring VeltEngine::maskCollected(const std::wstring& path) {
  // A file that cannot be masked does not leave the machine.
  std::error_code error;
  if (!std::filesystem::is_directory(std::filesystem::symlink_status(velt::Narrow(path), error))) {
    if (maskCollectedFile(path) == 0) return std::wstring();
    return L"The file could not be masked, so it was left out of the bundle";
  }
  // A copied folder holds regular files and folders only; a file in it that
  // cannot be masked is removed from it.
  std::vector<std::wstring> files;
  std::filesystem::recursive_directory_iterator walk(velt::Narrow(path), error), end;
  for (; !error && walk != end; walk.increment(error)) {
    if (walk->is_regular_file(error)) files.push_back(velt::Widen(walk->path().string()));
  }
  for (const std::wstring& file : files) {
    if (maskCollectedFile(file) != 0) helperUtil::fileDelete(file);
  }
  return std::wstring();
}

long VeltEngine::maskCollectedFile(const std::wstring& path) {
  const std::wstring top = m_impl->m_tempDir + velt::kPathSeparatorString;
  const bool inside = path.compare(0, top.size(), top) == 0;
  return m_impl->m_pMasker->MaskFile(path, inside ? path.substr(top.size()) : path,
                                     m_impl->m_masked[path]);
}

long VeltEngine::finishMasking(const std::wstring& summaryPath) {
  if (m_impl->m_pMasker == nullptr) return 0;
  // The report's own lines name this machine (the bundle path) only when
  // host names are masked.
  if (m_impl->m_extras.maskHosts) m_impl->m_pMasker->MaskFile(summaryPath, L"summary.txt");
  velt::report::SummaryWriter out;
  if (!out.Open(summaryPath, velt::report::SummaryWriter::Mode::Append)) {
    VELT_LOG_MESSAGE('E', "Could not open file \"%s\"", velt::Narrow(summaryPath).c_str());
    return VELTENGINE_ERROR_FILE_OPEN_FAILURE;
  }
  out.Write(L"\n" + velt::report::SummaryWriter::Rule(L'=', 100) + L"\n");
  for (const std::wstring& line : m_impl->m_pMasker->SummaryNote()) {
    out.Write(velt::report::SummaryWriter::OneLine(line) + L"\n");
  }
  return out.Close() ? 0 : VELTENGINE_ERROR_WRITE_FAILURE;
}

std::wstring VeltEngine::MaskMappingPath(const std::wstring& bundlePath) {
  return bundlePath + L".hosts-map.txt";
}

long VeltEngine::prepareTempFolder() {
  // Each run works in a folder of its own with an unpredictable name, locked
  // while the run lives; folders of this user's earlier runs that nobody
  // holds any more are what a killed run left behind.
  const std::string base = velt::Narrow(m_impl->m_tempDir);
  const size_t cut = base.find_last_of(velt::Narrow(velt::kPathSeparatorString));
  const std::string parent = cut == std::string::npos ? "." : base.substr(0, cut);
  const std::string prefix = velt::Narrow(kTempFolderPrefix);
  m_impl->m_report.temporaryFolder = velt::Widen(parent);
  velt::platform::RemoveAbandonedRunFolders(parent, prefix, RemoveLeftover);

  m_impl->m_pRunFolder = new velt::platform::RunFolder();
  const int error = m_impl->m_pRunFolder->Create(parent, prefix);
  if (error != 0) {
    VELT_LOG_CODE_AS(kCollectLogs, 'E', "mkdtemp", error,
                     "cannot create a temporary folder in \"%s\"", parent.c_str());
    delete m_impl->m_pRunFolder;
    m_impl->m_pRunFolder = nullptr;
    return VeltCodeFromErrno(error, VELTENGINE_ERROR_UNEXPECTED);
  }
  m_impl->m_tempDir = velt::Widen(m_impl->m_pRunFolder->path());
  return 0;
}

std::wstring VeltEngine::configFolderName(XMLObject* config, unsigned ordinal) const {
  // A title that cannot be one folder inside the bundle (a path, "..", a
  // control character) or that would take a report file's name is not used.
  VeltComponent* title = config->FindChild(L"configure", L"title");
  if (title != nullptr && helperUtil::isPlainFileName(title->GetVal()) &&
      !collector::IsReportFileName(title->GetVal()) &&
      title->GetVal() != velt::engine::kManifestFileName) {
    return title->GetVal();
  }
  return UnknownFolderName(ordinal);
}

std::wstring VeltEngine::finalBundlePath() const {
  if (helperUtil::getLastPart(m_impl->m_bundlePath, L".") == L"zip") {
    return m_impl->m_bundlePath;
  }
  return m_impl->m_bundlePath + L".zip";
}

long VeltEngine::zipBundle() {
  // The zip writer writes the archive beside the bundle under a name nobody
  // can guess, locked while it is written, and renames it to the bundle
  // path only when complete; what a killed run left there is removed first
  // (never another user's file, never a live run's).
  velt::platform::RemoveAbandonedPartialFiles(FolderOf(m_impl->m_bundlePath));
  std::wstring reason;
  long rc = CZip::Zip(m_impl->m_tempDir, m_impl->m_bundlePath, m_impl->m_zipPassword, true,
                      m_impl->m_extras.replaceBundle, reason);
  if (rc == VELTENGINE_ERROR_ACTION_CANCELED_BY_USER) {
    VeltThread::ExitCheck();  // the front end's stop ends the run here
  }
  if (rc != 0) {
    m_impl->m_report.failure = reason;
  }
  return rc;
}

long VeltEngine::writeMapping(std::wstring& message) {
  if (!m_impl->m_extras.maskHosts || m_impl->m_pMasker == nullptr) return 0;
  // Beside the bundle, never in it: the sender's key to the pseudonyms.
  const std::wstring path = MaskMappingPath(m_impl->m_bundlePath);
  std::wstring reason;
  const long rc = m_impl->m_pMasker->WriteMapping(path, m_impl->m_extras.replaceBundle, reason);
  if (rc == 0) {
    m_impl->m_report.hostsMapPath = path;
    return 0;
  }
  message = L"Internal Error: failed to write the host map...";
  m_impl->m_report.failure =
      reason + L"; the bundle " + m_impl->m_bundlePath + L" was written without it";
  return VELTENGINE_ERROR_WRITE_FAILURE;
}

long VeltEngine::checkRoomForFiles(std::wstring& message) {
  if (m_impl->m_report.droppedForSpace == 0 || m_impl->m_report.collected != 0) return 0;
  message = L"Internal Error: the temporary folder ran out of space...";
  m_impl->m_report.failure =
      helperUtil::NumToStr(static_cast<float>(m_impl->m_report.droppedForSpace), 0) +
      L" file(s) were left out for lack of space in " + m_impl->m_report.temporaryFolder +
      L"; the bundle " + m_impl->m_bundlePath + L" holds only its summary";
  return VELTENGINE_ERROR_WRITE_FAILURE;
}

long VeltEngine::writeFailedFilesToSummary(const std::wstring& summaryPath) {
  velt::report::SummaryWriter out;
  if (!out.Open(summaryPath, velt::report::SummaryWriter::Mode::Append)) {
    VELT_LOG_MESSAGE('E', "Could not open file \"%s\"", velt::Narrow(summaryPath).c_str());
    return VELTENGINE_ERROR_FILE_OPEN_FAILURE;
  }
  using velt::report::SummaryWriter;
  if (!m_impl->m_failedConfigs.empty()) {
    out.Write(L"\n" + SummaryWriter::Rule(L'=', 100) + L"\n");
    out.Write(
        L"VeltEngine failed to parse or use the following configuration "
        L"files:\n");
    for (const std::wstring& failed : m_impl->m_failedConfigs) {
      out.Write(SummaryWriter::OneLine(failed) + L"\n");
    }
  }
  if (!m_impl->m_requestFiles.empty()) {
    out.Write(
        L"\n\nNo instruction found in any config for the following file "
        L"ID's from request:\n");
    for (VeltComponent* entry : m_impl->m_requestFiles) {
      Attribute* id = entry != nullptr ? entry->FindAttrib(L"id") : nullptr;
      if (id == nullptr || id->getValue() == L"comments" || id->getValue() == L"summary") {
        continue;
      }
      out.Write(SummaryWriter::OneLine(id->getValue()) + L"\n");
    }
  }
  out.Close();
  return 0;
}
