#include "velt/actions/CProcessApi.h"

#include <cstdarg>
#include <string>
#include <utility>

#include "actions/CommandLine.h"
#include "platform/Process.h"
#include "velt/control/VeltThread.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

struct CProcessApi::ProcessEntry {
  uint32_t processId = 0;
  velt::platform::ChildProcess child;
};

namespace {

constexpr unsigned kExitCodeUnknown = 0x80004005u;
// How often a wait looks at an abort event that cannot be watched.
constexpr unsigned kEventCheckSliceMs = 10;

}  // namespace

CProcessApi::CProcessApi(bool startSuspended) : m_startSuspended(startSuspended) {}

CProcessApi::~CProcessApi() {
  for (ProcessEntry* entry : m_processList) {
    velt::platform::ReleaseChild(entry->child);
    delete entry;
  }
  m_processList.clear();
}

long CProcessApi::Launch(ProcessAttributes& attributes, const std::vector<const wchar_t*>& args) {
  if (args.empty() || args[0] == nullptr) {
    return PROCESS_API_ERROR_BAD_PARAMETER;
  }
  // A program named without a folder, or with an absolute path, is used as
  // given (one without a folder is looked up like the shell does);
  // otherwise it is taken from the attributes' folder.
  const std::wstring bare = velt::ProgramInFolder(
      attributes.programFolder != nullptr ? attributes.programFolder : L"", args[0]);
  std::wstring commandLine = velt::QuoteForShell(bare) + L" ";
  for (size_t i = 1; i < args.size() && args[i] != nullptr; ++i) {
    commandLine += args[i];
    commandLine += L" ";
  }

  int error = velt::platform::FindProgram(velt::Narrow(bare));
  velt::platform::ChildProcess child;
  if (error == 0) {
    error = velt::platform::StartDetached(velt::Narrow(commandLine), child);
  }
  if (error != 0) {
    VELT_LOG_CODE('E', "CreateProcess", error, "Unable to spawn Application: %s %s", "",
                  velt::Narrow(commandLine).c_str());
    return GetStatusCode(static_cast<unsigned long>(error));
  }
  ProcessEntry* entry = new ProcessEntry();
  entry->processId = static_cast<uint32_t>(child.pid);
  entry->child = std::move(child);
  m_processList.push_back(entry);
  attributes.processId = entry->processId;
  return 0;
}

long CProcessApi::Launch(ProcessAttributes& attributes, const wchar_t* program, ...) {
  std::vector<const wchar_t*> args;
  args.push_back(program);
  if (program != nullptr) {
    va_list rest;
    va_start(rest, program);
    while (const wchar_t* arg = va_arg(rest, const wchar_t*)) {
      args.push_back(arg);
    }
    va_end(rest);
  }
  return Launch(attributes, args);
}

CProcessApi::ProcessEntry* CProcessApi::FindProcess(uint32_t processId) {
  for (ProcessEntry* entry : m_processList) {
    if (entry->processId == processId) {
      return entry;
    }
  }
  return nullptr;
}

long CProcessApi::PollProcess(const char* reporter, uint32_t processId, ProcessEntry*& entry,
                              bool& running) {
  entry = FindProcess(processId);
  if (entry == nullptr) {
    VELT_LOG_CODE_AS(reporter, 'E', "FindProcess", PROCESS_API_ERROR_INVALIDPROCESSID);
    return PROCESS_API_ERROR_INVALIDPROCESSID;
  }
  int error = velt::platform::PollChild(entry->child, running);
  if (error != 0) {
    VELT_LOG_CODE_AS(reporter, 'E', "GetExitCodeProcess", error);
    return GetStatusCode(static_cast<unsigned long>(error));
  }
  return 0;
}

