// The world of the action tests: an entry's attributes, a bundle and a
// tools folder, a summary tree with its sections, a captured log, and ways
// to watch the processes that the actions started.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "actions/ActionLimits.h"
#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "velt/actions/CCommandShell.h"
#include "velt/actions/CProcessApi.h"
#include "velt/actions/VeltClearLogsAction.h"
#include "velt/actions/VeltCollectLogsAction.h"
#include "velt/control/VeltThread.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

namespace velt {
namespace test {

// An element with text, children (ownership passes to it) and attributes.
inline VeltComponent* Element(
    const std::wstring& type, const std::wstring& val = L"",
    const std::vector<VeltComponent*>& children = {},
    const std::vector<std::pair<std::wstring, std::wstring>>& attributes = {}) {
  VeltComponent* element = new VeltComponent(type, val);
  for (const auto& attribute : attributes) element->AddAttrib(attribute.first, attribute.second);
  for (VeltComponent* child : children) element->AddChild(child);
  return element;
}

// A kind element holding one action instance with these parameters.
inline VeltComponent* Kind(const std::wstring& kind, const std::vector<VeltComponent*>& params) {
  return Element(kind, L"", {Element(L"action", L"", params)});
}

inline std::wstring W(const std::string& text) { return Widen(text); }

// Whether `condition` holds within five seconds.
template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 500 && !condition(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

// The first line of a file, once it is complete.
inline std::string AwaitLine(const std::string& path) {
  Eventually([&]() { return ReadFile(path).find('\n') != std::string::npos; });
  return ReadFile(path).substr(0, ReadFile(path).find('\n'));
}

// Whether `pid` no longer runs: gone, or (unless `reaped` is asked for) a
// zombie waiting for a parent that is not this process.
inline bool Ended(int pid, bool reaped = false) {
  std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  return stat.empty() || (!reaped && stat.compare(stat.rfind(')'), 4, ") Z ") == 0);
}

class ActionTest : public ::testing::Test {
 protected:
  ActionTest() {
    m_summary.setRoot(L"summary", L"");
    m_summary.GetRoot()->AddChild(L"Manifest_Not_Included", L"");
    m_summary.GetRoot()->AddChild(L"Other_Note", L"");
    m_attributes.fileID = L"net";
    m_attributes.description = L"Network state";
    m_attributes.bundleFolder = W(m_bundle.path());
    m_attributes.percentPortion = 10;
  }
  ~ActionTest() override {
    ActionLimits::Restore();
    VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
    VeltThread::SetMainThreadHandle(nullptr);
    *VeltThread::GetProgressStatus() = PROGRESSSTATUS{};
  }

  // An executable script in the tools folder.
  void Tool(const std::string& name, const std::string& body) {
    MakeExecutable(m_tools.WriteFile(name, "#!/bin/sh\n" + body));
  }

  // Performs an entry whose branch holds `kinds` with an action of type A.
  template <typename A = VeltCollectLogsAction>
  std::list<truncAttributes> Perform(const std::vector<VeltComponent*>& kinds,
                                     std::list<truncAttributes> files = {}) {
    std::unique_ptr<VeltComponent> entry(Element(L"os", L"", kinds));
    A(m_attributes, entry.get()).Perform(files);
    return files;
  }

  // What a run left: every record as "name size" (the name inside the
  // bundle), then every failed file as "name: reason", then every note.
  std::vector<std::wstring> Outcome(const std::list<truncAttributes>& files = {}) {
    std::vector<std::wstring> seen;
    for (const truncAttributes& file : files) {
      seen.push_back(file.path.substr(m_attributes.bundleFolder.size() + 1) + L" " +
                     std::to_wstring(static_cast<long long>(file.size)));
    }
    for (const wchar_t* section : {L"Manifest_Not_Included", L"Other_Note"}) {
      for (VeltComponent* child : m_summary.GetRoot()->FindChild(section)->GetChildren()) {
        Attribute* reason = child->FindAttrib(L"reason");
        seen.push_back(child->GetVal() + (reason != nullptr ? L": " + reason->getValue() : L""));
      }
    }
    return seen;
  }

  ScopedLogCapture m_log;
  TempDir m_tools;
  TempDir m_bundle;
  XMLObject m_summary;
  ACTION_ATTRIBUTES m_attributes{&m_summary};
};

}  // namespace test
}  // namespace velt
