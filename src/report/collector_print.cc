// Printing one configuration's summary block into summary.txt: the heading
// and main information (first block only), the configuration's title, the
// included files, the omitted files and the notes, in fixed columns.
#include <vector>

#include "platform/SystemError.h"
#include "report/SummaryLayout.h"
#include "report/SummaryWriter.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/TextEncoding.h"
#include "velt/report/collector.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

using velt::report::SummaryTable;
using velt::report::SummaryWriter;

namespace {

std::wstring AttributeText(const VeltComponent* node, const std::wstring& name) {
  const Attribute* a = node->FindAttrib(name);
  return a != nullptr ? a->getValue() : std::wstring();
}

// A note as printed: its own continuation lines stay, indented under the
// note; anything a name could smuggle in is kept on those lines.
std::wstring NoteText(const std::wstring& note) {
  const std::wstring indent(9, L' ');
  std::wstring text;
  size_t start = 0;
  while (true) {
    const size_t end = note.find(L'\n', start);
    std::wstring line = SummaryWriter::OneLine(note.substr(start, end - start));
    if (start > 0) {
      text += L"\n";
      if (line.compare(0, indent.size(), indent) != 0) text += indent;
    }
    text += line;
    if (end == std::wstring::npos) return text;
    start = end + 1;
  }
}

}  // namespace

long collector::printSummary(XMLObject* pXMLObjectConfig) {
  if (pXMLObjectConfig == nullptr) {
    VELT_LOG_MESSAGE('E', "pXMLObjectConfig is NULL");
    return VELTENGINE_ERROR_BAD_PARAMETER;
  }
  VeltComponent* root = m_pXMLSummary != nullptr ? m_pXMLSummary->GetRoot() : nullptr;
  if (root == nullptr) {
    VELT_LOG_MESSAGE('E', "m_pXMLSummary->GetRoot() is NULL");
    return VELTENGINE_ERROR_NULL_XML_ROOT;
  }

  SummaryWriter out;
  if (!out.Open(m_summaryPath, SummaryWriter::Mode::Append)) {
    // One entry, with the system's reason after the path.
    const int error = out.error();
    VELT_LOG_MESSAGE('E', "fopen failed to open file \"%s\": %s",
                     velt::Narrow(m_summaryPath).c_str(),
                     velt::platform::SystemErrorText(static_cast<unsigned long>(error)).c_str());
    return VELTENGINE_ERROR_FILE_OPEN_FAILURE;
  }

  // Each row is printed over as many lines as its widest-wrapping column
  // needs; at least one line, even for an empty row.
  auto printRow = [&out](SummaryTable table, std::vector<std::wstring> texts) {
    const std::vector<size_t>& widths = velt::report::ColumnWidths(table);
    for (std::wstring& text : texts) text = SummaryWriter::OneLine(text);
    bool more = true;
    while (more) {
      std::vector<std::wstring> pieces;
      more = false;
      for (size_t i = 0; i < widths.size(); ++i) {
        pieces.push_back(smartWordWrap(texts[i], static_cast<unsigned>(widths[i])));
        if (!texts[i].empty()) more = true;
      }
      out.Write(velt::report::TableLine(table, pieces));
    }
  };
  VeltComponent* mainInfo = m_pXMLSummary->FindChild(root, L"Main_Info");
  VeltComponent* included = m_pXMLSummary->FindChild(root, L"Manifest_Included");
  VeltComponent* omitted = m_pXMLSummary->FindChild(root, L"Manifest_Not_Included");
  VeltComponent* notes = m_pXMLSummary->FindChild(root, L"Other_Note");

  if (m_firstSummary) {
    out.Write(root->GetVal() + L"\n");
    if (mainInfo != nullptr) {
      for (const VeltComponent* pair : mainInfo->GetChildren()) {
        out.Write(
            velt::report::MainInfoLine(pair->GetType(), SummaryWriter::OneLine(pair->GetVal())));
      }
    }
  }
  out.Write(velt::report::BlockRule());

  VeltComponent* title = pXMLObjectConfig->FindChild(L"configure", L"title");
  out.Write(SummaryWriter::OneLine(title != nullptr ? title->GetVal() : std::wstring()) +
            L":\n\n");

  out.Write(velt::report::TableHead(SummaryTable::kIncluded));
  if (included != nullptr) {
    for (const VeltComponent* file : included->GetChildren()) {
      printRow(SummaryTable::kIncluded,
               {file->GetType(), file->GetVal(), AttributeText(file, L"description"),
                AttributeText(file, L"file_size")});
    }
  }
  out.Write(velt::report::TableRule(SummaryTable::kIncluded));

  if (omitted != nullptr && !omitted->GetChildren().empty()) {
    out.Write(L"\n\n" + velt::report::TableHead(SummaryTable::kOmitted));
    for (const VeltComponent* file : omitted->GetChildren()) {
      printRow(SummaryTable::kOmitted,
               {file->GetType(), file->GetVal(), AttributeText(file, L"description"),
                AttributeText(file, L"reason")});
    }
    out.Write(velt::report::TableRule(SummaryTable::kOmitted));
  }

  if (notes != nullptr && !notes->GetChildren().empty()) {
    out.Write(L"\n\nNotes:\n");
    for (const VeltComponent* note : notes->GetChildren()) {
      out.Write(note->GetType() + NoteText(note->GetVal()) + L"\n");
    }
  }

  if (!out.Close()) {
    const int error = out.error();
    VELT_LOG_CODE('E', "fwrite", error, "failed to write \"%s\"",
                  velt::Narrow(m_summaryPath).c_str());
    return VELTENGINE_ERROR_WRITE_FAILURE;
  }
  return 0;
}
