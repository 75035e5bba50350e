// The records that pass between the collector, the actions and the
// truncator: what an entry's actions are to do (ACTION_ATTRIBUTES), one file
// placed in the bundle (truncAttributes), and the parameters of one file or
// external action instance as parsed from its configuration element.
#pragma once

#include <cstdint>
#include <string>

#include "velt/helpers/TruncType.h"

class XMLObject;
namespace velt {
class CollectControls;
}

// Built and owned by the collector; every action keeps a copy.
struct ACTION_ATTRIBUTES {
  std::wstring fileID;        // the entry's file ID
  std::wstring dstName;       // destination-name template (empty: keep the source name)
  std::wstring bundleFolder;  // the bundle folder, no trailing separator
  std::wstring description;   // shown in status lines and summary notes
  TruncType truncType = TRUNC_NO;
  double truncRatio = 0.0;      // size budget in bytes of the file-ID group
  uint32_t percentPortion = 0;  // progress share while an external command runs
  XMLObject* pXMLSummary = nullptr;  // borrowed; null in a clear run
  // Borrowed; a collect run's controls beyond the design (time window,
  // time limit, dry run, file origins). Null: exactly the design's actions.
  velt::CollectControls* controls = nullptr;

  ACTION_ATTRIBUTES() = default;
  explicit ACTION_ATTRIBUTES(XMLObject* summary) : pXMLSummary(summary) {}
};

// One file placed in the bundle, for the truncator.
struct truncAttributes {
  std::wstring fileID;
  std::wstring path;  // full path inside the bundle folder
  std::wstring description;
  double size = 0.0;  // bytes when it was added
  TruncType truncType = TRUNC_NO;
  double truncRatio = 0.0;
  TruncType appliedTrunc = TRUNC_NO;  // the side a data truncation cuts from
};

// The parameters of one "file_copy_action" instance.
struct FILE_ACTION_ATTRIBUTES {
  std::wstring loc;               // the "loc" text as written
  std::wstring locPath;           // `loc` translated: folder and name pattern
  std::wstring truncateTypeText;  // the "truncate_type" text; kept, not used
  bool gatherNewest = false;      // only the newest match is collected
  bool clearLog = false;          // a clear run deletes the matches
};

// The parameters of one "use_extern_action" instance.
struct EXTERNAL_ACTION_ATTRIBUTES {
  std::wstring exeName;          // the program's file name
  std::wstring path;             // the program's folder
  std::wstring args;             // program file name, a blank, the arguments
  std::wstring tempOut;          // where the command's output is found
  std::wstring tagName;          // scratch: the tag being parsed
  std::wstring clearLogCommand;  // command line of a clear run
  std::wstring exeBaseName;      // `exeName` without its extension
  bool clearLog = false;
  bool captureStdout = false;
};
