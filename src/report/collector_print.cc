// Printing one configuration's summary block into summary.txt: the heading
// and main information (first block only), the configuration's title, the
// included files, the omitted files and the notes, in fixed columns.
#include <vector>

#include "platform/SystemError.h"
#include "report/SummaryWriter.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/TextEncoding.h"
#include "velt/report/collector.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

using velt::report::SummaryWriter;

namespace {

constexpr size_t kMainInfoLabelWidth = 30;
constexpr size_t kBlockRule = 141;     // '=' above each block
constexpr size_t kIncludedRule = 101;  // '-' around the included files
constexpr size_t kOmittedRule = 141;   // '-' around the omitted files

struct ColumnSpec {
  const wchar_t* heading;
  size_t width;
};

const std::vector<ColumnSpec> kIncludedColumns = {
    {L"ID", 17}, {L"Filename", 28}, {L"Description", 40}, {L"File Size", 10}};
const std::vector<ColumnSpec> kOmittedColumns = {
    {L"ID", 17}, {L"Filename", 28}, {L"Description", 40}, {L"Reason Omitted", 50}};

// One line of four columns, each padded and cut to its width, two blanks
// between them.
std::wstring ColumnsLine(const std::vector<std::wstring>& texts,
                         const std::vector<ColumnSpec>& columns) {
  std::wstring line;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) line += L"  ";
    line += SummaryWriter::Column(texts[i], columns[i].width);
  }
  return line + L"\n";
}

std::wstring HeaderLine(const std::vector<ColumnSpec>& columns) {
  std::vector<std::wstring> headings;
  for (const ColumnSpec& c : columns) headings.emplace_back(c.heading);
  return ColumnsLine(headings, columns);
}

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
  auto printRow = [&out](std::vector<std::wstring> texts, const std::vector<ColumnSpec>& columns) {
    for (std::wstring& text : texts) text = SummaryWriter::OneLine(text);
    bool more = true;
    while (more) {
      std::vector<std::wstring> pieces;
      more = false;
      for (size_t i = 0; i < columns.size(); ++i) {
        pieces.push_back(smartWordWrap(texts[i], static_cast<unsigned>(columns[i].width)));
        if (!texts[i].empty()) more = true;
      }
      out.Write(ColumnsLine(pieces, columns));
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
        out.Write(SummaryWriter::Column(pair->GetType(), kMainInfoLabelWidth) +
                  SummaryWriter::OneLine(pair->GetVal()) + L"\n");
      }
    }
  }
  out.Write(L"\n" + SummaryWriter::Rule(L'=', kBlockRule) + L"\n");

  VeltComponent* title = pXMLObjectConfig->FindChild(L"configure", L"title");
  out.Write(SummaryWriter::OneLine(title != nullptr ? title->GetVal() : std::wstring()) +
            L":\n\n");

  out.Write(L"Files Included in Bundle:\n");
  out.Write(HeaderLine(kIncludedColumns));
  out.Write(SummaryWriter::Rule(L'-', kIncludedRule) + L"\n");
  if (included != nullptr) {
    for (const VeltComponent* file : included->GetChildren()) {
      printRow({file->GetType(), file->GetVal(), AttributeText(file, L"description"),
                AttributeText(file, L"file_size")},
               kIncludedColumns);
    }
  }
  out.Write(SummaryWriter::Rule(L'-', kIncludedRule) + L"\n");

  if (omitted != nullptr && !omitted->GetChildren().empty()) {
    out.Write(L"\n\nFiles Omitted from Bundle:\n");
    out.Write(HeaderLine(kOmittedColumns));
    out.Write(SummaryWriter::Rule(L'-', kOmittedRule) + L"\n");
    for (const VeltComponent* file : omitted->GetChildren()) {
      printRow({file->GetType(), file->GetVal(), AttributeText(file, L"description"),
                AttributeText(file, L"reason")},
               kOmittedColumns);
    }
    out.Write(SummaryWriter::Rule(L'-', kOmittedRule) + L"\n");
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
