// The masker's test corpus: tests/mask/corpus/<set>/ copied into a bundle
// folder and masked, each file compared with <file>.expected beside it; in
// both, @HOST@ stands for this machine's name, and in the "hosts" set {X}
// for the pseudonym the mapping file gives X.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/HostNames.h"
#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "velt/mask/BundleMasker.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace test {

namespace fs = std::filesystem;
using Mapping = std::map<std::string, std::string>;

inline std::string Corpus(const std::string& set) { return VELT_SOURCE_DIR "/tests/mask/corpus/" + set; }

inline std::string HostName() {
  std::string lower = platform::OwnHostName();
  std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
  return lower;
}

inline std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// "original -> pseudonym" lines after a "#" heading.
inline Mapping ReadMapping(const std::string& path) {
  Mapping mapping;
  std::string text = ReadFile(path);
  EXPECT_EQ(0u, text.find("# original -> pseudonym\n"));
  for (size_t line = text.find('\n') + 1; line < text.size(); line = text.find('\n', line) + 1) {
    std::string entry = text.substr(line, text.find('\n', line) - line);
    size_t arrow = entry.find(" -> ");
    mapping[entry.substr(0, arrow)] = entry.substr(arrow + 4);
  }
  return mapping;
}

class MaskCorpus : public ::testing::Test {
 protected:
  // Copies and masks every input file of the set; returns their names.
  std::vector<std::string> MaskSet(const std::string& set, BundleMasker& masker) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Corpus(set))) {
      std::string name = entry.path().filename().string();
      if (entry.path().extension() != ".expected") {
        names.push_back(name);
        std::string path = m_bundle.WriteFile(set + "/" + name, WithHost(entry.path().string()));
        EXPECT_EQ(0, masker.MaskFile(Widen(path), Widen(set + "/" + name))) << name;
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  void ExpectMasked(const std::string& set, const std::string& name, const Mapping& mapping) {
    std::string source = Corpus(set) + "/" + name;
    std::string expected =
        WithHost(fs::exists(source + ".expected") ? source + ".expected" : source);
    for (size_t open = expected.find('{'); !mapping.empty() && open != std::string::npos;
         open = expected.find('{', open + 1)) {
      std::string original = expected.substr(open + 1, expected.find('}', open) - open - 1);
      ASSERT_TRUE(mapping.count(original)) << original << " is not in the mapping";
      expected.replace(open, original.size() + 2, mapping.at(original));
    }
    EXPECT_EQ(expected, ReadFile(m_bundle.Path(set + "/" + name))) << set << "/" << name;
  }

  static std::string WithHost(const std::string& path) {
    return ReplaceAll(ReadFile(path), "@HOST@", HostName());
  }

  ScopedLogCapture m_log;
  TempDir m_bundle;
  TempDir m_outside;  // beside the bundle, where the mapping goes
};

}  // namespace test
}  // namespace velt
