// What a clear run deletes and runs, entry by entry in the order the run
// does it, worked out before anything is done. The clear pass records into
// it instead of acting (collector::Clear with VeltClearLogsAction), a front
// end may show it, and the run carries it out as it stands: it deletes
// exactly the entries listed, identified by device and inode inside the
// folders opened for the plan (kept open for as long as the plan lives),
// and runs exactly the commands listed. What changed meanwhile is skipped
// and reported, never deleted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WalkedFolder.h"
#include "velt/actions/ActionAttributes.h"

namespace velt {

// One file or link to delete.
struct ClearDeletion {
  std::string name;  // in the step's folder
  uint64_t device = 0;
  uint64_t inode = 0;
  std::wstring path;        // folder and name, as shown
  std::wstring linkTarget;  // a link's own text (the link goes, not its target)
};

// One action instance that applies in a clear run: a location of a file
// action, or a clearing command.
struct ClearStep {
  bool isCommand = false;
  // A location: its translated pattern, the folder it names (opened by the
  // safe walk) and the entries to delete there, or why the folder was not
  // opened.
  std::wstring pattern;
  std::shared_ptr<platform::WalkedFolder> folder;
  std::vector<ClearDeletion> deletions;
  std::wstring refused;
  // A command: the program's folder and the command line as written.
  std::wstring programFolder;
  std::wstring command;
};

// One entry of a configuration that the clear pass acts on.
struct ClearEntry {
  std::wstring configTitle;
  ACTION_ATTRIBUTES attributes;  // file ID, description, progress share
  unsigned percent = 0;          // of the entry's status line
  std::vector<ClearStep> steps;
};

// A planned deletion the run did not make, and why.
struct ClearSkipped {
  std::wstring path;
  std::wstring reason;
};

class ClearPlan {
 public:
  // The clear pass records each configuration, each entry and the steps
  // of the entry begun last.
  void BeginConfiguration(const std::wstring& title) { m_configTitle = title; }
  void BeginEntry(const ACTION_ATTRIBUTES& attributes, unsigned percent);
  void AddStep(ClearStep step);

  const std::vector<ClearEntry>& entries() const { return m_entries; }

  // The run: each entry's status line ("Clearing <description>..."), a
  // short pause so that it can be read, then its steps in order. Planned
  // deletions that were not made are added to skipped().
  void CarryOut();
  const std::vector<ClearSkipped>& skipped() const { return m_skipped; }

 private:
  std::wstring m_configTitle;
  std::vector<ClearEntry> m_entries;
  std::vector<ClearSkipped> m_skipped;
};

}  // namespace velt
