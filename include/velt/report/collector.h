// collector: runs the entries of one configuration file. In a collect run it
// picks the entries (those the request names, or the configuration's
// defaults), selects each entry's branch for the running operating system,
// hands it to a collect action and appends the configuration's block to the
// bundle summary; in a clear run it hands every default entry to a clear
// action. The engine creates one collector per run and calls Collect or
// Clear once per configuration, in its own order.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <set>
#include <string>
#include <vector>

#include "velt/VeltExport.h"
#include "velt/actions/ActionAttributes.h"

class VeltComponent;
class XMLObject;
namespace velt {
class ClearPlan;
class CollectControls;
}

class VELT_API collector {
 public:
  // `request` is borrowed (a request without root means default mode);
  // `unprocessed` is the engine's list of requested entries that no
  // configuration has served yet; `uiPercentShare` is the progress granted to
  // each configuration; `bundlePath` is shown in the summary's main
  // information.
  collector(XMLObject* request, std::list<VeltComponent*>& unprocessed, unsigned uiPercentShare,
            std::wstring& bundlePath, bool includeSystemLogs);
  ~collector();
  collector(const collector&) = delete;
  collector& operator=(const collector&) = delete;

  // Collect mode for one configuration. `destFolder` receives the
  // configuration's files; when empty it is set to the default bundle
  // folder. Returns 0 or a result code.
  long Collect(std::wstring& destFolder, XMLObject* pXMLObjectConfig, unsigned startPercent);
  // Clear mode for one configuration: 0, or VELTENGINE_ERROR_BAD_PARAMETER
  // for a null configuration. With a clear plan set, the pass only records
  // what it would do into the plan; otherwise it plans and carries out.
  long Clear(XMLObject* pXMLObjectConfig, unsigned startPercent);
  void setClearPlan(velt::ClearPlan* plan) { m_pClearPlan = plan; }
  // The summary file every configuration's block is appended to; empty until
  // the first block (or the request's "summary" entry) sets it.
  std::wstring GetSummaryPath();

  // A default run writes comments.txt with this text too (empty: no file).
  void setDefaultComment(const std::wstring& comment) { m_defaultComment = comment; }
  // The names of the bundle's top-level folders, which the report files'
  // names may not take.
  void setReservedNames(std::vector<std::wstring> names) { m_reservedNames = std::move(names); }
  // Called once for every file placed in the bundle before the summary
  // lists it with its size; it may rewrite the file in place (the engine's
  // masking). A non-empty result is why the file must not be shipped: it is
  // deleted and listed as omitted with that reason.
  using FileFilter = std::function<std::wstring(const std::wstring& path)>;
  void setFileFilter(FileFilter filter) { m_fileFilter = std::move(filter); }
  // Called with each configuration, its summary tree and the files its
  // block lists (as the filter and the budget left them) once the block is
  // in summary.txt (the engine counts what was left out, and why, and
  // lists the files in the bundle's manifest).
  using SummaryObserver = std::function<void(XMLObject& config, XMLObject& summary,
                                             const std::list<truncAttributes>& listed)>;
  void setSummaryObserver(SummaryObserver observer) { m_summaryObserver = std::move(observer); }
  // True for the report files' own default names ("summary.txt",
  // "comments.txt"), compared as a case-insensitive file system would.
  static bool IsReportFileName(const std::wstring& name);

  // ---- extensions beyond the design (docs/engine.md) ----
  // The run's controls, handed to every action (borrowed; null: the
  // design's passes). With them a default pass also notes the system-log
  // IDs it leaves out, and with their plan a pass only records what it
  // would collect: no summary, no comments.
  void setControls(velt::CollectControls* controls) { m_pControls = controls; }
  // File IDs the passes leave out, each with a note.
  void setExcludedIds(std::set<std::wstring> ids) { m_excluded = std::move(ids); }
  // Shown in the main information as "Case ID:" when not empty.
  void setCaseId(const std::wstring& caseId) { m_caseId = caseId; }
  // A budget in bytes for what all blocks list together: every block is
  // held back until FinishBudget, which cuts the largest files through the
  // work file `workFile` (in the bundle folder, removed after each cut).
  // 0: no budget.
  void setBudget(uint64_t bytes, const std::wstring& workFile);
  // Cuts the largest files held back so that all fit the budget (their
  // newest part kept), then lists and prints the blocks held back, in
  // order. 0 or the first failure's code; `cut` and `dropped` say how many
  // files lost how many bytes.
  long FinishBudget(unsigned& cut, double& dropped);

