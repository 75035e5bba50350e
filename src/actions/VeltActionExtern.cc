// VeltAction::callExtern: running one external command, captured or
// launched, with progress, stop checks and the time-out.
#include <ostream>

#include "actions/ActionLimits.h"
#include "actions/CollectControls.h"
#include "actions/CommandLine.h"
#include "actions/TextModeFile.h"
#include "platform/SystemError.h"
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

// The command line of the captured way: the program inside `path`, quoted
// as the launched way quotes it, then the arguments as written.
std::wstring CapturedCommand(const std::wstring& path, const std::wstring& args) {
  std::wstring command = WithoutFolderInPath(path, args);
  if (path.empty() || command.empty() || command[0] == velt::kPathSeparator) {
    return command;
  }
  const size_t blank = command.find(L' ');
  const std::wstring rest = blank == std::wstring::npos ? L"" : command.substr(blank);
  return velt::QuoteForShell(velt::ProgramInFolder(path, command.substr(0, blank))) + rest;
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
  m_lastCommand = CommandEnd();

  const std::wstring program = programOf(args);
  const bool captured = captureStdout && !outputFile.empty();
  const int64_t t0 = velt::ActionLimits::NowMs();
  int64_t elapsedSeconds = 0;
  long rc = 0;
  int fileError = 0;
  bool created = false;
  if (captured) {
    rc = runCaptured(path, args, outputFile, fileError, created);
    elapsedSeconds = (velt::ActionLimits::NowMs() - t0) / 1000;
    if (fileError != 0) {
      VELT_LOG_CODE('E', "write", fileError, "The output of %s cannot be written to %s",
                    velt::Narrow(program).c_str(), velt::Narrow(outputFile).c_str());
    }
  } else {
    rc = runLaunched(path, args);
  }
  if (rc == PROCESS_API_ERROR_WAIT_INTERRUPTED && captured) {
    // The command has been ended; the run ends here.
    VeltThread::ExitCheck();
    return VELTENGINE_ERROR_ACTION_CANCELED_BY_USER;
  }
  if (rc == PROCESS_API_ERROR_WAIT_TIMEOUT && captured) {
    rc = VELTENGINE_ERROR_EXTERN_ACTION_TIMEOUT;
  } else if (rc != 0) {
    VELT_LOG_CODE('E', captured ? "CCommandShell::Execute" : "CProcessApi::Launch", rc);
    helperUtil::fillSummaryFailedFile(m_attributes.pXMLSummary, m_attributes.fileID, L"N/A",
                                      m_attributes.description, L"Failed to execute " + program);
    return rc;
  } else if (m_processId != 0) {
    rc = watchLaunched(program, elapsedSeconds);
  }
  m_lastCommand.elapsedMs = velt::ActionLimits::NowMs() - t0;
  if (fileError != 0) {
    return noteUnwrittenOutput(program, outputFile, fileError, created);
  }
  if (rc == VELTENGINE_ERROR_EXTERN_ACTION_TIMEOUT) {
    m_lastCommand.timedOut = true;
    VELT_LOG_MESSAGE('E', "Executable %s timed out after %d seconds of activity.",
                     velt::Narrow(program).c_str(), static_cast<int>(elapsedSeconds));
  } else if (rc == PROCESS_API_ERROR_WAIT_INTERRUPTED) {
    VELT_LOG_CODE('E', "CProcessApi::WaitForProcess", rc);
    rc = VELTENGINE_ERROR_ACTION_CANCELED_BY_USER;
  } else if (rc == 0 && m_processId != 0) {
    // The launched command has ended: ask how, without waiting.
    unsigned exitCode = 0;
    if (m_pProcessApi->WaitForProcess(m_processId, exitCode, nullptr, true, 0) == 0) {
      m_lastCommand.ended = true;
      m_lastCommand.exitStatus = exitCode;
    }
  }
  return rc;
}

int64_t VeltAction::timeLimitSeconds() const {
  return m_attributes.controls != nullptr ? m_attributes.controls->timeLimitSeconds
                                          : velt::ActionLimits::kTimeoutSeconds;
}

