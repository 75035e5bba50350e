// The meeting point of the engine and its front end: the window that
// receives progress and result messages, the front end's options, the shared
// progress record and the exit event. All members are static.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "velt/VeltExport.h"
#include "velt/platform/VeltEvent.h"
#include "velt/platform/VeltWindow.h"

struct VELT_CLI_OPTIONS {
  bool consoleMode = false;   // print status lines instead of posting messages
  bool skipMSInfo32 = false;  // skip external actions that would run MSInfo32.exe
};

struct PROGRESSSTATUS {
  uint32_t percent = 0;  // last non-zero percentage posted
  std::wstring status;   // last non-empty status line posted
};

constexpr unsigned WM_VELT_PROGRESS = 0x8105;  // wParam: address of the PROGRESSSTATUS
constexpr unsigned WM_VELT_RESULT = 0x8106;    // wParam: the run's result code

class VELT_API VeltThread {
 public:
  static void SetMainThreadHandle(WindowHandle window);
  static WindowHandle GetMainThreadHandle();
  static void SetVeltCLIOptions(VELT_CLI_OPTIONS options);
  static const VELT_CLI_OPTIONS& GetVeltCLIOptions();
  static PROGRESSSTATUS* GetProgressStatus();

  // Window mode: opens the front end's "ExitVeltEvent" (null when it does not
  // exist). Console mode: nothing.
  static void OpenExitEvent();
  // Window mode: when the exit event is signalled, ends the calling worker
  // (see RunWorker); otherwise returns at once.
  static void ExitCheck();
  // Window mode: ends the calling worker at once. Console mode: returns.
  static void Exit();
  // True when the front end has asked the run to stop (window mode, exit
  // event signalled). Never ends the worker: long loops that cannot unwind
  // (a zip in progress, a child being read) ask this, stop their work and
  // return, and the run's next ExitCheck ends it.
  static bool StopRequested();

  // A progress line (code VELTOFFLINE_ERROR_PROCESSING) or a run's result.
  static void PostStatus(unsigned percent, const std::wstring& text, long code);

  // The front end's side of the record's guard: a consistent copy of the
  // percentage and the status line.
  static PROGRESSSTATUS CopyProgressStatus();

  // Runs `work` as a worker. When Exit or a successful ExitCheck ends the
  // worker, everything it had on its stack is released and RunWorker returns
  // the last result it posted (VELTENGINE_ERROR_ACTION_CANCELED_BY_USER if
  // it posted none); otherwise it returns what `work` returned. Called
  // inside a worker, it only runs `work`.
  static long RunWorker(const std::function<long()>& work);

  static EventHandle m_ExitVeltEvent;

 private:
  static WindowHandle sm_mainThreadHandle;
  static VELT_CLI_OPTIONS sm_veltCLIOptions;
  static PROGRESSSTATUS m_pProgressStatus;
};