 protected:
  // ---- entries of a configuration or request (collector_entries.cc) ----
  // The root's direct "file" children in document order / sorted by "id".
  std::list<VeltComponent*> getFileComponents(XMLObject& rXMLObject);
  std::list<VeltComponent*> getSortedFileComponents(XMLObject& rXMLObject);
  std::wstring getFileID(VeltComponent* pDC);
  bool isOfThisFileID(VeltComponent* pDC, const std::wstring& id);
  std::wstring getFileDescription(VeltComponent* pDC);
  std::wstring getDstname(VeltComponent* pDC);
  bool isDefault(VeltComponent* pDC);
  bool isSystemLogID(const std::wstring& id) const;
  void setUIPercentPortionForEachFile(size_t count);

  // ---- operating-system branch selection (collector_os.cc) ----
  bool isCorrectOS(const std::wstring& opsys);
  long moveReaderToVELT(VeltComponent* pDC);
  long moveReaderToCorrectOS(VeltComponent* pDC);

  // ---- the two passes (collector.cc) ----
  long collectDefaultEntries(XMLObject& config, ACTION_ATTRIBUTES& attrs, unsigned startPercent);
  long collectRequestedEntries(std::wstring& destFolder, XMLObject& config,
                               ACTION_ATTRIBUTES& attrs, unsigned startPercent);
  long doCollectAction(ACTION_ATTRIBUTES& attrs);
  long doClearAction(ACTION_ATTRIBUTES& attrs, velt::ClearPlan& plan);
  long removeFromUnprocessedList(VeltComponent* pDC);

  // ---- bundle summary and comments (collector_summary.cc) ----
  long initializeSummary();
  long fillInSummaryMainInfo();
  long writeComments(VeltComponent* pDCComments, const std::wstring& destFolder);
  std::string getComment();
  long writeSummary(const std::wstring& destFolder, XMLObject* pXMLObjectConfig);
  long printSummary(XMLObject* pXMLObjectConfig);
  // writeSummary's parts: the filter over the files listed, then the
  // listing (cutting what the budget marked), main information and print.
  void filterFiles();
  long listAndPrint(XMLObject* pXMLObjectConfig);
  // In a dry run: what the summary tree holds goes to the plan instead.
  void recordRemarks();
  // A dry run: the run's controls carry a plan.
  bool planning() const;
  // The note for an entry a pass leaves out beyond the design's cases.
  void noteLeftOut(const std::wstring& id, const std::wstring& why);
  std::wstring reportFilePath(const std::wstring& destFolder, const std::wstring& name) const;
  // The name a request gives a report file when it can only be a new file
  // at the top of the bundle folder, else `fallback` (with a summary note).
  std::wstring reportFileName(const std::wstring& requested, const std::wstring& fallback,
                              const std::wstring& what, const std::wstring& other);
  // Takes the next line of at most `width` characters off the front of
  // `text`, breaking at white space where it can (collector_wordwrap.cc).
  static std::wstring smartWordWrap(std::wstring& text, unsigned width);

  // Protected so that the summary and pass operations can be exercised
  // through a derived class.
  XMLObject* m_pXMLRequest;                 // borrowed
  XMLObject* m_pXMLSummary;                 // owned; the current configuration's summary
  std::list<VeltComponent*>& m_unprocessed;  // the engine's list
  std::list<truncAttributes> m_TruncAttrsList;
  unsigned m_uiPercentShare;
  unsigned m_uiPercentPortion;  // per entry of the current pass
  bool m_firstSummary;
  bool m_includeSystemLogs;
  std::wstring m_bundlePath;
  std::wstring m_summaryPath;
  VeltComponent* m_pReader;  // the chosen "os" branch of the entry in hand
  std::wstring m_defaultComment;
  std::vector<std::wstring> m_reservedNames;
  FileFilter m_fileFilter;
  SummaryObserver m_summaryObserver;
  std::set<std::wstring> m_filtered;  // files the filter has seen (once each)
  velt::ClearPlan* m_pClearPlan = nullptr;  // borrowed; null: Clear acts
  velt::CollectControls* m_pControls = nullptr;  // borrowed
  std::set<std::wstring> m_excluded;
  std::wstring m_caseId;
  uint64_t m_budget = 0;
  std::wstring m_budgetWorkFile;
  // Blocks held back for the budget: configuration, summary tree (owned),
  // files.
  struct HeldBlock {
    XMLObject* config;
    XMLObject* summary;
    std::list<truncAttributes> files;
  };
  std::vector<HeldBlock> m_held;
};
