// VeltAction::callExtern: running one external command, captured or
// launched, with progress, stop checks and the time-out.
#include <fstream>

#include "actions/ActionTiming.h"
#include "velt/actions/CCommandShell.h"
#include "velt/actions/CProcessApi.h"
#include "velt/actions/VeltAction.h"
#include "velt/control/VeltThread.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

const char kBannerStars[] =
    "***************************************************************************";  // 75

// Parsing completes `path` with the folder that the program was named with
// ("sub/tool" gives ".../sub"). The command line then names the program
// without that folder, so that the folder is not taken twice.
std::wstring WithoutFolderInPath(const std::wstring& path, const std::wstring& args) {
  const wchar_t separator = velt::kPathSeparator;
  std::wstring first = helperUtil::getFirstPart(args, L" ");
  size_t cut = first.rfind(separator);
  if (path.empty() || cut == std::wstring::npos || first[0] == separator) {
    return args;
  }
  std::wstring folder = first.substr(0, cut);
  std::wstring base = path;
  while (!base.empty() && base.back() == separator) {
    base.pop_back();
  }
  if (base.size() < folder.size() ||
      base.compare(base.size() - folder.size(), folder.size(), folder) != 0) {
    return args;
  }
  if (base.size() > folder.size() && base[base.size() - folder.size() - 1] != separator) {
    return args;
  }
  return args.substr(cut + 1);
}

}  // namespace

long VeltAction::callExtern(const std::wstring& path, const std::wstring& args,
                            bool captureStdout, const std::wstring& outputFile) {
  if (m_pProcessApi != nullptr) {
    if (m_processId != 0) {
      m_pProcessApi->Terminate(m_processId);
      m_processId = 0;
    }
    delete m_pProcessApi;
    m_pProcessApi = nullptr;
  }
  m_pProcessApi = new CProcessApi(false);

  const std::wstring program = programOf(args);
  long rc = captureStdout && !outputFile.empty() ? runCaptured(path, args, outputFile)
                                                 : runLaunched(path, args);
  if (rc != 0) {
    helperUtil::fillSummaryFailedFile(m_attributes.pXMLSummary, m_attributes.fileID, L"N/A",
                                      m_attributes.description, L"Failed to execute " + program);
    return rc;
  }
  if (m_processId == 0) {
    // Captured: the command has closed its output and nothing is watched.
    return rc;
  }
  return watchLaunched(program);
}

long VeltAction::runCaptured(const std::wstring& path, const std::wstring& args,
                             const std::wstring& outputFile) {
  // Appended as bytes: the banner ends its lines with CR LF, the command's
  // own output is kept as it was written.
  std::ofstream stream(velt::Narrow(outputFile), std::ios::out | std::ios::app | std::ios::binary);
  if (stream.is_open()) {
    stream << "\n\r" << kBannerStars << "\r\n"
           << '"' << velt::Narrow(args) << "\" output:\r\n"
           << kBannerStars << "\n\r\r\n";
  }
  std::wstring command = WithoutFolderInPath(path, args);
  if (!path.empty() && (command.empty() || command[0] != velt::kPathSeparator)) {
    command = path + velt::kPathSeparatorString + command;
  }
  long rc = CCommandShell(command.c_str()).Execute(stream);
  if (rc != 0) {
    VELT_LOG_CODE('E', "CCommandShell::Execute", rc);
  }
  stream.close();
  return rc;
}

long VeltAction::runLaunched(const std::wstring& path, const std::wstring& args) {
  std::wstring command = WithoutFolderInPath(path, args);
  size_t blank = command.find(L' ');
  std::wstring program = blank == std::wstring::npos ? command : command.substr(0, blank);
  std::wstring arguments = blank == std::wstring::npos ? L"" : command.substr(blank + 1);

  CProcessApi::ProcessAttributes attributes;
  attributes.programFolder = path.c_str();
  long rc = m_pProcessApi->Launch(attributes, program.c_str(), arguments.c_str(),
                                  static_cast<const wchar_t*>(nullptr));
  if (rc != 0) {
    VELT_LOG_CODE('E', "CProcessApi::Launch", rc);
    return rc;
  }
  m_processId = attributes.processId;
  return 0;
}

long VeltAction::watchLaunched(const std::wstring& program) {
  const unsigned start = VeltThread::GetProgressStatus()->percent;
  std::wstring status = L"Processing " + m_attributes.description + L"...";
  const int64_t t0 = velt::ActionTiming::NowMs();
  if (m_pProcessApi->IsRunning(m_processId) != 0) {
    return 0;
  }
  for (unsigned n = 1;; ++n) {
    unsigned exitCode = 0;
    long w = m_pProcessApi->WaitForProcess(m_processId, exitCode, nullptr, false,
                                           velt::ActionTiming::WaitSliceMs());
    if (w == PROCESS_API_ERROR_WAIT_INTERRUPTED) {
      VELT_LOG_CODE('E', "CProcessApi::WaitForProcess", w);
      return VELTENGINE_ERROR_ACTION_CANCELED_BY_USER;
    }
    // Rises from about 0.05 towards 1 without reaching it.
    float curve = 2.0f / (1.0f + 1.0f / helperUtil::power(1.1f, n)) - 1.0f;
    unsigned increment =
        static_cast<unsigned>(static_cast<float>(m_attributes.percentPortion) * curve);
    VeltThread::PostStatus(start + increment, status, VELTOFFLINE_ERROR_PROCESSING);
    VeltThread::ExitCheck();

    int64_t elapsed = (velt::ActionTiming::NowMs() - t0) / 1000;
    if (elapsed >= velt::ActionTiming::kTimeoutSeconds) {
      VELT_LOG_MESSAGE('E', "Executable %s timed out after %d seconds of activity.",
                       velt::Narrow(program).c_str(), static_cast<int>(elapsed));
      m_pProcessApi->Terminate(m_processId);
      return VELTENGINE_ERROR_EXTERN_ACTION_TIMEOUT;
    }
    status = L"Still running " + program +
             (program == L"MSInfo32.exe"
                  ? L", please be patient as this may take 10 minutes or more..."
                  : L", please be patient as this may take a few minutes...");
    long running = m_pProcessApi->IsRunning(m_processId);
    if (running == PROCESS_API_ERROR_NOTRUNNING) {
      // Ended, whether during the last wait or just after it.
      return 0;
    }
    if (running != 0) {
      return w != 0 ? w : running;
    }
  }
}
