#include "mask/MaskKind.h"

namespace velt {
namespace mask {

namespace {

struct KindName {
  const wchar_t* one;
  const wchar_t* many;
};

const KindName kNames[kMaskKindCount] = {
    {L"credential setting", L"credential settings"},
    {L"command-line password", L"command-line passwords"},
    {L"authorization header", L"authorization headers"},
    {L"cookie header", L"cookie headers"},
    {L"URL password", L"URL passwords"},
    {L"private key", L"private keys"},
    {L"JSON web token", L"JSON web tokens"},
    {L"bearer token", L"bearer tokens"},
    {L"cloud access key", L"cloud access keys"},
    {L"host name", L"host names"},
    {L"IPv4 address", L"IPv4 addresses"},
    {L"IPv6 address", L"IPv6 addresses"},
    {L"MAC address", L"MAC addresses"},
};

}  // namespace

std::wstring CountText(MaskKind kind, unsigned long long count) {
  const KindName& name = kNames[static_cast<size_t>(kind)];
  return std::to_wstring(count) + L" " + (count == 1 ? name.one : name.many);
}

}  // namespace mask
}  // namespace velt
