// Building entries and summary trees for the action tests, and watching
// processes the actions started.
#pragma once

#include <signal.h>

#include <chrono>
#include <fstream>
#include <initializer_list>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/ProcessState.h"
#include "velt/model/Attribute.h"
#include "velt/model/VeltComponent.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace test {

// An element with text, attributes and children (ownership passes to it).
inline VeltComponent* Element(const std::wstring& type, const std::wstring& val = L"",
                              std::initializer_list<VeltComponent*> children = {},
                              std::vector<std::pair<std::wstring, std::wstring>> attributes = {}) {
  VeltComponent* element = new VeltComponent(type, val);
  for (auto& attribute : attributes) {
    element->AddAttrib(attribute.first, attribute.second);
  }
  for (VeltComponent* child : children) {
    element->AddChild(child);
  }
  return element;
}

// A summary tree with its four sections, as the collector makes it.
inline void MakeSummary(XMLObject& summary) {
  summary.setRoot(L"summary", L"VELT BUNDLE SUMMARY\n");
  VeltComponent* root = summary.GetRoot();
  root->AddChild(L"Main_Info", L"");
  root->AddChild(L"Manifest_Included", L"File Manifest:");
  root->AddChild(L"Manifest_Not_Included", L"Files Requested But Not Included In Bundle:");
  root->AddChild(L"Other_Note", L"Other notes:");
}

struct FailedFile {
  std::wstring fileId, name, description, reason;
};

inline std::vector<FailedFile> FailedFiles(XMLObject& summary) {
  std::vector<FailedFile> failed;
  VeltComponent* section = summary.GetRoot()->FindChild(L"Manifest_Not_Included");
  for (VeltComponent* child : section->GetChildren()) {
    Attribute* description = child->FindAttrib(L"description");
    Attribute* reason = child->FindAttrib(L"reason");
    failed.push_back({child->GetType(), child->GetVal(),
                      description != nullptr ? description->getValue() : L"",
                      reason != nullptr ? reason->getValue() : L""});
  }
  return failed;
}

inline std::wstring W(const std::string& text) { return Widen(text); }

inline bool EventuallyEnded(int pid) {
  for (int i = 0; i < 500; ++i) {
    if (ProcessEnded(pid)) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The first line of a file that a command writes, once it is complete.
inline std::string AwaitLine(const std::string& path) {
  for (int i = 0; i < 1000; ++i) {
    std::ifstream in(path);
    std::string line;
    if (std::getline(in, line) && !in.eof()) {
      return line;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "";
}

}  // namespace test
}  // namespace velt
