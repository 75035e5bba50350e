#include "velt/control/VeltThread.h"

#include <cstdio>
#include <exception>
#include <mutex>

#include "control/ThreadExit.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

WindowHandle VeltThread::sm_mainThreadHandle = nullptr;
VELT_CLI_OPTIONS VeltThread::sm_veltCLIOptions;
PROGRESSSTATUS VeltThread::m_pProgressStatus;
EventHandle VeltThread::m_ExitVeltEvent = nullptr;

namespace {

std::mutex& RecordGuard() {
  static std::mutex* guard = new std::mutex();
  return *guard;
}

struct WorkerState {
  bool running = false;  // inside RunWorker
  bool ended = false;
  long lastResult = VELTENGINE_ERROR_ACTION_CANCELED_BY_USER;
};
thread_local WorkerState t_worker;

[[noreturn]] void EndWorker() {
  t_worker.ended = true;
  throw VeltThreadExit{t_worker.lastResult};
}

}  // namespace

namespace velt {
bool WorkerEnded() { return t_worker.ended; }
}  // namespace velt

void VeltThread::SetMainThreadHandle(WindowHandle window) { sm_mainThreadHandle = window; }
WindowHandle VeltThread::GetMainThreadHandle() { return sm_mainThreadHandle; }
void VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS options) { sm_veltCLIOptions = options; }
const VELT_CLI_OPTIONS& VeltThread::GetVeltCLIOptions() { return sm_veltCLIOptions; }
PROGRESSSTATUS* VeltThread::GetProgressStatus() { return &m_pProgressStatus; }

void VeltThread::OpenExitEvent() {
  if (sm_veltCLIOptions.consoleMode) {
    return;
  }
  m_ExitVeltEvent = VeltEvent::Open(L"ExitVeltEvent");
}

bool VeltThread::StopRequested() {
  if (sm_veltCLIOptions.consoleMode || m_ExitVeltEvent == nullptr || !m_ExitVeltEvent->Wait(0)) {
    return false;
  }
  // Looking must not consume the request: an auto-reset event is reset by
  // the wait that sees it, so it is set again for the check that ends the run.
  m_ExitVeltEvent->Set();
  return true;
}

void VeltThread::ExitCheck() {
  if (StopRequested()) {
    EndWorker();
  }
}

void VeltThread::Exit() {
  if (sm_veltCLIOptions.consoleMode) {
    return;
  }
  if (std::uncaught_exceptions() > 0) {
    // Already unwinding to the worker's entry point.
    t_worker.ended = true;
    return;
  }
  EndWorker();
}

void VeltThread::PostStatus(unsigned percent, const std::wstring& text, long code) {
  if (t_worker.ended) {
    return;
  }
  if (code != VELTOFFLINE_ERROR_PROCESSING) {
    t_worker.lastResult = code;
  }
  if (!sm_veltCLIOptions.consoleMode) {
    if (sm_mainThreadHandle == nullptr) {
      return;
    }
    {
      std::lock_guard<std::mutex> guard(RecordGuard());
      if (percent != 0) {
        m_pProgressStatus.percent = percent;
      }
      if (!text.empty()) {
        m_pProgressStatus.status = text;
      }
    }
    if (code == VELTOFFLINE_ERROR_PROCESSING) {
      sm_mainThreadHandle->Post(WM_VELT_PROGRESS,
                                reinterpret_cast<uintptr_t>(&m_pProgressStatus), 0);
    } else {
      sm_mainThreadHandle->Post(WM_VELT_RESULT,
                                static_cast<uintptr_t>(static_cast<uint32_t>(code)), 0);
    }
    return;
  }
  // Console mode prints UTF-8 bytes, so that the output does not depend on
  // the process locale; the 50-character field counts characters.
  if (code == VELTOFFLINE_ERROR_PROCESSING) {
    if (text.empty() || percent == 0) {
      return;
    }
    std::wstring field = text.substr(0, 50);
    field.resize(50, L' ');
    std::printf("\r%s %3d%%", velt::Narrow(field).c_str(), static_cast<int>(percent));
    std::fflush(stdout);
  } else {
    std::printf("\r\n%s\r\n", velt::Narrow(text).c_str());
  }
}

PROGRESSSTATUS VeltThread::CopyProgressStatus() {
  std::lock_guard<std::mutex> guard(RecordGuard());
  return m_pProgressStatus;
}

long VeltThread::RunWorker(const std::function<long()>& work) {
  if (t_worker.running) {
    return work();  // a worker inside a worker: the outer one catches the end
  }
  t_worker = WorkerState();
  t_worker.running = true;
  long result;
  try {
    result = work();
  } catch (const VeltThreadExit& ended) {
    result = ended.result;
  }
  t_worker.running = false;
  return result;
}
