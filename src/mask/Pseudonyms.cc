#include "mask/Pseudonyms.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/AddressText.h"

namespace velt {
namespace mask {

namespace {

AddressBlock Block(const char* prefix, int length, bool keep) {
  std::string text(prefix);
  AddressBlock block{{}, length, keep};
  block.prefix.resize(text.find(':') == std::string::npos ? 4 : 16);
  if (block.prefix.size() == 4) {
    platform::ParseIpv4(text, block.prefix.data());
  } else {
    platform::ParseIpv6(text, block.prefix.data());
  }
  return block;
}

std::vector<AddressBlock> Ipv4Blocks() {
  return {Block("0.0.0.0", 8, true),       Block("127.0.0.0", 8, true),
          Block("169.254.0.0", 16, true),  Block("192.0.0.0", 24, true),
          Block("192.0.2.0", 24, true),    Block("198.51.100.0", 24, true),
          Block("203.0.113.0", 24, true),  Block("224.0.0.0", 4, true),
          Block("240.0.0.0", 4, true),     Block("10.0.0.0", 8, false),
          Block("100.64.0.0", 10, false),  Block("172.16.0.0", 12, false),
          Block("192.168.0.0", 16, false), Block("198.18.0.0", 15, false)};
}

std::vector<AddressBlock> Ipv6Blocks() {
  return {Block("::", 128, true),        Block("::1", 128, true),
          Block("2001:db8::", 32, true), Block("3fff::", 20, true),
          Block("ff00::", 8, true),      Block("ff02::1:ff00:0", 104, false),
          Block("fe80::", 64, false),    Block("fc00::", 7, false),
          Block("2000::", 3, false),     Block("64:ff9b::", 96, false)};
}

// Ones followed by zeros: 255.255.255.0, 255.255.0.0, 128.0.0.0...
bool IsNetmask(const uint8_t address[4]) {
  uint32_t value = uint32_t{address[0]} << 24 | uint32_t{address[1]} << 16 |
                   uint32_t{address[2]} << 8 | address[3];
  uint32_t inverted = ~value;
  return (inverted & (inverted + 1)) == 0;
}

bool IsIpv4Mapped(const uint8_t address[16]) {
  return std::all_of(address, address + 10, [](uint8_t b) { return b == 0; }) &&
         address[10] == 0xFF && address[11] == 0xFF;
}

std::string Lower(const re2::StringPiece& text) {
  std::string lower(text.data(), text.size());
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

int HexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

std::string MacText(uint64_t mac, char separator, bool upper) {
  char text[20];
  const char* format = upper ? "%02X" : "%02x";
  std::string result;
  for (int i = 0; i < 6; ++i) {
    std::snprintf(text, sizeof(text), format, static_cast<unsigned>((mac >> (40 - 8 * i)) & 0xFF));
    bool dotted = separator == '.';
    if (i > 0 && (!dotted || i % 2 == 0)) {
      result += separator;
    }
    result += text;
  }
  return result;
}

}  // namespace

Pseudonyms::Pseudonyms(std::vector<std::string> domains)
    : m_ipv4(4, 8, 3, Ipv4Blocks(), [this] { return Random(); }),
      m_ipv6(16, 16, 8, Ipv6Blocks(), [this] { return Random(); }),
      m_domains(std::move(domains)) {}

bool Pseudonyms::Ipv4(const re2::StringPiece& text, std::string& pseudonym) {
  uint8_t address[4];
  uint8_t replaced[4];
  if (!platform::ParseIpv4(std::string(text.data(), text.size()), address) ||
      IsNetmask(address) || !m_ipv4.Map(address, replaced)) {
    return false;
  }
  pseudonym = platform::FormatIpv4(replaced);
  return true;
}

bool Pseudonyms::Ipv6(const re2::StringPiece& text, std::string& pseudonym) {
  uint8_t address[16];
  uint8_t replaced[16];
  if (!platform::ParseIpv6(std::string(text.data(), text.size()), address)) {
    return false;
  }
  if (IsIpv4Mapped(address)) {
    std::copy(address, address + 12, replaced);
    if (IsNetmask(address + 12) || !m_ipv4.Map(address + 12, replaced + 12)) {
      return false;
    }
  } else if (!m_ipv6.Map(address, replaced)) {
    return false;
  }
  pseudonym = platform::FormatIpv6(replaced);
  return true;
}

bool Pseudonyms::Mac(const re2::StringPiece& text, std::string& pseudonym) {
  uint64_t mac = 0;
  bool upper = false;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c))) {
      mac = mac << 4 | static_cast<uint64_t>(HexValue(c));
      upper = upper || (c >= 'A' && c <= 'F');
    }
  }
  const uint64_t kAll = 0xFFFFFFFFFFFFull;
  bool multicast = (mac >> 40) & 0x01;  // broadcast included
  if (mac == 0 || multicast) {
    return false;
  }
  auto known = m_macs.find(mac);
  if (known == m_macs.end()) {
    // A universally administered address keeps its manufacturer (the first
    // three bytes); a locally administered one is random anyway and keeps
    // only its two flag bits.
    bool local = (mac >> 40) & 0x02;
    uint64_t kept = local ? 0x030000000000ull : 0xFFFFFF000000ull;
    uint64_t replaced;
    do {
      uint64_t random = (uint64_t{Random()} << 32 | Random()) & kAll;
      replaced = (mac & kept) | (random & ~kept & kAll);
    } while (replaced == mac || (replaced & ~kept & kAll) == 0 || m_macsTaken.count(replaced));
    m_macsTaken.insert(replaced);
    known = m_macs.emplace(mac, replaced).first;
  }
  char separator = text.size() > 4 && text[4] == '.' ? '.' : text[2];
  pseudonym = MacText(known->second, separator, upper);
  return true;
}

