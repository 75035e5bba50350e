#include "CollectEstimate.h"

#include <nlohmann/json.hpp>

#include <set>
#include <string>

#include "CommandLine.h"
#include "ProgressDisplay.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace cli {
namespace {

using Json = nlohmann::ordered_json;

std::string Size(uint64_t bytes) {
  return std::to_string(bytes) + " bytes" +
         (bytes >= 1024 ? " (" + Narrow(helperUtil::SizeToStr(static_cast<double>(bytes), 2)) + ")"
                        : "");
}

struct Totals {
  size_t ids = 0, files = 0, commands = 0;
};

Totals Count(const std::vector<VeltCollectPlan::Entry>& entries) {
  Totals totals;
  std::set<std::wstring> ids;
  for (const VeltCollectPlan::Entry& entry : entries) {
    ids.insert(entry.fileID);
    for (const VeltCollectPlan::Step& step : entry.steps) {
      ++(step.isCommand ? totals.commands : totals.files);
    }
  }
  totals.ids = ids.size();
  return totals;
}

int PrintJson(const VeltCollectPlan& plan, uint64_t budget) {
  Json document;
  document["event"] = "estimate";
  Json entries = Json::array();
  for (const VeltCollectPlan::Entry& entry : plan.entries()) {
    Json steps = Json::array();
    for (const VeltCollectPlan::Step& step : entry.steps) {
      steps.push_back({{"kind", step.isCommand ? "command" : "file"},
                       {"source", Narrow(step.source)},
                       {"name", Narrow(step.bundleName)},
                       {"size", step.isCommand ? Json(nullptr) : Json(step.size)}});
    }
    entries.push_back({{"configuration", Narrow(entry.configTitle)},
                       {"id", Narrow(entry.fileID)},
                       {"description", Narrow(entry.description)},
                       {"steps", steps}});
  }
  Json remarks = Json::array();
  for (const VeltCollectPlan::Remark& remark : plan.remarks()) {
    remarks.push_back({{"configuration", Narrow(remark.configTitle)},
                       {"id", remark.fileID.empty() ? Json(nullptr) : Json(Narrow(remark.fileID))},
                       {"text", Narrow(remark.text)}});
  }
  const Totals totals = Count(plan.entries());
  document["entries"] = entries;
  document["remarks"] = remarks;
  document["ids"] = totals.ids;
  document["files"] = totals.files;
  document["file_bytes"] = plan.fileBytes();
  document["commands"] = totals.commands;
  document["max_size"] = budget != 0 ? Json(budget) : Json(nullptr);
  return WriteOut(document.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n")
             ? kExitSuccess
             : kExitRunFailed;
}

}  // namespace

int PrintEstimate(const VeltCollectPlan& plan, uint64_t budget, bool json) {
  if (json) return PrintJson(plan, budget);
  std::string text =
      "What velt collect would gather now (an estimate: nothing was collected, no bundle "
      "written):\n";
  const std::vector<VeltCollectPlan::Entry> entries = plan.entries();
  const std::vector<VeltCollectPlan::Remark> remarks = plan.remarks();
  std::wstring title = L"\x1";  // none yet
  auto heading = [&](const std::wstring& next) {
    if (next != title) text += "\n" + Narrow(next.empty() ? L"(no configuration)" : next) + ":\n";
    title = next;
  };
  size_t remark = 0;
  auto remarksOf = [&](const std::wstring& configTitle) {
    for (; remark < remarks.size() && remarks[remark].configTitle == configTitle; ++remark) {
      const VeltCollectPlan::Remark& r = remarks[remark];
      text += "  " + (r.fileID.empty() ? std::string("note: ") : "omitted: " + Narrow(r.fileID) +
                                                                      ": ") +
              Narrow(r.text) + "\n";
    }
  };
  for (size_t i = 0; i < entries.size(); ++i) {
    const VeltCollectPlan::Entry& entry = entries[i];
    heading(entry.configTitle);
    text += "  " + Narrow(entry.fileID) + ": " + Narrow(entry.description) + "\n";
    for (const VeltCollectPlan::Step& step : entry.steps) {
      text += step.isCommand ? "    run   " + Narrow(step.source)
                             : "    copy  " + Narrow(step.source) + ", " + Size(step.size);
      text += step.bundleName.empty() ? "\n" : " -> " + Narrow(step.bundleName) + "\n";
    }
    if (i + 1 == entries.size() || entries[i + 1].configTitle != entry.configTitle) {
      remarksOf(entry.configTitle);
    }
  }
  // Configurations whose entries all stay out have remarks only.
  while (remark < remarks.size()) {
    heading(remarks[remark].configTitle);
    remarksOf(remarks[remark].configTitle);
  }
  const Totals totals = Count(entries);
  text += "\n" + std::to_string(totals.ids) + " ID(s): " + std::to_string(totals.files) +
          " file(s) of " + Size(plan.fileBytes()) + " now, and " +
          std::to_string(totals.commands) +
          " command(s), whose output is known only when they run.\n";
  text += "Expected size before compression: at least " + Size(plan.fileBytes()) +
          ", the commands' output on top";
  if (budget != 0) {
    text += plan.fileBytes() > budget
                ? "; the size budget of " + Size(budget) + " would cut the largest files"
                : "; within the size budget of " + Size(budget) + " so far";
  }
  text += ".\n";
  return WriteOut(text) ? kExitSuccess : kExitRunFailed;
}

}  // namespace cli
}  // namespace velt
