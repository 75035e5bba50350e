#include "engine/BundleManifest.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "velt/platform/TextEncoding.h"

namespace velt {
namespace engine {
namespace {

using Json = nlohmann::ordered_json;

Json TextOrNull(const std::wstring& text) {
  return text.empty() ? Json(nullptr) : Json(Narrow(text));
}

// "2026-12-05T15:30:12Z": the civil date of the day count, by the
// proleptic Gregorian calendar.
std::string UtcTime(int64_t seconds) {
  const int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
  const int64_t inDay = seconds - days * 86400;
  const int64_t shifted = days + 719468;
  const int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const int64_t dayOfEra = shifted - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[128];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ",
                static_cast<long long>(year), static_cast<long long>(month),
                static_cast<long long>(day), static_cast<long long>(inDay / 3600),
                static_cast<long long>(inDay / 60 % 60), static_cast<long long>(inDay % 60));
  return text;
}

Json FileEntry(const ManifestFile& file) {
  Json entry;
  entry["path"] = Narrow(file.path);
  entry["id"] = Narrow(file.fileID);
  entry["configuration"] = TextOrNull(file.configuration);
  entry["description"] = Narrow(file.description);
  entry["source"] = {{"kind", file.kind}, {"text", TextOrNull(file.source)}};
  const bool command = file.kind == "command";
  entry["exit_status"] = command && file.ended ? Json(file.exitStatus) : Json(nullptr);
  entry["killed_after_seconds"] =
      command && file.timedOut ? Json(file.timeLimitSeconds) : Json(nullptr);
  entry["seconds"] = file.elapsedMs >= 0 ? Json(static_cast<double>(file.elapsedMs) / 1000.0)
                                         : Json(nullptr);
  entry["size"] = file.size;
  entry["cut_from"] = file.cutFrom >= 0 ? Json(file.cutFrom) : Json(nullptr);
  entry["masked"] = Json::object();
  for (const auto& [kind, count] : file.masked) entry["masked"][kind] = count;
  return entry;
}

}  // namespace

std::string BundleManifest::Text(const std::wstring& caseId, int64_t created, bool masked) const {
  Json document;
  document["format"] = "velt-bundle-manifest";
  document["version"] = 1;
  document["created"] = UtcTime(created);
  document["case_id"] = TextOrNull(caseId);
  document["masked"] = masked;
  // One file per line: readable as it stands, and still one JSON document.
  std::string text = document.dump(-1, ' ', false, Json::error_handler_t::replace);
  text.pop_back();  // the closing brace
  text += ",\"files\":[";
  for (size_t i = 0; i < m_files.size(); ++i) {
    text += (i == 0 ? "\n" : ",\n") +
            FileEntry(m_files[i]).dump(-1, ' ', false, Json::error_handler_t::replace);
  }
  text += "\n]}\n";
  return text;
}

}  // namespace engine
}  // namespace velt
