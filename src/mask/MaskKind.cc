#include "mask/MaskKind.h"

namespace velt {
namespace mask {

namespace {

struct KindName {
  const wchar_t* one;
  const wchar_t* many;
  const char* key;
};

const KindName kNames[kMaskKindCount] = {
    {L"credential setting", L"credential settings", "credential_setting"},
    {L"command-line password", L"command-line passwords", "command_line_password"},
    {L"authorization header", L"authorization headers", "authorization_header"},
    {L"cookie header", L"cookie headers", "cookie_header"},
    {L"URL password", L"URL passwords", "url_password"},
    {L"private key", L"private keys", "private_key"},
    {L"JSON web token", L"JSON web tokens", "json_web_token"},
    {L"bearer token", L"bearer tokens", "bearer_token"},
    {L"cloud access key", L"cloud access keys", "cloud_access_key"},
    {L"host name", L"host names", "host_name"},
    {L"IPv4 address", L"IPv4 addresses", "ipv4_address"},
    {L"IPv6 address", L"IPv6 addresses", "ipv6_address"},
    {L"MAC address", L"MAC addresses", "mac_address"},
};

}  // namespace

std::wstring CountText(MaskKind kind, unsigned long long count) {
  const KindName& name = kNames[static_cast<size_t>(kind)];
  return std::to_wstring(count) + L" " + (count == 1 ? name.one : name.many);
}

const char* KindKey(MaskKind kind) { return kNames[static_cast<size_t>(kind)].key; }

}  // namespace mask
}  // namespace velt
