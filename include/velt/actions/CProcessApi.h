// Launching programs detached and watching them by process id. The object
// keeps every process it launched in its list until it is destroyed, so a
// process that has ended is still found by IsRunning and Terminate.
#pragma once

#include <cstdint>
#include <list>
#include <vector>

#include "velt/VeltExport.h"
#include "velt/platform/VeltEvent.h"

class VELT_API CProcessApi {
 public:
  // Launch options. The engine sets only `programFolder`; the rest keep the
  // values below, which launch a hidden, detached child.
  struct ProcessAttributes {
    bool launchAsLoggedInUser = false;
    bool showWindow = false;
    const wchar_t* programFolder = nullptr;  // null: the program is used as given
    const wchar_t* currentDirectory = nullptr;
    const wchar_t* desktopName = nullptr;
    uint32_t creationFlags = 0;
    bool loadUserProfile = true;
    bool verifyFileSignature = false;
    bool reserved = true;
    bool inheritHandles = false;
    bool startSuspended = false;
    bool noDesktop = false;
    void* userToken = nullptr;
    uint16_t showWindowCommand = 0;
    uint32_t processId = 0;  // out: the id of the launched process
  };

  explicit CProcessApi(bool startSuspended = false);
  // Releases every entry. Nothing is terminated; a child still running is
  // collected in the background once it ends.
  virtual ~CProcessApi();
  CProcessApi(const CProcessApi&) = delete;
  CProcessApi& operator=(const CProcessApi&) = delete;

  // Runs the program (args[0], inside the attributes' folder) with the
  // further entries as its arguments. 0 and the id in `attributes`, or a
  // PROCESS_API_* code.
  virtual long Launch(ProcessAttributes& attributes, const std::vector<const wchar_t*>& args);
  // The same with the program and its arguments as parameters, ended by a
  // null pointer.
  virtual long Launch(ProcessAttributes& attributes, const wchar_t* program, ...);

  // 0 when the process has ended (exit code set), PROCESS_API_ERROR_WAIT_TIMEOUT
  // when it still runs after `timeoutMs`, PROCESS_API_ERROR_WAIT_INTERRUPTED
  // when `abortEvent` was signalled first, or another code. Without
  // `noMessagePump` the wait also ends, as a time-out, as soon as the front
  // end signals its exit event, so the caller's ExitCheck sees it at once.
  long WaitForProcess(uint32_t processId, unsigned& exitCode, VeltEvent* abortEvent,
                      bool noMessagePump, unsigned timeoutMs);
  // 0 while the process runs, PROCESS_API_ERROR_NOTRUNNING once it ended.
  long IsRunning(uint32_t processId);
  // Ends the process and everything it started. The entry stays listed.
  long Terminate(uint32_t processId);

  // The PROCESS_API_* code of a system error number.
  static long GetStatusCode(unsigned long error);

 private:
  struct ProcessEntry;
  ProcessEntry* FindProcess(uint32_t processId);
  // Finds the entry and asks whether its child still runs; 0, or the
  // code of the failure, logged in the name of `reporter` (the public
  // operation asking).
  long PollProcess(const char* reporter, uint32_t processId, ProcessEntry*& entry, bool& running);

  std::list<ProcessEntry*> m_processList;  // owned
  bool m_startSuspended;
};
