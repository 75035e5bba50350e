// The pseudonyms of one run: the same address or name gets the same
// pseudonym in every file, and the mapping back is kept for the sender.
//
// IPv4: the first three octets are replaced (see PrefixPseudonyms), the last
// is kept. IPv6: all eight groups; IPv4-mapped addresses use the IPv4
// pseudonym. Loopback, unspecified, documentation, multicast, reserved and
// IPv4 link-local addresses and netmasks stay. Private, shared, link-local
// IPv6 and unique-local addresses stay in their ranges. MAC: the
// manufacturer's half stays, the rest is replaced; broadcast and multicast
// MACs stay. Names: every label becomes "host<N>" and the domain "domain<N>.invalid".
#pragma once

#include <re2/re2.h>

#include <functional>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "mask/PrefixPseudonyms.h"

namespace velt {
namespace mask {

class Pseudonyms {
 public:
  // `domains`: lower case (NormalName), as given to the host name rule.
  explicit Pseudonyms(std::vector<std::string> domains);

  // Each writes the pseudonym of `text`; false when the text stays as it is.
  bool Ipv4(const re2::StringPiece& text, std::string& pseudonym);
  bool Ipv6(const re2::StringPiece& text, std::string& pseudonym);
  bool Mac(const re2::StringPiece& text, std::string& pseudonym);
  bool HostName(const re2::StringPiece& text, std::string& pseudonym);

  // Calls `line` with "original -> pseudonym" for everything replaced so
  // far: IPv4 and IPv6 addresses in address order, then MAC addresses, then
  // names; stops at the first call that returns false.
  void Mapping(const std::function<bool(const std::string&)>& line) const;

 private:
  uint32_t Random() { return m_random(); }
  std::string NamePseudonym(const std::string& name);
  std::string LabelPseudonym(const std::string& label);

  std::random_device m_random;
  PrefixPseudonyms m_ipv4;
  PrefixPseudonyms m_ipv6;
  std::unordered_map<uint64_t, uint64_t> m_macs;
  std::unordered_set<uint64_t> m_macsTaken;
  std::vector<std::string> m_domains;
  std::map<std::string, std::string> m_names;  // full name -> pseudonym
  std::unordered_map<std::string, std::string> m_labels;
  std::unordered_map<std::string, std::string> m_roots;
};

}  // namespace mask
}  // namespace velt
