#include "mask/HostRules.h"

#include <algorithm>
#include <cctype>

#include "platform/AddressText.h"

namespace velt {
namespace mask {

namespace {

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }
bool IsNameChar(char c) { return IsWordChar(c) || c == '-'; }

// The character at `index`, or a space outside the text.
char At(const re2::StringPiece& text, size_t index) {
  return index < text.size() ? text[index] : ' ';
}
char Before(const re2::StringPiece& text, size_t begin, size_t back) {
  return begin >= back ? text[begin - back] : ' ';
}

}  // namespace

void AppendHostRules(const std::vector<std::string>& names, const std::vector<std::string>& domains,
                     std::vector<RuleDefinition>& rules) {
  const char kOctet[] = "(?:25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])";
  rules.push_back({MaskKind::kIpv4, RuleAction::kIpv4,
                   std::string(R"re(\b)re") + kOctet + R"re((?:\.)re" + kOctet + R"re(){3}\b)re"});
  // Either compressed ("::") or all eight groups; "12:00:00" is neither.
  rules.push_back({MaskKind::kIpv6, RuleAction::kIpv6,
                   R"re((?i)[0-9a-f]*::[0-9a-f]*|[0-9a-f]{1,4}(?::[0-9a-f]{1,4}){7})re"});
  rules.push_back(
      {MaskKind::kMac, RuleAction::kMac,
       R"re((?i)\b(?:[0-9a-f]{2}:){5}[0-9a-f]{2}\b|\b(?:[0-9a-f]{2}-){5}[0-9a-f]{2}\b|)re"
       R"re(\b[0-9a-f]{4}\.[0-9a-f]{4}\.[0-9a-f]{4}\b)re"});

  std::vector<std::string> alternatives;
  if (!domains.empty()) {
    std::string underDomains = R"re((?:[a-z0-9_-]+\.)*(?:)re";
    for (size_t i = 0; i < domains.size(); ++i) {
      underDomains += (i ? "|" : "") + RE2::QuoteMeta(domains[i]);
    }
    alternatives.push_back(underDomains + ")");
  }
  // Longer names first, so that the FQDN wins over its first label.
  std::vector<std::string> own(names);
  std::sort(own.begin(), own.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& name : own) {
    alternatives.push_back(RE2::QuoteMeta(name));
  }
  if (!alternatives.empty()) {
    std::string pattern = "(?i)";
    for (size_t i = 0; i < alternatives.size(); ++i) {
      pattern += (i ? "|" : "") + alternatives[i];
    }
    rules.push_back({MaskKind::kHostName, RuleAction::kHostName, pattern});
  }
}

std::string NormalName(const std::string& name) {
  std::string normal(name);
  std::transform(normal.begin(), normal.end(), normal.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (normal.compare(0, 2, "*.") == 0) {
    normal.erase(0, 2);
  }
  normal.erase(0, normal.find_first_not_of('.'));
  normal.erase(normal.find_last_not_of('.') + 1);
  if (normal.size() < 2 || normal.compare(0, 9, "localhost") == 0) {
    return std::string();
  }
  return normal;
}

bool IsolatedIpv4(const re2::StringPiece& text, size_t begin, size_t end) {
  bool dottedBefore = Before(text, begin, 1) == '.' && IsDigit(Before(text, begin, 2));
  bool dottedAfter = At(text, end) == '.' && IsDigit(At(text, end + 1));
  return !dottedBefore && !dottedAfter;
}

bool IsolatedMac(const re2::StringPiece& text, size_t begin, size_t end) {
  auto separator = [](char c) { return c == ':' || c == '-' || c == '.'; };
  bool joinedBefore = separator(Before(text, begin, 1)) && IsHex(Before(text, begin, 2));
  bool joinedAfter = separator(At(text, end)) && IsHex(At(text, end + 1));
  return !joinedBefore && !joinedAfter;
}

bool IsolatedName(const re2::StringPiece& text, size_t begin, size_t end) {
  char before = Before(text, begin, 1);
  if (IsNameChar(before) || (before == '.' && IsNameChar(Before(text, begin, 2)))) {
    return false;
  }
  char after = At(text, end);
  return !IsNameChar(after) && !(after == '.' && IsNameChar(At(text, end + 1)));
}

bool Ipv6Extent(const re2::StringPiece& text, size_t& begin, size_t& end, size_t& resume) {
  auto addressChar = [](char c) { return IsHex(c) || c == ':' || c == '.'; };
  while (begin > 0 && addressChar(text[begin - 1])) {
    --begin;
  }
  while (end < text.size() && addressChar(text[end])) {
    ++end;
  }
  resume = end;
  // A word around it makes it a name ("std::string", "Class::method").
  if (IsWordChar(Before(text, begin, 1)) || IsWordChar(At(text, end))) {
    return false;
  }
  while (end > begin && text[end - 1] == '.') {
    --end;
  }
  uint8_t address[16];
  std::string candidate(text.data() + begin, end - begin);
  if (platform::ParseIpv6(candidate, address)) {
    return true;
  }
  // "address:port" without brackets, as netstat prints ":::22"; only a
  // compressed address can be told from its port.
  size_t colon = candidate.rfind(':');
  if (colon == std::string::npos || colon + 1 == candidate.size() ||
      !std::all_of(candidate.begin() + colon + 1, candidate.end(), IsDigit)) {
    return false;
  }
  candidate.resize(colon);
  if (candidate.find("::") == std::string::npos) {
    return false;
  }
  end = begin + colon;
  return platform::ParseIpv6(candidate, address);
}

}  // namespace mask
}  // namespace velt