std::string Pseudonyms::LabelPseudonym(const std::string& label) {
  auto known = m_labels.find(label);
  if (known == m_labels.end()) {
    known = m_labels.emplace(label, "host" + std::to_string(m_labels.size() + 1)).first;
  }
  return known->second;
}

std::string Pseudonyms::NamePseudonym(const std::string& name) {
  // The longest given domain the name lies in; else, for the machine's own
  // fully qualified name, the part after its first label.
  std::string root;
  for (const std::string& domain : m_domains) {
    bool inside =
        name == domain || (name.size() > domain.size() &&
                           name.compare(name.size() - domain.size(), domain.size(), domain) == 0 &&
                           name[name.size() - domain.size() - 1] == '.');
    if (inside && domain.size() > root.size()) {
      root = domain;
    }
  }
  if (root.empty() && name.find('.') != std::string::npos) {
    root = name.substr(name.find('.') + 1);
  }
  std::string labels = root.empty() ? name : name.substr(0, name.size() - root.size());
  std::string pseudonym;
  size_t start = 0;
  while (start < labels.size()) {
    size_t dot = labels.find('.', start);
    size_t stop = dot == std::string::npos ? labels.size() : dot;
    pseudonym += LabelPseudonym(labels.substr(start, stop - start)) + ".";
    start = stop + 1;
  }
  if (root.empty()) {
    pseudonym.pop_back();
    return pseudonym;
  }
  auto known = m_roots.find(root);
  if (known == m_roots.end()) {
    known = m_roots.emplace(root, "domain" + std::to_string(m_roots.size() + 1) + ".invalid").first;
  }
  return pseudonym + known->second;
}

bool Pseudonyms::HostName(const re2::StringPiece& text, std::string& pseudonym) {
  std::string name = Lower(text);
  auto known = m_names.find(name);
  if (known == m_names.end()) {
    known = m_names.emplace(name, NamePseudonym(name)).first;
  }
  pseudonym = known->second;
  return true;
}

void Pseudonyms::Mapping(const std::function<bool(const std::string&)>& line) const {
  for (const auto& pair : m_ipv4.List()) {
    if (!line(platform::FormatIpv4(pair.original.data()) + " -> " +
              platform::FormatIpv4(pair.pseudonym.data()))) {
      return;
    }
  }
  for (const auto& pair : m_ipv6.List()) {
    if (!line(platform::FormatIpv6(pair.original.data()) + " -> " +
              platform::FormatIpv6(pair.pseudonym.data()))) {
      return;
    }
  }
  std::map<uint64_t, uint64_t> macs(m_macs.begin(), m_macs.end());
  for (const auto& mac : macs) {
    if (!line(MacText(mac.first, ':', false) + " -> " + MacText(mac.second, ':', false))) {
      return;
    }
  }
  for (const auto& name : m_names) {
    if (!line(name.first + " -> " + name.second)) {
      return;
    }
  }
}

}  // namespace mask
}  // namespace velt
