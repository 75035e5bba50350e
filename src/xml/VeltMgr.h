// Loads every configuration file of one folder: each "*.xml" entry is
// parsed into its own tree, handed to the caller in listing order; files
// that fail are remembered, never fatal.
#pragma once

#include <list>
#include <string>

#include "velt/model/XMLObject.h"

class VeltMgr {
 public:
  // Does the whole work: appends one new tree (owned by the caller) per file
  // that parsed to `out`, never clearing it.
  VeltMgr(std::list<XMLObject*>& out, const std::wstring& folder);
  virtual ~VeltMgr();

  // Full paths of the files that failed, in load order.
  std::list<std::wstring> failedFiles() const;
  // One code per file tried, in load order: 0 or the reader's code.
  std::list<long> successCodes() const;

 private:
  std::list<std::wstring> getFileList(const std::wstring& folder);
  // Takes `name` when its first ".xml" ends the name (case-sensitive).
  void addFile(std::list<std::wstring>& files, const std::wstring& folder,
               const std::wstring& name);
  void loadFile(const std::wstring& path, std::list<XMLObject*>& out);

  std::list<long> m_successCodes;
  std::list<std::wstring> m_failedFiles;
};
