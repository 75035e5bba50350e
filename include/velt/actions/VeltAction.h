// What one configuration entry does. The entry's branch element holds one
// element per action kind ("file_copy_action", "use_extern_action"); every
// child of a kind element is one action instance, performed by the
// subclass of the run: VeltCollectLogsAction or VeltClearLogsAction.
//
// An action lives for one entry: constructed, Perform called once,
// destroyed. It owns the launcher of its last external command, and its
// destructor ends that command if it still runs, so a run stopped in the
// middle of a command leaves no child behind.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "velt/VeltExport.h"
#include "velt/actions/ActionAttributes.h"

class CProcessApi;
class VeltComponent;
class XMLObject;

class VELT_API VeltAction {
 public:
  VeltAction(const ACTION_ATTRIBUTES& attributes, VeltComponent* actionComponent);
  // Terminates the last launched command (if any) and deletes the launcher.
  // Never throws.
  virtual ~VeltAction();
  VeltAction(const VeltAction&) = delete;
  VeltAction& operator=(const VeltAction&) = delete;

  // Runs every action instance of the entry in document order and appends
  // what they collected to `files`. A failing instance is logged and
  // skipped; the others still run.
  virtual void Perform(std::list<truncAttributes>& files);

  virtual long performFileAction(XMLObject& instance, std::list<truncAttributes>& out) = 0;
  virtual long performExternalAction(XMLObject& instance, std::list<truncAttributes>& out,
                                     std::list<std::wstring>& filesToDelete) = 0;

  // The parameters of one instance. 0, or the code of the first bad child.
  long parseFileActionAttributes(XMLObject& instance, FILE_ACTION_ATTRIBUTES& out);
  long parseExternalActionAttributes(XMLObject& instance, EXTERNAL_ACTION_ATTRIBUTES& out);
  // The folder that a "path", "plugin" or "regis" element names; empty for
  // anything else.
  std::wstring getPath(VeltComponent* pDC);

 protected:
  // Runs one command line ("program arguments") from `path`: captured into
  // `outputFile` when `captureStdout` is set and a file is named, else
  // launched detached and watched until it ends, with progress posted after
  // every wait slice. Both ways end the command's process group after 1200
  // seconds, or the run's own time limit
  // (VELTENGINE_ERROR_EXTERN_ACTION_TIMEOUT), and when the front end asks
  // the run to stop, which then ends the run. Output that cannot be written
  // whole is listed as omitted (VELTENGINE_ERROR_WRITE_FAILURE). 0 or a
  // result code; m_lastCommand says how the command ended.
  long callExtern(const std::wstring& path, const std::wstring& args, bool captureStdout,
                  const std::wstring& outputFile);

  // The program of a command line: its first word, or all of it.
  static std::wstring programOf(const std::wstring& args);
  // The time limit of each command: the run's controls', else 1200 s.
  int64_t timeLimitSeconds() const;

  // How the command of the last callExtern ended, for the run's controls
  // (the summary's command notes and manifest.json).
  struct CommandEnd {
    bool ended = false;       // by itself: `exitStatus` is its status
    unsigned exitStatus = 0;  // 128 + N when signal N ended it
    bool timedOut = false;    // ended at its time limit
    int64_t elapsedMs = 0;
  };
  CommandEnd m_lastCommand;

  CProcessApi* m_pProcessApi;  // owned; the launcher of the last command
  uint32_t m_processId;        // the last launched process; 0 when none
  VeltComponent* m_pActionComponent;  // borrowed
  ACTION_ATTRIBUTES m_attributes;

 private:
  // The two ways; neither logs, callExtern reports for both. runCaptured
  // gives the error of writing the output file in `fileError`.
  long runCaptured(const std::wstring& path, const std::wstring& args,
                   const std::wstring& outputFile, int& fileError, bool& created);
  // Lists a captured command's output that could not be written whole as
  // omitted (or cut) with the system's reason. Returns
  // VELTENGINE_ERROR_WRITE_FAILURE.
  long noteUnwrittenOutput(const std::wstring& program, const std::wstring& outputFile,
                           int fileError, bool created);
  long runLaunched(const std::wstring& path, const std::wstring& args);
  // Waits for the launched command with progress, stop checks and the
  // time-out (`elapsedSeconds` is the time it ran).
  long watchLaunched(const std::wstring& program, int64_t& elapsedSeconds);
};
