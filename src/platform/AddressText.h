// Conversion between addresses and their text, done by the system's
// resolver library.
#pragma once

#include <cstdint>
#include <string>

namespace velt {
namespace platform {

// IPv4 dotted quad into 4 bytes, IPv6 text (compressed, with or without an
// embedded IPv4 part) into 16; false when the text is not one.
bool ParseIpv4(const std::string& text, uint8_t address[4]);
bool ParseIpv6(const std::string& text, uint8_t address[16]);
std::string FormatIpv4(const uint8_t address[4]);
// The compressed lower-case form.
std::string FormatIpv6(const uint8_t address[16]);

}  // namespace platform
}  // namespace velt
