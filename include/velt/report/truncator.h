// truncator: turns the list of files that actions placed in the bundle into
// entries of the summary tree, and can enforce a size budget per file ID on
// the way: keep or drop whole files greedily by size, or shrink every file
// of an ID in proportion to its size. It works on its own copy of the list.
#pragma once

#include <list>
#include <string>

#include "velt/VeltExport.h"
#include "velt/actions/ActionAttributes.h"

class XMLObject;

class VELT_API truncator {
 public:
  // Copies `files`; `pXMLSummary` is borrowed.
  truncator(std::list<truncAttributes>& files, XMLObject* pXMLSummary);
  truncator(const truncator& other) = default;
  truncator& operator=(const truncator& other) = default;
  virtual ~truncator();

  // Enforces each ID group's budget and lists every file kept (or dropped)
  // in the summary. 0, or VELTENGINE_ERROR_NOT_INITIALIZED for an empty
  // list.
  virtual long perform();
  // Lists every file in the summary, in list order; nothing is shortened or
  // deleted. Returns 0.
  virtual long justFillSummary();
  // An extension for a budget over the whole bundle: lists every file as
  // justFillSummary does, after cutting each record marked for it
  // (truncType TRUNC_DATA) on its own, not with its ID group, to truncRatio
  // bytes from the side appliedTrunc names (TRUNC_FRONT keeps the newest
  // part), through `workFile`. A cut file is listed with the size it has
  // then, and a note names it with both sizes followed by `why`. Returns 0.
  long fitToBudget(const std::wstring& workFile, const std::wstring& why);

 protected:
  // Shrinks every file of one data-truncated group in proportion to its
  // size so that the group fits its budget. Returns 0.
  virtual long DATATruncateAll(std::list<truncAttributes>& group, double groupTotal);
  virtual long fillSummaryFailedFileInternalErr(const truncAttributes& file);
  virtual long fillSummaryGoodFile(const truncAttributes& file);

 private:
  // One step of the group walk of perform for a record of the current group.
  void walkWholeFile(truncAttributes& file, double& total);
  void dropMismatchedScheme(const truncAttributes& file);
  void dropLostFile(const truncAttributes& file);
  void closeGroup(TruncType scheme, std::list<truncAttributes>& pending, double total);
  // Shortens one file to `kept` bytes from the side its appliedTrunc names
  // (the end for any other value, with a warning note); `workFile` empty:
  // the truncation's own work file.
  void cutFile(const truncAttributes& file, long kept, const std::wstring& workFile);
  void addNote(const std::wstring& note);

  bool m_note2;  // a proportional (data) truncation ran
  bool m_note1;  // a greedy whole-file decision was made
  std::list<truncAttributes> m_TruncAttrsList;
  XMLObject* m_pXMLSummary;  // borrowed
};