long VeltAction::noteUnwrittenOutput(const std::wstring& program, const std::wstring& outputFile,
                                     int fileError, bool created) {
  // Output that did not reach its file whole (a full disk, a quota, the
  // file-size limit) is never listed as if it were all there. A file this
  // command made is removed; one that earlier commands wrote keeps what
  // they wrote, and the entry says this command's output was cut.
  const std::wstring why = L"writing " + outputFile + L" failed: " +
                           velt::Widen(velt::platform::SystemErrorText(
                               static_cast<unsigned long>(fileError)));
  if (created) {
    helperUtil::fileDelete(outputFile);
  }
  helperUtil::fillSummaryFailedFile(
      m_attributes.pXMLSummary, m_attributes.fileID,
      helperUtil::getLastPart(outputFile, velt::kPathSeparatorString), m_attributes.description,
      L"The output of " + program + (created ? L" was left out: " : L" was cut: ") + why);
  return VELTENGINE_ERROR_WRITE_FAILURE;
}

long VeltAction::runCaptured(const std::wstring& path, const std::wstring& args,
                             const std::wstring& outputFile, int& fileError, bool& created) {
  velt::TextModeFile file;
  created = false;
  fileError = file.Open(velt::Narrow(outputFile), created);
  std::ostream stream(&file);
  if (file.IsOpen()) {
    stream << "\n\r" << kBannerStars << "\n"
           << '"' << velt::Narrow(args) << "\" output:\n"
           << kBannerStars << "\n\r\n";
  }
  CCommandShell::Outcome outcome;
  long rc = CCommandShell::Execute(CapturedCommand(path, args).c_str(), stream,
                                   timeLimitSeconds(), outcome);
  m_lastCommand.ended = outcome.ended;
  m_lastCommand.exitStatus = outcome.exitStatus;
  if (fileError == 0) {
    fileError = file.Close();
  }
  if (created && rc != 0 && rc != PROCESS_API_ERROR_WAIT_TIMEOUT &&
      rc != PROCESS_API_ERROR_WAIT_INTERRUPTED) {
    // Nothing ran: no file with a banner alone is left in the bundle.
    helperUtil::fileDelete(outputFile);
    created = false;
  }
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
  if (rc == 0) {
    m_processId = attributes.processId;
  }
  return rc;
}

long VeltAction::watchLaunched(const std::wstring& program, int64_t& elapsedSeconds) {
  const unsigned start = VeltThread::GetProgressStatus()->percent;
  std::wstring status = L"Processing " + m_attributes.description + L"...";
  const int64_t t0 = velt::ActionLimits::NowMs();
  if (m_pProcessApi->IsRunning(m_processId) != 0) {
    return 0;
  }
  for (unsigned n = 1;; ++n) {
    unsigned exitCode = 0;
    long w = m_pProcessApi->WaitForProcess(m_processId, exitCode, nullptr, false,
                                           velt::ActionLimits::WaitSliceMs());
    if (w == PROCESS_API_ERROR_WAIT_INTERRUPTED) {
      return w;
    }
    // Rises from about 0.05 towards 1 without reaching it.
    float curve = 2.0f / (1.0f + 1.0f / helperUtil::power(1.1f, n)) - 1.0f;
    unsigned increment =
        static_cast<unsigned>(static_cast<float>(m_attributes.percentPortion) * curve);
    VeltThread::PostStatus(start + increment, status, VELTOFFLINE_ERROR_PROCESSING);
    if (VeltThread::StopRequested()) {
      // Nothing the command started outlives the run.
      m_pProcessApi->Terminate(m_processId);
      m_processId = 0;
      VeltThread::ExitCheck();
      return VELTENGINE_ERROR_ACTION_CANCELED_BY_USER;
    }

    elapsedSeconds = (velt::ActionLimits::NowMs() - t0) / 1000;
    if (elapsedSeconds >= timeLimitSeconds()) {
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
