// What a collect run would gather, worked out by the run's own passes and
// actions without collecting anything: for each entry the files its
// locations match now (with their sizes) and the commands it would run,
// and for each configuration what its summary would list as omitted and
// its notes. The collector and the collect actions record into it when the
// run's controls carry one (CollectControls::plan).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velt {

// One file a location matches, or one command.
struct CollectStep {
  bool isCommand = false;
  std::wstring source;      // the file's path, or the command line as it would run
  std::wstring bundleName;  // the name it would have in the bundle (empty: none)
  uint64_t size = 0;        // a file's size now; a command's output is not known
};

struct CollectEntry {
  std::wstring configTitle;
  std::wstring fileID;
  std::wstring description;
  std::vector<CollectStep> steps;
};

// What a configuration's summary block would list besides its files.
struct CollectRemark {
  std::wstring configTitle;
  std::wstring fileID;  // empty for a note
  std::wstring text;    // the reason omitted, or the note
};

class CollectPlan {
 public:
  void BeginConfiguration(const std::wstring& title) { m_configTitle = title; }
  void BeginEntry(const std::wstring& fileID, const std::wstring& description);
  void AddStep(CollectStep step);
  void AddRemark(const std::wstring& fileID, const std::wstring& text);
  // A default entry the pass leaves out beyond the configuration's own
  // choice (system logs not included, an excluded ID), with its note.
  void AddLeftOut(const std::wstring& fileID, const std::wstring& note);

  const std::vector<CollectEntry>& entries() const { return m_entries; }
  const std::vector<CollectRemark>& remarks() const { return m_remarks; }
  const std::vector<CollectRemark>& leftOut() const { return m_leftOut; }

 private:
  std::wstring m_configTitle;
  std::vector<CollectEntry> m_entries;
  std::vector<CollectRemark> m_remarks;
  std::vector<CollectRemark> m_leftOut;
};

}  // namespace velt
