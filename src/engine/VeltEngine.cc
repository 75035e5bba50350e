#include "velt/engine/VeltEngine.h"

#include <cstdio>
#include <string>

#include "control/ThreadExit.h"
#include "platform/PrivateDirectory.h"
#include "velt/control/VeltThread.h"
#include "velt/helpers/helperUtil.h"
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

void PostProgress(unsigned percent, const std::wstring& text) {
  VeltThread::PostStatus(percent, text, VELTOFFLINE_ERROR_PROCESSING);
}

// A configuration's title becomes a folder name. Characters no folder name
// may hold here, and names that would point outside the bundle folder, make
// the title unusable as a folder.
bool UsableAsFolderName(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." &&
         name.find_first_of(std::wstring(L"/\\") + wchar_t(0)) == std::wstring::npos;
}

}  // namespace

VeltEngine::VeltEngine(std::wstring requestPath, std::wstring installDir, std::wstring bundlePath,
                       std::wstring zipPassword, bool clearMode, bool includeSystemLogs)
    : m_clearMode(clearMode),
      m_pCollector(nullptr),
      m_pConfigParser(nullptr),
      m_pRequestParser(nullptr),
      m_requestPath(std::move(requestPath)),
      m_installDir(std::move(installDir)),
      m_tempDir(helperUtil::translatePath(L"%TEMP%\\VELT_Temp_Bundle")),
      m_bundlePath(std::move(bundlePath)),
      m_zipPassword(std::move(zipPassword)),
      m_configCount(0),
      m_pRequest(nullptr),
      m_pDefaultRequest(nullptr),
      m_includeSystemLogs(includeSystemLogs),
      m_started(false) {}

VeltEngine::~VeltEngine() {
  for (XMLObject* config : m_configs) {
    delete config;
  }
  delete m_pConfigParser;
  delete m_pRequestParser;  // takes the parsed request tree with it
  delete m_pDefaultRequest;
  delete m_pCollector;
  // In window mode the engine's end is the worker's end: nothing posts
  // after this. The destructor never lets the unwinding escape.
  try {
    VeltThread::Exit();
  } catch (const VeltThreadExit&) {
  }
}

long VeltEngine::start() {
  if (m_started) {
    VELT_LOG_MESSAGE('E', "start called a second time on one engine");
    return VELTENGINE_ERROR_ALREADY_INITIALIZED;
  }
  m_started = true;
  return VeltThread::RunWorker([this] { return m_clearMode ? clearLogs() : collectLogs(); });
}

