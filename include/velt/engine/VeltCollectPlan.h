// What a collect run would gather, worked out before anything is collected
// by the collect run's own passes and searches (VeltEngine::planCollect),
// for a front end to show as an estimate: per entry the files its
// locations match now, with their sizes, and the commands it would run;
// and what the summary would list as omitted, and its notes. A command's
// output is known only once it has run, so it counts as size 0.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "velt/VeltExport.h"

namespace velt {
class CollectPlan;
}  // namespace velt

class VELT_API VeltCollectPlan {
 public:
  struct Step {
    bool isCommand = false;
    std::wstring source;      // the file, or the command line as it would run
    std::wstring bundleName;  // its name in the bundle; empty for a command that keeps nothing
    uint64_t size = 0;        // a file's size now
  };
  struct Entry {
    std::wstring configTitle;
    std::wstring fileID;
    std::wstring description;
    std::vector<Step> steps;
  };
  // An omission (with the file ID) or a note (without), as the summary
  // would have it.
  struct Remark {
    std::wstring configTitle;
    std::wstring fileID;
    std::wstring text;
  };

  VeltCollectPlan();
  ~VeltCollectPlan();
  VeltCollectPlan(const VeltCollectPlan& other);
  VeltCollectPlan& operator=(const VeltCollectPlan& other);

  std::vector<Entry> entries() const;
  std::vector<Remark> remarks() const;
  // The entries a run leaves out beyond the configurations' own choice
  // (the system's logs not included, excluded IDs), each with the note the
  // summary gives it (also among remarks()).
  std::vector<Remark> leftOut() const;
  // The files' sizes added up.
  uint64_t fileBytes() const;

 private:
  friend class VeltEngine;
  std::shared_ptr<velt::CollectPlan> m_plan;
};
