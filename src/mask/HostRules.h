// Host names and addresses, pseudonymised on request: IPv4, IPv6 and MAC
// addresses, the machine's own names and names under domains the user gives.
// The patterns find candidates; the checks below decide whether a candidate
// stands on its own (is not part of a version number, a longer hardware
// address, a C++ name or a longer host name).
#pragma once

#include <re2/re2.h>

#include <string>
#include <vector>

#include "mask/MaskRules.h"

namespace velt {
namespace mask {

// `names`: the machine's own names, exact; `domains`: domains whose names
// (the domain itself and every name ending in "." + domain) are replaced.
// Both lower case (see NormalName).
void AppendHostRules(const std::vector<std::string>& names, const std::vector<std::string>& domains,
                     std::vector<RuleDefinition>& rules);

// Lower case, without a leading "*." or "." and a trailing "."; empty when
// the name cannot be told from ordinary words (a single character,
// or "localhost").
std::string NormalName(const std::string& name);

// Each check looks at the characters around text[begin, end).
// Not inside a dotted number ("1.2.3.4.5" is a version).
bool IsolatedIpv4(const re2::StringPiece& text, size_t begin, size_t end);
// Not six bytes of a longer hardware address.
bool IsolatedMac(const re2::StringPiece& text, size_t begin, size_t end);
// Not a label of a longer name, nor part of a word.
bool IsolatedName(const re2::StringPiece& text, size_t begin, size_t end);

// Widens a match of the IPv6 rule to the address around it and checks it is
// one ("::1", "fe80::1%eth0", ":::22" as netstat prints address and port).
// `resume` is where the search goes on whatever the result.
bool Ipv6Extent(const re2::StringPiece& text, size_t& begin, size_t& end, size_t& resume);

}  // namespace mask
}  // namespace velt