long VeltEngine::collectLogs() {
  PostProgress(1, kStartingUp);
  m_pConfigParser = new VeltParser();
  m_pRequestParser = new VeltParser();
  VeltThread::ExitCheck();
  PostProgress(1, L"Parsing request and configuration XMLs...");

  std::list<XMLObject*> requests;
  m_pRequestParser->Parse(m_requestPath, VELT_PARSER_INPUT_FILE, requests);
  if (requests.size() == 1) {
    m_pRequest = requests.front();
    VeltComponent* root = m_pRequest->GetRoot();
    if (root == nullptr) {
      const std::wstring message = L"Internal Error: VELT has encountered an error...";
      VELT_LOG_MESSAGE('E', "%s", velt::Narrow(message).c_str());
      return GracefullyExit(VELTENGINE_ERROR_NULL_POINTER, message);
    }
    for (VeltComponent* child : root->GetChildren()) {
      if (child != nullptr && child->GetType() == L"file") {
        m_requestFiles.push_back(child);
      }
    }
  } else if (!m_requestPath.empty()) {
    const std::wstring message =
        L"Internal Error: invalid request XML, please contact your administrator, or run in "
        L"default mode";
    VELT_LOG_MESSAGE('E', "%s", velt::Narrow(message).c_str());
    return GracefullyExit(VELTENGINE_ERROR_INVALID_XML, message);
  } else {
    m_pDefaultRequest = new XMLObject();
    m_pRequest = m_pDefaultRequest;
  }

  m_pConfigParser->Parse(helperUtil::getConfigPath(m_installDir), VELT_PARSER_INPUT_CONFIG_FOLDER,
                         m_configs);
  m_configCount = static_cast<unsigned>(m_configs.size());
  if (m_configCount == 0) {
    VELT_LOG_MESSAGE('E', "%s", velt::Narrow(kNoConfig).c_str());
    return GracefullyExit(VELTENGINE_ERROR_INTERNAL, kNoConfig);
  }
  m_failedConfigs = m_pConfigParser->failedFiles();

  long rc = prepareTempFolder();
  if (rc != 0) {
    const std::wstring message = L"Internal Error: failed to create temporary working folder...";
    VELT_LOG_MESSAGE('E', "%s", velt::Narrow(message).c_str());
    return GracefullyExit(rc, message);
  }

  createCollector();

  unsigned ordinal = 0;
  unsigned failures = 0;
  for (XMLObject* config : m_configs) {
    if (config == nullptr) {
      continue;
    }
    ++ordinal;
    const std::wstring name = configFolderName(config, ordinal);
    PostProgress(computePercent(ordinal), L"Reading instructions ...");
    std::wstring target = m_tempDir + velt::kPathSeparator + name;
    if (!UsableAsFolderName(name) || helperUtil::MakeDirectory(target) != 0) {
      // Keep every configuration's files inside the bundle folder, in a
      // folder of its own.
      target = m_tempDir + velt::kPathSeparator + L"Unknown_" + helperUtil::NumToStr(
                   static_cast<float>(ordinal), 0);
      if (helperUtil::MakeDirectory(target) != 0) {
        target = m_tempDir;
      }
    }
    if (m_pCollector->Collect(target, config, computePercent(ordinal)) != 0) {
      m_failedConfigs.push_back(name);
      ++failures;
    }
  }
  if (failures == m_configCount) {
    const std::wstring message = L"Internal Error: all configs failed...";
    VELT_LOG_MESSAGE('E', "%s", velt::Narrow(message).c_str());
    return GracefullyExit(VELTENGINE_ERROR_INTERNAL, message);
  }

  rc = writeFailedFilesToSummary(m_pCollector->GetSummaryPath());
  if (rc != 0) {
    VELT_LOG_CODE('W', "VeltEngine::writeFailedFilesToSummary", rc);
  }

  PostProgress(96, L"Zipping the bundle, please wait...");
  if (helperUtil::getLastPart(m_bundlePath, L".") != L"zip") {
    m_bundlePath += L".zip";
  }
  if (zipBundle() != 0) {
    const std::wstring message = L"Internal Error: failed to zip the bundle...";
    VELT_LOG_MESSAGE('E', "%s", velt::Narrow(message).c_str());
    return GracefullyExit(VELTENGINE_ERROR_WRITE_FAILURE, message);
  }
  helperUtil::fileDeleteDirectory(m_tempDir);
  PostProgress(100, kFinished);
  VeltThread::PostStatus(0, L"", 0);
  return 0;
}

long VeltEngine::clearLogs() {
  PostProgress(1, kStartingUp);
  if (m_pConfigParser == nullptr) {
    m_pConfigParser = new VeltParser();
    m_pConfigParser->Parse(helperUtil::getConfigPath(m_installDir), VELT_PARSER_INPUT_CONFIG_FOLDER,
                           m_configs);
  }
  m_configCount = static_cast<unsigned>(m_configs.size());
  if (m_configCount == 0) {
    VELT_LOG_MESSAGE('E', "%s", velt::Narrow(kNoConfig).c_str());
    return GracefullyExit(VELTENGINE_ERROR_INTERNAL, kNoConfig);
  }
  if (m_pCollector == nullptr) {
    createCollector();
  }
  unsigned ordinal = 0;
  for (XMLObject* config : m_configs) {
    ++ordinal;
    if (config != nullptr) {
      m_pCollector->Clear(config, computePercent(ordinal));
    }
  }
  PostProgress(100, kFinished);
  VeltThread::PostStatus(0, L"", 0);
  return 0;
}

long VeltEngine::GracefullyExit(long code, std::wstring message) {
  VeltThread::PostStatus(0, message, code);
  helperUtil::fileDeleteDirectory(m_tempDir);
  VeltThread::Exit();
  return code;
}

unsigned VeltEngine::computePercent(unsigned ordinal) {
  if (m_configCount == 0) {
    return 0;
  }
  return static_cast<unsigned>(static_cast<float>(92 * ordinal - 92) /
                               static_cast<float>(m_configCount));
}

