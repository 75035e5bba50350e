#include "EngineRun.h"

#include <chrono>
#include <cstdint>
#include <thread>

#include "CommandLine.h"
#include "SecretInput.h"
#include "velt/control/VeltThread.h"
#include "velt/platform/StopSignals.h"
#include "velt/platform/VeltEvent.h"
#include "velt/platform/VeltWindow.h"

namespace velt {
namespace cli {
namespace {

// velt's own messages on the window, beside the engine's two.
constexpr unsigned kStopping = 0x8401;     // wParam: the signal number
constexpr unsigned kWorkerEnded = 0x8402;  // the worker has returned

// The exit event exists for the run's life: created under the name the
// engine opens, closed again when the run is over.
class ExitEvent {
 public:
  ExitEvent() : m_event(VeltEvent::Create(L"ExitVeltEvent", true, false)) {
    VeltThread::OpenExitEvent();
  }
  ~ExitEvent() { VeltEvent::Close(m_event); }
  ExitEvent(const ExitEvent&) = delete;
  ExitEvent& operator=(const ExitEvent&) = delete;
  void Set() { m_event->Set(); }

 private:
  VeltEvent* m_event;
};

}  // namespace

RunOutcome RunEngine(EngineRequest& request, ProgressDisplay& display) {
  VELT_CLI_OPTIONS options;
  options.consoleMode = false;
  options.skipMSInfo32 = request.skipMSInfo32;
  VeltThread::SetVeltCLIOptions(options);
  VeltWindow window;
  VeltThread::SetMainThreadHandle(&window);
  ExitEvent exitEvent;
  RunOutcome outcome;
  {
    platform::StopSignals signals([&](int signalNumber) {
      exitEvent.Set();
      window.Post(kStopping, static_cast<uintptr_t>(signalNumber), 0);
    });
    const auto started = std::chrono::steady_clock::now();
    auto elapsed = [&started] {
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    long result = 0;
    std::thread worker([&request, &result, &window, &outcome] {
      {
        VeltEngine engine(request.requestPath, request.installFolder, request.bundlePath,
                          request.password, request.clearMode, request.includeSystemLogs);
        WipeSecret(request.password);
        engine.setExtras(request.extras);
        if (request.clearPlan != nullptr) engine.setClearPlan(*request.clearPlan);
        result = engine.start();
        outcome.report = engine.report();
      }
      window.Post(kWorkerEnded, 0, 0);
    });
    for (bool running = true; running;) {
      WindowMessage message;
      bool outputOpen = true;
      if (!window.Get(message, 1000)) {
        outputOpen = display.Tick(elapsed());
      } else if (message.message == WM_VELT_PROGRESS) {
        outputOpen = display.Progress(VeltThread::CopyProgressStatus(), elapsed());
      } else if (message.message == WM_VELT_RESULT &&
                 static_cast<int32_t>(message.wParam) != 0) {
        outcome.message = VeltThread::CopyProgressStatus().status;
      } else if (message.message == kStopping) {
        display.Stopping(static_cast<int>(message.wParam));
      } else if (message.message == kWorkerEnded) {
        running = false;
      }
      // Nobody reads what velt prints any more: stop as the signal would.
      if (!outputOpen && signals.RecordOutputClosed()) {
        exitEvent.Set();
      }
    }
    worker.join();
    outcome.result = result;
    // A signal that came after the run had finished stopped nothing.
    outcome.signal = result != 0 ? signals.received() : 0;
  }
  VeltThread::SetMainThreadHandle(nullptr);
  return outcome;
}

int ExitStatus(const RunOutcome& outcome) {
  if (outcome.signal != 0) {
    return 128 + outcome.signal;
  }
  return outcome.result != 0 ? kExitRunFailed : kExitSuccess;
}

}  // namespace cli
}  // namespace velt
