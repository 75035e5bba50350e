// Feeds arbitrary bytes to the engine as a request file: read from disk in
// whatever encoding it declares, then walked against a configuration the
// way a collect run walks it (requested IDs paired with configured ones,
// the names asked for the report files checked, comments.txt and
// summary.txt written into a scratch bundle folder). Whatever the request
// says, both files stay valid UTF-8 and nothing lands outside the bundle
// folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <string>

#include "FuzzScratch.h"
#include "velt/helpers/helperUtil.h"
#include "velt/model/VeltComponent.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/TextEncoding.h"
#include "velt/report/collector.h"
#include "velt/xml/VeltParser.h"

namespace fs = std::filesystem;

namespace {

// Entries with an empty Linux branch: they pair with requested IDs and
// collect nothing.
const wchar_t kConfiguration[] =
    L"<config><configure><title>Area</title></configure>"
    L"<file id='a-logs'><description>A logs</description><default>true</default>"
    L"<velt><os opsys='linux'/></velt></file>"
    L"<file id='b-extra'><description>B</description><default>false</default>"
    L"<velt><os opsys='linux'/></velt></file>"
    L"<file id='system-logs'><description>System</description><default>true</default>"
    L"<velt><os opsys='linux'/></velt></file></config>";

struct Scratch {
  fs::path root;     // this process's own folder
  fs::path request;  // the request file
  fs::path bundle;   // the bundle folder; report files go here
  fs::path area;     // the configuration's folder inside it
};

const Scratch& TheScratch() {
  static const Scratch scratch = [] {
    Scratch s;
    s.root = velt::fuzz::ScratchPath("velt-request-fuzzer");
    s.request = s.root / "request.xml";
    s.bundle = s.root / "bundle";
    s.area = s.bundle / "Area";
    fs::create_directories(s.root);
    return s;
  }();
  return scratch;
}

XMLObject& Configuration() {
  static VeltParser parser;
  static XMLObject* tree = [] {
    std::list<XMLObject*> out;
    if (parser.Parse(kConfiguration, VELT_PARSER_INPUT_TEXT, out) == nullptr) std::abort();
    return out.front();
  }();
  return *tree;
}

// True when `path` holds valid UTF-8: the wide text of invalid bytes
// carries them as U+DC80..U+DCFF.
bool IsUtf8File(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (wchar_t c : velt::Widen(bytes)) {
    if (c >= 0xDC80 && c <= 0xDCFF) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Configuration();
  TheScratch();  // made before the exit handler that removes it
  std::atexit([] { fs::remove_all(TheScratch().root); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Scratch& scratch = TheScratch();
  {
    std::ofstream file(scratch.request, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  VeltParser parser;
  std::list<XMLObject*> requests;
  if (parser.Parse(velt::Widen(scratch.request.string()), VELT_PARSER_INPUT_FILE, requests) ==
      nullptr) {
    return 0;
  }
  XMLObject& request = *requests.front();
  (void)helperUtil::getUploadURLFromRequest(request);
  (void)helperUtil::getUploadMaxSizeFromRequest(request);
  if (request.GetRoot() == nullptr) return 0;

  // The requested entries, as the engine lists them before the run.
  std::list<VeltComponent*> unprocessed;
  for (VeltComponent* child : request.GetRoot()->GetChildren()) {
    if (child != nullptr && child->GetType() == L"file") unprocessed.push_back(child);
  }
  fs::create_directories(scratch.area);
  std::wstring bundlePath = velt::Widen((scratch.root / "bundle.zip").string());
  std::wstring destination = velt::Widen(scratch.area.string());
  {
    collector walk(&request, unprocessed, 90, bundlePath, false);
    walk.setReservedNames({L"Area"});
    const long rc = walk.Collect(destination, &Configuration(), 0);
    if (rc == 0 && !fs::exists(velt::Narrow(walk.GetSummaryPath()))) {
      __builtin_trap();  // a finished block without its summary
    }
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(scratch.root)) {
    const fs::path name = entry.path().filename();
    if (name != "request.xml" && name != "bundle") __builtin_trap();  // escaped the bundle
  }
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(scratch.bundle)) {
    if (entry.is_regular_file() && !IsUtf8File(entry.path())) __builtin_trap();
  }
  fs::remove_all(scratch.bundle);
  return 0;
}
