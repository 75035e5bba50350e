#include "upload/UploadHost.h"

namespace velt {
namespace upload {

namespace {

bool IsHostCharacter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
         c == L'.' || c == L'-' || c == L'_';
}

bool IsPort(const std::wstring& text) {
  if (text.empty() || text.size() > 5) {
    return false;
  }
  unsigned long value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') {
      return false;
    }
    value = value * 10 + static_cast<unsigned long>(c - L'0');
  }
  return value >= 1 && value <= 65535;
}

bool IsIPv6(const std::wstring& text) {
  if (text.find(L':') == std::wstring::npos) {
    return false;
  }
  for (wchar_t c : text) {
    const bool hex = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
    if (!hex && c != L':' && c != L'.') {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParseUploadHost(const std::wstring& text, UploadHost& host) {
  if (text.empty()) {
    return false;
  }
  if (text[0] == L'[') {
    const size_t close = text.find(L']');
    if (close == std::wstring::npos || !IsIPv6(text.substr(1, close - 1))) {
      return false;
    }
    const std::wstring rest = text.substr(close + 1);
    if (!rest.empty() && (rest[0] != L':' || !IsPort(rest.substr(1)))) {
      return false;
    }
    host.authority = text;
    host.certificateName = text.substr(1, close - 1);
    return true;
  }
  if (IsIPv6(text) && text.find(L':') != text.rfind(L':')) {
    host.authority = L"[" + text + L"]";
    host.certificateName = text;
    return true;
  }
  const size_t colon = text.find(L':');
  const std::wstring name = text.substr(0, colon);
  if (name.empty()) {
    return false;
  }
  for (wchar_t c : name) {
    if (!IsHostCharacter(c)) {
      return false;
    }
  }
  if (colon != std::wstring::npos && !IsPort(text.substr(colon + 1))) {
    return false;
  }
  host.authority = text;
  host.certificateName = name;
  return true;
}

}  // namespace upload
}  // namespace velt
