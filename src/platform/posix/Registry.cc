// The registry read from a registry export file. The file is read afresh by
// every Open, so a changed file is seen at once and nothing is cached.
#include "platform/Registry.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "platform/common/AsciiLower.h"
#include "platform/common/Utf16.h"
#include "platform/posix/FileCalls.h"
#include "velt/platform/TextEncoding.h"

#ifndef VELT_REGISTRY_DEFAULT
#define VELT_REGISTRY_DEFAULT "/etc/velt/registry.reg"
#endif

namespace velt {
namespace platform {
namespace {

// Registry exports are text; anything larger is not one.
constexpr size_t kRegistryFileLimit = size_t{16} << 20;

// The file's text as UTF-8: UTF-16LE with its byte-order mark as exported by
// the registry editor, or UTF-8 (with or without a mark).
std::string DecodeFile(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return Narrow(WideFromUtf16Le(reinterpret_cast<const unsigned char*>(bytes.data()) + 2,
                                  (bytes.size() - 2) / 2));
  }
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    return bytes.substr(3);
  }
  return bytes;
}

// Logical lines: physical lines joined where one ends with "\" (the export
// format's continuation of long hex values), carriage returns removed.
std::vector<std::string> LogicalLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  std::string pending;
  bool continued = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (continued) {
      size_t start = line.find_first_not_of(" \t");
      line = start == std::string::npos ? std::string() : line.substr(start);
    }
    // Only hex data continues; a string value may itself end with "\".
    bool hexData = (pending + line).find("=hex") != std::string::npos;
    if (hexData && !line.empty() && line.back() == '\\') {
      line.pop_back();
      pending += line;
      continued = true;
      continue;
    }
    lines.push_back(pending + line);
    pending.clear();
    continued = false;
  }
  if (!pending.empty()) {
    lines.push_back(pending);
  }
  return lines;
}

// A quoted text starting at text[pos] == '"', with \\ and \" escapes. Moves
// pos past the closing quote; false when it is missing.
bool ParseQuoted(const std::string& text, size_t& pos, std::string& out) {
  out.clear();
  for (++pos; pos < text.size(); ++pos) {
    char c = text[pos];
    if (c == '\\' && pos + 1 < text.size()) {
      out += text[++pos];
    } else if (c == '"') {
      ++pos;
      return true;
    } else {
      out += c;
    }
  }
  return false;
}

bool ParseHexBytes(const std::string& text, std::vector<unsigned char>& bytes) {
  bytes.clear();
  std::string digits;
  auto flush = [&]() {
    if (digits.empty()) {
      return true;
    }
    char* end = nullptr;
    unsigned long value = std::strtoul(digits.c_str(), &end, 16);
    if (*end != '\0' || value > 0xFF) {
      return false;
    }
    bytes.push_back(static_cast<unsigned char>(value));
    digits.clear();
    return true;
  };
  for (char c : text) {
    if (c == ',') {
      if (!flush()) return false;
    } else if (c != ' ' && c != '\t') {
      digits += c;
    }
  }
  return flush();
}

void AppendUtf16(std::vector<unsigned char>& data, const std::wstring& text) {
  for (wchar_t c : text) {
    unsigned long cp = static_cast<unsigned long>(c);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unsigned high = 0xD800 + static_cast<unsigned>(cp >> 10);
      unsigned low = 0xDC00 + static_cast<unsigned>(cp & 0x3FF);
      data.push_back(static_cast<unsigned char>(high & 0xFF));
      data.push_back(static_cast<unsigned char>(high >> 8));
      data.push_back(static_cast<unsigned char>(low & 0xFF));
      data.push_back(static_cast<unsigned char>(low >> 8));
    } else {
      data.push_back(static_cast<unsigned char>(cp & 0xFF));
      data.push_back(static_cast<unsigned char>(cp >> 8));
    }
  }
  data.push_back(0);
  data.push_back(0);
}

}  // namespace

std::string RegistryFilePath() {
  const char* configured = std::getenv("VELT_REGISTRY_FILE");
  if (configured != nullptr && *configured != '\0') {
    return configured;
  }
  return VELT_REGISTRY_DEFAULT;
}

int RegistryKey::Open(const std::string& hive, const std::string& subKey) {
  m_values.clear();
  m_open = false;
  std::string bytes;
  int error = posix::ReadSmallFile(RegistryFilePath(), kRegistryFileLimit, bytes);
  if (error != 0) {
    return error;
  }
  std::string wanted = AsciiLower(subKey.empty() ? hive : hive + "\\" + subKey);
  while (!wanted.empty() && wanted.back() == '\\') {
    wanted.pop_back();
  }
  bool inKey = false;
  for (const std::string& raw : LogicalLines(DecodeFile(bytes))) {
    size_t start = raw.find_first_not_of(" \t");
    if (start == std::string::npos || raw[start] == ';') {
      continue;
    }
    std::string line = raw.substr(start);
    if (line[0] == '[') {
      size_t close = line.rfind(']');
      std::string name = close == std::string::npos ? line.substr(1) : line.substr(1, close - 1);
      inKey = AsciiLower(name) == wanted;
      m_open = m_open || inKey;
      continue;
    }
    if (!inKey) {
      continue;
    }
    std::string valueName;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] != '"' || !ParseQuoted(line, pos, valueName)) {
      continue;
    }
    if (pos >= line.size() || line[pos] != '=') {
      continue;
    }
    std::string data = line.substr(pos + 1);
    Value value;
    if (!data.empty() && data[0] == '"') {
      size_t at = 0;
      std::string text;
      if (!ParseQuoted(data, at, text)) {
        continue;
      }
      value.type = kRegString;
      AppendUtf16(value.data, Widen(text));
    } else if (data.compare(0, 6, "dword:") == 0) {
      value.type = kRegDword;
      unsigned long number = std::strtoul(data.c_str() + 6, nullptr, 16);
      for (int i = 0; i < 4; ++i) {
        value.data.push_back(static_cast<unsigned char>((number >> (8 * i)) & 0xFF));
      }
    } else if (data.compare(0, 4, "hex:") == 0) {
      value.type = kRegBinary;
      if (!ParseHexBytes(data.substr(4), value.data)) continue;
    } else if (data.compare(0, 4, "hex(") == 0) {
      size_t close = data.find("):");
      if (close == std::string::npos) continue;
      value.type = static_cast<unsigned>(std::strtoul(data.c_str() + 4, nullptr, 16));
      if (!ParseHexBytes(data.substr(close + 2), value.data)) continue;
    } else {
      continue;  // "-" deletes a value in an import; nothing to read
    }
    m_values[AsciiLower(valueName)] = std::move(value);
  }
  return m_open ? 0 : ENOENT;
}

}  // namespace platform
}  // namespace velt
