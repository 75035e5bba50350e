#include "support/RunFixture.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace velt {
namespace test {

RunFixture::RunFixture() {
  const char* saved = std::getenv("TMPDIR");
  m_hadTmpdir = saved != nullptr;
  m_savedTmpdir = saved != nullptr ? saved : "";
  std::filesystem::create_directories(tempFolder());
  std::filesystem::create_directories(m_dir.Path("install/xml/config"));
  setenv("TMPDIR", tempFolder().c_str(), 1);
  unsetenv("TEMP");
  unsetenv("TMP");
}

RunFixture::~RunFixture() {
  if (m_hadTmpdir) {
    setenv("TMPDIR", m_savedTmpdir.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

void RunFixture::AddConfig(const std::string& name, const std::string& xml) {
  m_dir.WriteFile("install/xml/config/" + name, xml);
}

std::vector<std::string> RunFixture::TempEntries() const {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(tempFolder(), ignored)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

int RunCommand(const std::string& command, std::string* output) {
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return -1;
  }
  std::string text;
  char buffer[4096];
  size_t read;
  while ((read = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
    text.append(buffer, read);
  }
  int status = pclose(pipe);
  if (output != nullptr) {
    *output = text;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char ch : text) {
    quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  }
  return quoted + "'";
}

std::vector<std::string> ZipEntries(const std::string& zip) {
  std::string listing;
  RunCommand("unzip -Z1 " + ShellQuote(zip) + " 2>/dev/null", &listing);
  std::vector<std::string> names;
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    names.push_back(line);
  }
  return names;
}

std::string ZipEntry(const std::string& zip, const std::string& entry,
                     const std::string& password) {
  std::string bytes;
  std::string command = "unzip -p ";
  if (!password.empty()) {
    command += "-P " + ShellQuote(password) + " ";
  }
  RunCommand(command + ShellQuote(zip) + " " + ShellQuote(entry) + " </dev/null 2>/dev/null",
             &bytes);
  return bytes;
}

std::string MaskSummary(const std::string& summary) {
  std::string masked;
  std::istringstream lines(summary);
  std::string line;
  const char* labels[] = {"Time:", "OS:", "User Name:"};
  while (std::getline(lines, line)) {
    for (const char* label : labels) {
      if (line.compare(0, std::string(label).size(), label) == 0 && line.size() >= 30) {
        line = line.substr(0, 30) + "<masked>\r";
      }
    }
    masked += line + "\n";
  }
  if (!summary.empty() && summary.back() != '\n') {
    masked.pop_back();
  }
  return masked;
}

}  // namespace test
}  // namespace velt
