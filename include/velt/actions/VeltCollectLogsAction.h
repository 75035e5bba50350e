// The actions of a collect run: matching files are copied into the bundle
// folder, external commands run and their output is kept there. Every file
// placed in the bundle becomes a truncAttributes record; every file that
// could not be placed is noted in the bundle summary.
#pragma once

#include <list>
#include <string>

#include "velt/VeltExport.h"
#include "velt/actions/VeltAction.h"

class VELT_API VeltCollectLogsAction : public VeltAction {
 public:
  using VeltAction::VeltAction;

  long performFileAction(XMLObject& instance, std::list<truncAttributes>& out) override;
  long performExternalAction(XMLObject& instance, std::list<truncAttributes>& out,
                             std::list<std::wstring>& filesToDelete) override;

  // Copies the matches of `a.locPath` (only the newest with gatherNewest)
  // into the bundle. Non-zero only when the newest match cannot be found.
  long fullCopy(FILE_ACTION_ATTRIBUTES& a, std::list<truncAttributes>& out);
  // The reason text that follows the location of a failed copy: " File
  // not found", the file utilities' own reason for the calling thread's
  // last failure, or " Unexpected error occurred".
  static std::wstring describeCopyError(long rc);

 private:
  // The name a file gets in the bundle folder: `wanted` when it is a plain
  // file name (or the fallback itself), else `fallback`, with a summary
  // note saying which name was refused and why.
  std::wstring bundleName(const std::wstring& wanted, const std::wstring& fallback);
  void noteFailedFile(const std::wstring& name, const std::wstring& reason);
  void addRecord(const std::wstring& destination, std::list<truncAttributes>& out);
  // With the run's controls: a note when the last command did not end well
  // (a failure status, its time limit), so that its output is not taken
  // for data; `name` is its file in the bundle (empty: none).
  void noteCommandEnd(const std::wstring& name, const std::wstring& command);
  // addRecord, and the file's origin for the run's controls.
  void addCommandRecord(const std::wstring& destination, const std::wstring& command,
                        std::list<truncAttributes>& out);
};
