#include "platform/AddressText.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace velt {
namespace platform {

// The conversions need no WSAStartup: they touch no socket.

bool ParseIpv4(const std::string& text, uint8_t address[4]) {
  return inet_pton(AF_INET, text.c_str(), address) == 1;
}

bool ParseIpv6(const std::string& text, uint8_t address[16]) {
  return inet_pton(AF_INET6, text.c_str(), address) == 1;
}

std::string FormatIpv4(const uint8_t address[4]) {
  char text[INET_ADDRSTRLEN];
  return inet_ntop(AF_INET, address, text, sizeof(text)) ? text : std::string();
}

std::string FormatIpv6(const uint8_t address[16]) {
  char text[INET6_ADDRSTRLEN];
  return inet_ntop(AF_INET6, address, text, sizeof(text)) ? text : std::string();
}

}  // namespace platform
}  // namespace velt
