#include "mask/UserPassFile.h"

#include <algorithm>
#include <cctype>

#include "velt/platform/PathSeparator.h"

namespace velt {
namespace mask {

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

bool IsUserPassFile(const std::string& path, const char* data, size_t size) {
  static const char* const kNameWords[] = {"pass", "auth", "cred", "login", "secret", "vpn"};
  if (size == 0 || size > 512) {
    return false;
  }
  std::string name = path.substr(path.rfind(static_cast<char>(kPathSeparator)) + 1);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (std::none_of(std::begin(kNameWords), std::end(kNameWords),
                   [&name](const char* word) { return name.find(word) != std::string::npos; })) {
    return false;
  }
  // Two lines of one word each (the last line end may be missing).
  std::string text(data, size);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.pop_back();
  }
  size_t newline = text.find('\n');
  if (newline == std::string::npos || text.find('\n', newline + 1) != std::string::npos) {
    return false;
  }
  std::string user = text.substr(0, newline);
  std::string password = text.substr(newline + 1);
  if (!user.empty() && user.back() == '\r') {
    user.pop_back();
  }
  auto oneWord = [](const std::string& word) {
    return !word.empty() && word[0] != '#' && std::none_of(word.begin(), word.end(), IsSpace);
  };
  // A user name has no field separators (a .pgpass line has).
  return oneWord(user) && oneWord(password) && user.find_first_of(":=") == std::string::npos;
}

}  // namespace mask
}  // namespace velt