void VeltEngine::createCollector() {
  // Each configuration's share of the 92 points the configurations share.
  const unsigned step = static_cast<unsigned>(92.0f / static_cast<float>(m_configCount));
  m_pCollector = new collector(m_pRequest, m_requestFiles, step, m_bundlePath,
                               m_includeSystemLogs);
}

long VeltEngine::prepareTempFolder() {
  long rc = helperUtil::fileDeleteDirectory(m_tempDir);
  if (rc != 0) {
    VELT_LOG_CODE('W', "helperUtil::fileDeleteDirectory", rc);
    if (rc != VELTENGINE_ERROR_FILE_NOT_FOUND) {
      m_tempDir += L"_" + helperUtil::getCurrentTime(TIME_REPRESENTATION_SUFFIX) +
                   L"_" +
                   helperUtil::NumToStr(static_cast<float>(helperUtil::generateRandomNumber()), 0);
    }
  }
  rc = helperUtil::MakeDirectory(m_tempDir);
  if (rc != 0) {
    return rc;
  }
  // Collected logs are for the running user only: refuse a folder that
  // someone else made or linked, and close it to other users.
  if (velt::platform::MakeDirectoryPrivate(velt::Narrow(m_tempDir)) != 0) {
    VELT_LOG_MESSAGE('E', "temporary folder \"%s\" is not private to this user",
                     velt::Narrow(m_tempDir).c_str());
    return VELTENGINE_ERROR_ACCESS_DENIED;
  }
  return 0;
}

std::wstring VeltEngine::configFolderName(XMLObject* config, unsigned ordinal) const {
  VeltComponent* title = config->FindChild(L"configure", L"title");
  if (title != nullptr) {
    return title->GetVal();
  }
  return L"Unknown_" + helperUtil::NumToStr(static_cast<float>(ordinal), 0);
}

long VeltEngine::zipBundle() {
  // The archive is written beside the bundle path and renamed into place
  // only when it is complete, so a failed or interrupted zip never leaves a
  // file at the bundle path that looks like a finished bundle.
  const std::wstring partial = m_bundlePath + L".partial";
  long rc = CZip::Zip(m_tempDir, partial, m_zipPassword, true);
  if (rc == 0 && std::rename(velt::Narrow(partial).c_str(), velt::Narrow(m_bundlePath).c_str()) != 0) {
    VELT_LOG_MESSAGE('E', "cannot move the bundle to \"%s\"", velt::Narrow(m_bundlePath).c_str());
    rc = VELTENGINE_ERROR_WRITE_FAILURE;
  }
  if (rc != 0) {
    helperUtil::fileDelete(partial);
  }
  return rc;
}

long VeltEngine::writeFailedFilesToSummary(const std::wstring& summaryPath) {
  std::FILE* file = std::fopen(velt::Narrow(summaryPath).c_str(), "ab");
  if (file == nullptr) {
    VELT_LOG_MESSAGE('E', "Could not open file \"%s\"", velt::Narrow(summaryPath).c_str());
    return VELTENGINE_ERROR_FILE_OPEN_FAILURE;
  }
  // The summary keeps CR LF line ends on every platform.
  std::wstring text;
  if (!m_failedConfigs.empty()) {
    text += L"\n" + std::wstring(100, L'=') + L"\n";
    text += L"VeltEngine failed to parse or use the following configuration files:\n";
    for (const std::wstring& failed : m_failedConfigs) {
      text += failed + L"\n";
    }
  }
  if (!m_requestFiles.empty()) {
    text += L"\n\nNo instruction found in any config for the following file ID's from request:\n";
    for (VeltComponent* entry : m_requestFiles) {
      Attribute* id = entry != nullptr ? entry->FindAttrib(L"id") : nullptr;
      if (id == nullptr || id->getValue() == L"comments" || id->getValue() == L"summary") {
        continue;
      }
      text += id->getValue() + L"\n";
    }
  }
  std::string bytes;
  for (char ch : velt::Narrow(text)) {
    if (ch == '\n') {
      bytes += '\r';
    }
    bytes += ch;
  }
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  return 0;
}
