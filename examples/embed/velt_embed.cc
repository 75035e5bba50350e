// Embeds the engine the way a front end does: one collect run, its progress
// and its result shown as they come.
//
//   velt_embed [--console] INSTALL_FOLDER BUNDLE
//
// INSTALL_FOLDER holds xml/config/ with the configurations (an installed
// engine's is <prefix>/etc/velt, /etc/velt for the prefix /usr). Without
// --console the program acts as a window front end: the run goes on a
// worker thread, status reaches the program through its window queue, and
// Ctrl-C asks the run to stop through the exit event. With --console the
// engine prints its own status lines.
#include <velt/control/VeltThread.h>
#include <velt/engine/VeltEngine.h>
#include <velt/platform/TextEncoding.h>
#include <velt/runtime/CAppLog.h>
#include <velt/runtime/CFileLogger.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

namespace {

volatile std::sig_atomic_t g_stopAsked = 0;
void AskToStop(int) { g_stopAsked = 1; }

// Window mode: the run posts to `window` and watches "ExitVeltEvent".
long RunAsWindowFrontEnd(VeltEngine& engine) {
  VeltWindow window;
  VeltThread::SetMainThreadHandle(&window);
  VeltEvent* exitEvent = VeltEvent::Create(L"ExitVeltEvent", true, false);
  VeltThread::OpenExitEvent();  // the engine's side of the same event
  std::signal(SIGINT, AskToStop);

  std::atomic<bool> finished{false};
  long result = 0;
  std::thread worker([&] {
    result = engine.start();
    finished = true;
  });
  unsigned shown = 0;
  while (!finished) {
    if (g_stopAsked) {
      exitEvent->Set();
    }
    WindowMessage message;
    if (window.Get(message, 100) && message.message == WM_VELT_PROGRESS) {
      // The record is shared with the run: read a consistent copy.
      const PROGRESSSTATUS status = VeltThread::CopyProgressStatus();
      shown = status.percent > shown ? status.percent : shown;  // never backwards
      std::printf("%3u%% %s\n", shown, velt::Narrow(status.status).c_str());
    }
  }
  worker.join();
  VeltEvent::Close(exitEvent);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const bool console = argc == 4 && std::string(argv[1]) == "--console";
  if (argc != 3 && !console) {
    std::fprintf(stderr, "usage: velt_embed [--console] INSTALL_FOLDER BUNDLE\n");
    return 2;
  }
  const std::string installFolder = argv[argc - 2], bundle = argv[argc - 1];

  // One application log for the process, before any engine object.
  long logResult = 0;
  CAppLog log(logResult, "velt-embed", new CFileLogger(bundle + ".log"));
  VELT_CLI_OPTIONS options;
  options.consoleMode = console;
  VeltThread::SetVeltCLIOptions(options);

  // No request file: a default run. No zip password; collect, not clear.
  VeltEngine engine(L"", velt::Widen(installFolder + "/"), velt::Widen(bundle), L"", false, false);
  const long result = console ? engine.start() : RunAsWindowFrontEnd(engine);
  if (result != 0) {
    std::fprintf(stderr, "collect run failed: 0x%08lX %s\n", static_cast<unsigned long>(result),
                 CAppLog::DescribeCode(static_cast<unsigned long>(result)).c_str());
    return 1;
  }
  std::printf("Bundle: %s\n", velt::Narrow(engine.bundlePath()).c_str());
  return 0;
}
