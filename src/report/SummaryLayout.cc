#include "report/SummaryLayout.h"

#include "report/SummaryWriter.h"

namespace velt {
namespace report {
namespace {

constexpr size_t kMainInfoLabelWidth = 30;
constexpr size_t kBlockRule = 141;  // '=' above each block

struct TableShape {
  const wchar_t* heading;
  std::vector<const wchar_t*> columnHeadings;
  std::vector<size_t> widths;
  size_t rule;  // '-' around the rows
};

const TableShape& Shape(SummaryTable table) {
  static const TableShape kIncluded{L"Files Included in Bundle:",
                                   {L"ID", L"Filename", L"Description", L"File Size"},
                                   {17, 28, 40, 10},
                                   101};
  static const TableShape kOmitted{L"Files Omitted from Bundle:",
                                  {L"ID", L"Filename", L"Description", L"Reason Omitted"},
                                  {17, 28, 40, 50},
                                  141};
  return table == SummaryTable::kIncluded ? kIncluded : kOmitted;
}

}  // namespace

std::wstring MainInfoLine(const std::wstring& label, const std::wstring& value) {
  return SummaryWriter::Column(label, kMainInfoLabelWidth) + value + L"\n";
}

std::wstring BlockRule() { return L"\n" + SummaryWriter::Rule(L'=', kBlockRule) + L"\n"; }

std::wstring TableHead(SummaryTable table) {
  const TableShape& shape = Shape(table);
  return shape.heading + std::wstring(L"\n") +
         TableLine(table, std::vector<std::wstring>(shape.columnHeadings.begin(),
                                                    shape.columnHeadings.end())) +
         TableRule(table);
}

const std::vector<size_t>& ColumnWidths(SummaryTable table) { return Shape(table).widths; }

std::wstring TableLine(SummaryTable table, const std::vector<std::wstring>& texts) {
  const std::vector<size_t>& widths = ColumnWidths(table);
  std::wstring line;
  for (size_t i = 0; i < widths.size(); ++i) {
    if (i > 0) line += L"  ";
    line += SummaryWriter::Column(i < texts.size() ? texts[i] : std::wstring(), widths[i]);
  }
  return line + L"\n";
}

std::wstring TableRule(SummaryTable table) {
  return SummaryWriter::Rule(L'-', Shape(table).rule) + L"\n";
}

}  // namespace report
}  // namespace velt
