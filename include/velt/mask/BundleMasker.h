// Masking of the collected files before they are zipped: secrets (passwords,
// keys, tokens, cookies, private keys, credentials in URLs) are replaced by a
// fixed marker, and on request host names and addresses by pseudonyms that
// stay the same across every file of the run. docs/masking.md lists the
// patterns and the pseudonym scheme.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "velt/VeltExport.h"

namespace velt {

struct MaskOptions {
  bool secrets = true;                // passwords, keys, tokens, cookies, PEM keys, URL credentials
  bool hosts = false;                 // host names, given domains, IPv4/IPv6, MAC -> pseudonyms
  std::vector<std::wstring> domains;  // extra domain names to pseudonymise (with hosts)
};

namespace mask {
class MaskState;
}

// One masker serves one run and one thread.
class VELT_API BundleMasker {
 public:
  // The text that replaces a masked value.
  static constexpr const char* kMarker = "[MASKED]";

  explicit BundleMasker(MaskOptions options);
  ~BundleMasker();
  BundleMasker(const BundleMasker&) = delete;
  BundleMasker& operator=(const BundleMasker&) = delete;

  // Rewrites one file of the temporary bundle folder in place, streaming (memory does not grow
  // with file size): reads it without following links, writes a sibling temporary file created
  // exclusively (same mode, owner and times), renames it over the original only when something
  // changed. `shownName` is how the summary names the file (e.g. "Network/ip_addr.txt").
  // A binary file is left alone and remembered as "not scanned". 0 or a result code (logged);
  // after a failure the file is as it was, unmasked, and is remembered as not scanned.
  long MaskFile(const std::wstring& path, const std::wstring& shownName);
  // The same, and what was replaced in the file, by kind ("ipv4_address":
  // 3); kinds with nothing replaced are left out. For manifest.json.
  long MaskFile(const std::wstring& path, const std::wstring& shownName,
                std::map<std::string, unsigned long long>& replaced);

  // Lines for the bundle summary's masking note: what was masked (counts per kind and per
  // file), files not scanned, and whether host pseudonymisation was on. Empty when MaskFile
  // was never called.
  std::vector<std::wstring> SummaryNote() const;

  // Hosts mode: writes the pseudonym mapping ("original -> pseudonym", one per line, after a
  // "#" heading) to `path`: written beside it with mode 0600 and renamed to `path` when
  // complete, never through a link; an existing file or link at `path` is refused, or with
  // `replace` replaced (a link itself). Without hosts mode nothing is written. 0 or a result
  // code (logged); `reason` then names the path and why.
  long WriteMapping(const std::wstring& path) const;
  long WriteMapping(const std::wstring& path, bool replace, std::wstring& reason) const;

 private:
  std::unique_ptr<mask::MaskState> m_state;
};

}  // namespace velt
