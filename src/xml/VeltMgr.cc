#include "xml/VeltMgr.h"

#include <memory>
#include <vector>

#include "platform/Directory.h"
#include "velt/platform/PathSeparator.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/xml/VeltXmlMgr.h"
#include "velt/xml/VeltXmlParser.h"

VeltMgr::VeltMgr(std::list<XMLObject*>& out, const std::wstring& folder) {
  for (const std::wstring& path : getFileList(folder)) loadFile(path, out);
}

VeltMgr::~VeltMgr() = default;

std::list<std::wstring> VeltMgr::failedFiles() const { return m_failedFiles; }

std::list<long> VeltMgr::successCodes() const { return m_successCodes; }

std::list<std::wstring> VeltMgr::getFileList(const std::wstring& folder) {
  std::list<std::wstring> files;
  if (folder.empty()) return files;
  // Paths are the folder followed by the name; a folder given without its
  // final separator gets one.
  std::wstring prefix = folder;
  if (prefix.back() != velt::kPathSeparator) prefix += velt::kPathSeparator;
  // Every entry is a candidate, folders included: only the name decides.
  // The listing comes in byte order of the names; there is no recursion.
  std::vector<velt::platform::DirEntry> entries;
  if (velt::platform::ListDirectory(velt::Narrow(folder), entries) != 0) return files;
  for (const auto& entry : entries) addFile(files, prefix, velt::Widen(entry.name));
  return files;
}

void VeltMgr::addFile(std::list<std::wstring>& files, const std::wstring& folder,
                      const std::wstring& name) {
  static const std::wstring kExtension = L".xml";
  const std::size_t first = name.find(kExtension);
  if (first == std::wstring::npos || first + kExtension.size() != name.size()) return;
  const std::wstring path = folder + name;
  VELT_LOG_CODE('I', "found file", 0, "%s", velt::Narrow(path).c_str());
  files.push_back(path);
}

void VeltMgr::loadFile(const std::wstring& path, std::list<XMLObject*>& out) {
  VeltXmlMgr sink;
  VeltXmlParser parser(&sink);
  const long rc = parser.parseFile(path, false);
  m_successCodes.push_back(rc);
  if (rc != 0) {
    m_failedFiles.push_back(path);
    return;
  }
  auto tree = std::make_unique<XMLObject>(*sink.getXMLObject());
  out.push_back(tree.get());
  tree.release();  // owned by the caller
}
