// Shared pieces of the report tests: the rows of summary trees and file
// records.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "support/TestPlatform.h"
#include "velt/actions/ActionAttributes.h"
#include "velt/model/XMLObject.h"

namespace velt {
namespace test {

// One child of a summary section, with the values of its attributes in
// order, e.g. {"ID", "name.log", "desc", "70 bytes"}.
inline std::vector<std::vector<std::wstring>> SectionRows(XMLObject& summary,
                                                          const std::wstring& section) {
  std::vector<std::vector<std::wstring>> rows;
  VeltComponent* node = summary.FindChild(summary.GetRoot(), section);
  if (node == nullptr) return rows;
  for (VeltComponent* child : node->GetChildren()) {
    std::vector<std::wstring> row{child->GetType(), child->GetVal()};
    for (Attribute* a : child->GetAtt()) row.push_back(a->getValue());
    rows.push_back(row);
  }
  return rows;
}

inline std::vector<std::wstring> Notes(XMLObject& summary) {
  std::vector<std::wstring> notes;
  for (const auto& row : SectionRows(summary, L"Other_Note")) notes.push_back(row[1]);
  return notes;
}

inline truncAttributes FileRecord(const std::wstring& id, const std::wstring& path, double size,
                                  TruncType type = TRUNC_NO, double budget = 0.0,
                                  TruncType applied = TRUNC_NO) {
  truncAttributes r;
  r.fileID = id;
  r.path = path;  // written with '/', used with the system's separator
  std::replace(r.path.begin(), r.path.end(), L'/', velt::kPathSeparator);
  r.description = L"desc of " + id;
  r.size = size;
  r.truncType = type;
  r.truncRatio = budget;
  r.appliedTrunc = applied;
  return r;
}

}  // namespace test
}  // namespace velt
