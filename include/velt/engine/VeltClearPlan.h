// What a clear run deletes and runs, worked out before anything is done by
// the clear run's own code (VeltEngine::planClear), for a front end to
// show, and carried out as it stands by the clear run it is handed to
// (VeltEngine::setClearPlan). That run deletes exactly the entries listed,
// from the folders opened for the plan, and runs exactly the commands
// listed; an entry that changed meanwhile (gone, another file at its
// name, its folder moved or swapped for a link) is not deleted but listed
// in skipped(). Copies of a plan share it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "velt/VeltExport.h"

namespace velt {
class ClearPlan;
}  // namespace velt

class VELT_API VeltClearPlan {
 public:
  // One file or link to delete.
  struct Deletion {
    std::wstring path;
    std::wstring linkTarget;  // a link's own text: the link goes, never its target
  };
  // One action of an entry, in the order the run does them: a location of
  // a file action, or a command.
  struct Step {
    bool isCommand = false;
    std::wstring pattern;  // a location: its path and name pattern as translated
    std::vector<Deletion> deletions;
    std::wstring refused;  // why the location's folder was not opened (nothing goes there)
    std::wstring command;  // a command: the line as written, which is how it runs
  };
  // One entry the run acts on; without steps it only shows its status line.
  struct Entry {
    std::wstring configTitle;
    std::wstring fileID;
    std::wstring description;
    std::vector<Step> steps;
  };
  // A planned deletion the run did not make.
  struct Skipped {
    std::wstring path;
    std::wstring reason;
  };

  VeltClearPlan();
  ~VeltClearPlan();
  VeltClearPlan(const VeltClearPlan& other);
  VeltClearPlan& operator=(const VeltClearPlan& other);

  std::vector<Entry> entries() const;
  // After the run: what it did not delete, and why.
  std::vector<Skipped> skipped() const;

 private:
  friend class VeltEngine;
  std::shared_ptr<velt::ClearPlan> m_plan;
};
