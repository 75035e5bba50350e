// The parts of a collect run that the controls and honest reporting add to
// the design's run: the request read from a file or from memory, the run's
// controls handed to the collector, what each summary block tells the
// manifest, the notes on the run at the end of summary.txt, and
// manifest.json itself.
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "actions/CollectControls.h"
#include "engine/BundleManifest.h"
#include "engine/SummaryTally.h"
#include "engine/VeltEngineImpl.h"
#include "platform/Environment.h"
#include "platform/File.h"
#include "platform/LocalTime.h"
#include "report/SummaryWriter.h"
#include "velt/engine/VeltControlText.h"
#include "velt/engine/VeltEngine.h"
#include "velt/helpers/helperUtil.h"
#include "velt/mask/BundleMasker.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"
#include "velt/report/collector.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"
#include "velt/xml/VeltParser.h"

namespace {

std::wstring Count(unsigned count) { return std::to_wstring(count); }

}  // namespace

long VeltEngine::parseRequest(std::wstring& failure) {
  std::list<XMLObject*> requests;
  const bool inMemory = m_impl->m_requestPath.empty() && !m_impl->m_extras.requestDocument.empty();
  m_impl->m_pRequestParser->Parse(
      inMemory ? m_impl->m_extras.requestDocument : m_impl->m_requestPath,
      inMemory ? VELT_PARSER_INPUT_TEXT : VELT_PARSER_INPUT_FILE, requests);
  if (requests.size() == 1) {
    m_impl->m_pRequest = requests.front();
    VeltComponent* root = m_impl->m_pRequest->GetRoot();
    if (root == nullptr) {
      failure = L"Internal Error: VELT has encountered an error...";
      return VELTENGINE_ERROR_NULL_POINTER;
    }
    for (VeltComponent* child : root->GetChildren()) {
      if (child != nullptr && child->GetType() == L"file") {
        m_impl->m_requestFiles.push_back(child);
      }
    }
  } else if (!m_impl->m_requestPath.empty() || inMemory) {
    failure = L"Internal Error: invalid request XML, please contact your administrator, or run "
              L"in default mode";
    return VELTENGINE_ERROR_INVALID_XML;
  } else {
    m_impl->m_pDefaultRequest = new XMLObject();
    m_impl->m_pRequest = m_impl->m_pDefaultRequest;
  }
  return 0;
}

void VeltEngine::startControls() {
  m_impl->m_pControls = new velt::CollectControls();
  if (m_impl->m_extras.commandTimeout != 0)
    m_impl->m_pControls->timeLimitSeconds = m_impl->m_extras.commandTimeout;
  if (m_impl->m_extras.since > 0) {
    m_impl->m_pControls->windowStart = m_impl->m_extras.since;
    m_impl->m_pControls->windowText = VeltControlText::LocalTime(m_impl->m_extras.since);
    // The configured commands limit their own output by it (the journal's).
    velt::platform::SetRunVariables(
        {"VELT_SINCE=" + velt::Narrow(m_impl->m_pControls->windowText)});
  }
  m_impl->m_pCollector->setControls(m_impl->m_pControls);
  m_impl->m_pCollector->setExcludedIds(std::set<std::wstring>(m_impl->m_extras.excludeIds.begin(),
                                                              m_impl->m_extras.excludeIds.end()));
  m_impl->m_pCollector->setCaseId(m_impl->m_extras.caseId);
  if (m_impl->m_extras.maxSize != 0) {
    // The truncation's work file stays inside the private run folder.
    m_impl->m_pCollector->setBudget(
        m_impl->m_extras.maxSize,
        m_impl->m_tempDir + velt::kPathSeparatorString + L".velt-budget-cut");
  }
  m_impl->m_pManifest = new velt::engine::BundleManifest();
  m_impl->m_report.unprivileged = !helperUtil::checkForAdminPrivilege();
}

void VeltEngine::endControls() {
  if (m_impl->m_pControls != nullptr && m_impl->m_pControls->windowStart != 0) {
    velt::platform::SetRunVariables({});
  }
}

void VeltEngine::observeBlock(XMLObject& config, XMLObject& summary,
                              const std::list<truncAttributes>& listed) {
  velt::engine::TallySummary(summary, m_impl->m_report);
  VeltComponent* titleNode = config.FindChild(L"configure", L"title");
  const std::wstring title = titleNode != nullptr ? titleNode->GetVal() : std::wstring();
  const std::wstring top = m_impl->m_tempDir + velt::kPathSeparatorString;
  auto inBundle = [&top](const std::wstring& path) {
    return path.compare(0, top.size(), top) == 0 ? path.substr(top.size()) : path;
  };
  for (const truncAttributes& record : listed) {
    // A file several commands wrote into is listed once per command in the
    // summary, once in the manifest.
    if (!m_impl->m_manifested.insert(record.path).second) continue;
    const velt::FileOrigin* origin =
        m_impl->m_pControls != nullptr ? m_impl->m_pControls->OriginOf(record.path) : nullptr;
    velt::engine::ManifestFile file;
    file.fileID = record.fileID;
    file.configuration = record.fileID == L"comments" ? L"" : title;
    file.description = record.description;
    file.kind = origin == nullptr ? (record.fileID == L"comments" ? "comments" : "file")
                                  : (origin->isCommand ? "command" : "file");
    if (origin != nullptr) {
      file.source = origin->source;
      file.ended = origin->ended;
      file.exitStatus = origin->exitStatus;
      file.timedOut = origin->timedOut;
      file.timeLimitSeconds = origin->timeLimitSeconds;
      file.elapsedMs = origin->elapsedMs;
    }
    // A copied folder is listed file by file.
    std::error_code error;
    const std::filesystem::path where(velt::Narrow(record.path));
    std::vector<std::wstring> paths;
    if (std::filesystem::is_directory(std::filesystem::symlink_status(where, error))) {
      std::filesystem::recursive_directory_iterator walk(where, error), end;
      for (; !error && walk != end; walk.increment(error)) {
        if (walk->is_regular_file(error)) paths.push_back(velt::Widen(walk->path().string()));
      }
    } else {
      paths.push_back(record.path);
    }
    for (const std::wstring& path : paths) {
      velt::engine::ManifestFile each = file;
      each.path = inBundle(path);
      if (path != record.path && !file.source.empty()) {
        each.source = file.source + path.substr(record.path.size());
      }
      const double size = helperUtil::getFileSize(path);
      each.size = size > 0.0 ? static_cast<uint64_t>(size) : 0;
      if (record.truncType == TRUNC_DATA && static_cast<double>(each.size) < record.size) {
        each.cutFrom = static_cast<int64_t>(record.size);
      }
      auto masked = m_impl->m_masked.find(path);
      if (masked != m_impl->m_masked.end()) each.masked = masked->second;
      m_impl->m_pManifest->Add(each);
    }
  }
}