long CProcessApi::WaitForProcess(uint32_t processId, unsigned& exitCode, VeltEvent* abortEvent,
                                 bool noMessagePump, unsigned timeoutMs) {
  exitCode = kExitCodeUnknown;
  ProcessEntry* entry = nullptr;
  bool running = false;
  long rc = PollProcess("CProcessApi::WaitForProcess", processId, entry, running);
  if (rc != 0) {
    return rc;
  }
  if (!running) {
    exitCode = entry->child.exitCode;
    return 0;
  }

  // Index 0: the abort event; index 1: the front end's exit event, which
  // plays the part of a message arriving while the thread pumps messages.
  using velt::platform::WakeSource;
  std::vector<WakeSource> wakes;
  const bool watchAbort = abortEvent != nullptr && abortEvent->IsWatchable();
  if (watchAbort) {
    wakes.push_back(WakeSource(*abortEvent));
  }
  VeltEvent* exitEvent = VeltThread::m_ExitVeltEvent;
  if (!noMessagePump && !VeltThread::GetVeltCLIOptions().consoleMode && exitEvent != nullptr &&
      exitEvent->IsWatchable()) {
    wakes.push_back(WakeSource(*exitEvent));
  }
  // An abort event that cannot be watched is looked at between short waits.
  bool checkAbortByHand = abortEvent != nullptr && !watchAbort;

  unsigned left = timeoutMs;
  for (;;) {
    unsigned slice = checkAbortByHand && left > kEventCheckSliceMs ? kEventCheckSliceMs : left;
    velt::platform::ChildWait outcome = velt::platform::ChildWait::kTimedOut;
    size_t wokenBy = 0;
    const int error = velt::platform::WaitChild(entry->child, wakes, slice, outcome, wokenBy);
    if (error != 0) {
      VELT_LOG_CODE('E', "WaitForObject", error);
      return GetStatusCode(static_cast<unsigned long>(error));
    }
    switch (outcome) {
      case velt::platform::ChildWait::kEnded:
        exitCode = entry->child.exitCode;
        return 0;
      case velt::platform::ChildWait::kWoken:
        if (watchAbort && wakes[wokenBy] == WakeSource(*abortEvent)) {
          return PROCESS_API_ERROR_WAIT_INTERRUPTED;
        }
        return PROCESS_API_ERROR_WAIT_TIMEOUT;
      case velt::platform::ChildWait::kTimedOut:
        break;
    }
    if (checkAbortByHand && abortEvent->Wait(0)) {
      return PROCESS_API_ERROR_WAIT_INTERRUPTED;
    }
    left -= slice;
    if (left == 0) {
      return PROCESS_API_ERROR_WAIT_TIMEOUT;
    }
  }
}

long CProcessApi::IsRunning(uint32_t processId) {
  ProcessEntry* entry = nullptr;
  bool running = false;
  long rc = PollProcess("CProcessApi::IsRunning", processId, entry, running);
  if (rc != 0) {
    return rc;
  }
  return running ? 0 : PROCESS_API_ERROR_NOTRUNNING;
}

long CProcessApi::Terminate(uint32_t processId) {
  ProcessEntry* entry = FindProcess(processId);
  if (entry == nullptr) {
    VELT_LOG_CODE('E', "FindProcess", PROCESS_API_ERROR_INVALIDPROCESSID);
    return PROCESS_API_ERROR_INVALIDPROCESSID;
  }
  int error = velt::platform::KillChildGroup(entry->child);
  if (error != 0) {
    VELT_LOG_CODE('E', "TerminateProcess", error);
    return GetStatusCode(static_cast<unsigned long>(error));
  }
  return 0;
}

long CProcessApi::GetStatusCode(unsigned long error) {
  using velt::platform::ProcessErrorKind;
  switch (velt::platform::ClassifyProcessError(error)) {
    case ProcessErrorKind::kFileNotFound:
      return PROCESS_API_ERROR_FILENOTFOUND;
    case ProcessErrorKind::kPathNotFound:
      return PROCESS_API_ERROR_PATHNOTFOUND;
    case ProcessErrorKind::kInvalidProcessId:
      return PROCESS_API_ERROR_INVALIDPROCESSID;
    case ProcessErrorKind::kNoProcessSlots:
      return PROCESS_API_ERROR_NOPROCSLOTS;
    case ProcessErrorKind::kProcessAborted:
      return PROCESS_API_ERROR_PROCESS_ABORTED;
    case ProcessErrorKind::kInsufficientPrivilege:
      return PROCESS_API_ERROR_INSUFFICIENT_PRIVILEGE;
    case ProcessErrorKind::kOther:
      break;
  }
  return PROCESS_API_ERROR_UNKNOWN;
}
