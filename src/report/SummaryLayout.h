// The fixed layout of a configuration's block in summary.txt: the label
// column of the main information, the rule above each block, and the two
// tables of included and omitted files with their headings, columns and
// rules. Text with "\n" line ends, as SummaryWriter writes it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velt {
namespace report {

enum class SummaryTable { kIncluded, kOmitted };

// One line of the main information: `label` in the label column, then
// `value`.
std::wstring MainInfoLine(const std::wstring& label, const std::wstring& value);

// The blank line and the rule above a block, before its title.
std::wstring BlockRule();

// The table's heading ("Files Included in Bundle:"), its column headings
// and the rule under them.
std::wstring TableHead(SummaryTable table);

// The widths of the table's four columns.
const std::vector<size_t>& ColumnWidths(SummaryTable table);

// One printed line of the table: each of the four texts padded and cut to
// its column, two blanks between them.
std::wstring TableLine(SummaryTable table, const std::vector<std::wstring>& texts);

// The rule that closes the table.
std::wstring TableRule(SummaryTable table);

}  // namespace report
}  // namespace velt