long VeltEngine::writeRunNotes(const std::wstring& summaryPath) {
  if (m_impl->m_pControls == nullptr) return 0;
  m_impl->m_report.leftOutByWindow = m_impl->m_pControls->leftOutByWindow();
  m_impl->m_report.commandsFailed = m_impl->m_pControls->failedCommands();
  m_impl->m_report.cutForBudget = m_impl->m_cutFiles;
  m_impl->m_report.bytesCut = m_impl->m_cutBytes;
  std::vector<std::wstring> notes;
  if (m_impl->m_report.unprivileged) {
    notes.push_back(L"Collected without administrative rights (user " +
                    helperUtil::getOSUserName() +
                    L"): files only root may read and commands only root may run are missing or "
                    L"hold their refusal; " +
                    Count(m_impl->m_report.deniedForPermission) +
                    L" omission(s) above say a permission was refused. Run velt collect as root "
                    L"for the whole picture.");
  }
  if (m_impl->m_pControls->windowStart != 0) {
    notes.push_back(L"Time window from " + m_impl->m_pControls->windowText + L": " +
                    Count(m_impl->m_report.leftOutByWindow) +
                    L" file(s) matched by a wildcard were left out as last modified before it; "
                    L"commands that read it (the journal's) start there.");
  }
  if (m_impl->m_extras.maxSize != 0) {
    const std::wstring budget =
        helperUtil::SizeToStr(static_cast<double>(m_impl->m_extras.maxSize), 2);
    notes.push_back(m_impl->m_cutFiles == 0
                        ? L"Size budget " + budget + L": everything fit, nothing was cut."
                        : L"Size budget " + budget + L": " + Count(m_impl->m_cutFiles) +
                              L" file(s) were cut to their newest part, " +
                              helperUtil::SizeToStr(m_impl->m_cutBytes, 2) +
                              L" in all; the notes of each block name them.");
  }
  if (!m_impl->m_extras.excludeIds.empty()) {
    std::wstring ids;
    for (const std::wstring& id : m_impl->m_extras.excludeIds)
      ids += (ids.empty() ? L"" : L", ") + id;
    notes.push_back(L"Excluded from this run: " + ids + L".");
  }
  if (notes.empty()) return 0;
  using velt::report::SummaryWriter;
  SummaryWriter out;
  if (!out.Open(summaryPath, SummaryWriter::Mode::Append)) {
    VELT_LOG_MESSAGE('E', "Could not open file \"%s\"", velt::Narrow(summaryPath).c_str());
    return VELTENGINE_ERROR_FILE_OPEN_FAILURE;
  }
  out.Write(L"\n" + SummaryWriter::Rule(L'=', 100) + L"\nNotes on this run:\n");
  for (const std::wstring& note : notes) out.Write(L" - " + SummaryWriter::OneLine(note) + L"\n");
  return out.Close() ? 0 : VELTENGINE_ERROR_WRITE_FAILURE;
}

long VeltEngine::writeManifest(const std::wstring& summaryPath) {
  if (m_impl->m_pManifest == nullptr) return 0;
  velt::engine::ManifestFile summary;
  summary.path = helperUtil::getLastPart(summaryPath, velt::kPathSeparatorString);
  summary.fileID = L"summary";
  summary.description = L"What this bundle holds, what it left out and why";
  summary.kind = "summary";
  const double size = helperUtil::getFileSize(summaryPath);
  summary.size = size > 0.0 ? static_cast<uint64_t>(size) : 0;
  m_impl->m_pManifest->Add(summary);
  const std::string text = m_impl->m_pManifest->Text(
      m_impl->m_extras.caseId, velt::platform::SecondsSinceEpoch(), m_impl->m_pMasker != nullptr);
  const std::string path = velt::Narrow(m_impl->m_tempDir + velt::kPathSeparatorString +
                                        velt::engine::kManifestFileName);
  velt::platform::File file;
  int error = file.Create(path);
  if (error == 0) error = file.WriteAt(text.data(), text.size(), 0);
  const int closed = file.Close();
  if (error == 0) error = closed;
  if (error != 0) {
    VELT_LOG_CODE('E', "write", error, "%s", path.c_str());
    file.Remove();
    return VELTENGINE_ERROR_WRITE_FAILURE;
  }
  // Host names in the sources are masked as in the files themselves.
  if (m_impl->m_extras.maskHosts && m_impl->m_pMasker != nullptr) {
    m_impl->m_pMasker->MaskFile(velt::Widen(path), velt::engine::kManifestFileName);
  }
  return 0;
}
