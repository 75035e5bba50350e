// The secrets of particular programs' files and outputs, in the forms those
// programs write them.
#include <string>

#include "mask/SecretRules.h"

namespace velt {
namespace mask {

void AppendServiceRules(std::vector<RuleDefinition>& rules) {
  const std::string quoted = QuotedValuePattern();
  const RuleAction groups = RuleAction::kMaskGroups;

  // Private key blocks: PEM and OpenSSH keys, OpenVPN static keys
  // (tls-auth, tls-crypt, secret) and tls-crypt-v2 keys, PuTTY's private lines.
  const MaskKind key = MaskKind::kPrivateKey;
  rules.push_back({key, RuleAction::kBlockBegin,
                   R"re(-----BEGIN (?:[ A-Z0-9]*PRIVATE KEY(?: BLOCK)?|OpenVPN Static key V[0-9]+|)re"
                   R"re(OpenVPN tls-crypt-v2 (?:client|server) key)-----|(?m)^Private-Lines:[ \t]*[0-9]+)re"});
  rules.push_back({key, RuleAction::kBlockEnd,
                   R"re(-----END (?:[ A-Z0-9]*PRIVATE KEY(?: BLOCK)?|OpenVPN Static key V[0-9]+|)re"
                   R"re(OpenVPN tls-crypt-v2 (?:client|server) key)-----|(?m)^Private-(?:MAC|Hash):)re"});
  // OpenVPN's inline credentials and PKCS#12 bundles.
  rules.push_back({MaskKind::kSetting, RuleAction::kBlockBegin,
                   R"re((?m)^[ \t]*<(?:auth-user-pass|http-proxy-user-pass)>[ \t]*\r?$)re",
                   BlockType::kElement});
  rules.push_back({key, RuleAction::kBlockBegin, R"re((?m)^[ \t]*<pkcs12>[ \t]*\r?$)re",
                   BlockType::kElement});

  const MaskKind ipsec = MaskKind::kIpsecKey;
  // ip xfrm state: "auth-trunc hmac(sha256) 0x... 128", "enc cbc(aes) 0x...",
  // "aead rfc4106(gcm(aes)) 0x... 128", also as ip xfrm's arguments.
  rules.push_back({ipsec, groups,
                   R"re((?m)(?:^|[ \t])(?:auth|auth-trunc|enc|aead|comp)[ \t]+['"]?[a-z0-9()_,-]+)re"
                   R"re(['"]?[ \t]+(0x[0-9a-fA-F]{8,}|"[^"\r\n]*"))re"});
  // strongSwan's ipsec.secrets: ": PSK "x"", "user : EAP "x"", ": XAUTH x",
  // and the passphrase or PIN after a key file or slot (": RSA key.pem "x"",
  // ": PIN %smartcard1 1234").
  rules.push_back({ipsec, groups,
                   R"re((?m)(?:^|[ \t]):[ \t]*(?:PSK|EAP|XAUTH|NTLM)[ \t]+(?:)re" + quoted +
                       R"re(|([^ \t\r\n#]+)))re"});
  rules.push_back({ipsec, groups,
                   R"re((?m)(?:^|[ \t]):[ \t]*(?:RSA|ECDSA|BLISS|PKCS8|P12|PKCS12|PPK|PRIVATE|PIN))re"
                   R"re([ \t]+[^ \t\r\n]+[ \t]+(?:)re" +
                       quoted + R"re(|([^ \t\r\n#]+)))re"});

  const MaskKind setting = MaskKind::kSetting;
  // wg show ... dump: the interface line (private key, public key, port,
  // fwmark) and the peer lines (public key, preshared key, endpoint, ...).
  const std::string wgKey = R"re([A-Za-z0-9+/]{43}=)re";
  rules.push_back({setting, groups,
                   R"re((?m)^(?:[A-Za-z0-9_.=-]+\t)?()re" + wgKey + R"re()\t)re" + wgKey +
                       R"re(\t[0-9]+\t(?:off|[0-9]+|0x[0-9a-fA-F]+)\r?$)re"});
  rules.push_back({setting, groups,
                   R"re((?m)^(?:[A-Za-z0-9_.=-]+\t)?)re" + wgKey + R"re(\t()re" + wgKey +
                       R"re()\t[^\t\r\n]*\t[^\t\r\n]*\t[0-9]+\t[0-9]+\t[0-9]+\t)re"});
  // .pgpass: host:port:database:user:password, the host a name, an
  // address or "*" (not the first byte of a hex dump).
  rules.push_back(
      {setting, groups,
       R"re((?m)^(?:\*|[A-Za-z0-9.-]*[A-Za-z.][A-Za-z0-9.-]*|\[[0-9a-fA-F:]+\]):(?:\*|[0-9]{1,5}):)re"
       R"re((?:[^:\s\\]|\\.)+:(?:[^:\s\\]|\\.)+:)re"
       R"re(((?:[^:\r\n\\]|\\.)+)\r?$)re"});
  // .netrc: "machine host login user password x" on one line.
  rules.push_back({setting, groups,
                   R"re((?m)(?:^|[ \t])(?:machine[ \t]+[^ \t\r\n]+|default))re"
                   R"re((?:[ \t]+(?:login|account|port)[ \t]+[^ \t\r\n]+)*[ \t]+password[ \t]+)re"
                   R"re(([^ \t\r\n]+))re"});
  // SQL: PASSWORD 'x' (PostgreSQL, MySQL), IDENTIFIED BY 'x'.
  rules.push_back({setting, groups,
                   R"re((?i)\b(?:password|identified[ \t]+by)[ \t]+'((?:[^'\\\r\n]|\\.|'')*)')re"});

  // /etc/shadow lines with a traditional DES hash (the other hash formats
  // are token shapes).
  rules.push_back({MaskKind::kPasswordHash, groups,
                   R"re((?m)^[a-z_][a-z0-9_.-]*\$?:([./A-Za-z0-9]{13}):[0-9]*:[0-9]*:[0-9]*:)re"
                   R"re([0-9]*:[0-9]*:[0-9]*:[0-9]*\r?$)re"});

  // Container registry logins: "auth" (base64 of user:password) in
  // Docker's and podman's auth files and in containerd's configuration.
  const MaskKind registry = MaskKind::kRegistryAuth;
  rules.push_back({registry, groups,
                   R"re((?i)["']auth["'][ \t]*:[ \t]*["']([A-Za-z0-9+/]{8,}={0,2})["'])re"});
  rules.push_back({registry, groups,
                   R"re((?im)^[ \t]*auth[ \t]*[=:][ \t]*["']?([A-Za-z0-9+/]{8,}={0,2})["']?[ \t]*\r?$)re"});

  // Kubernetes Secrets: the maps under "data:" and "stringData:", in YAML
  // and in JSON, and as the one-line JSON of an annotation.
  const MaskKind secret = MaskKind::kKubernetesSecret;
  rules.push_back({secret, RuleAction::kBlockBegin,
                   R"re((?m)^[ \t]*(?:data:|"data"[ \t]*:[ \t]*\{)[ \t]*\r?$)re", BlockType::kData});
  rules.push_back({secret, RuleAction::kBlockBegin,
                   R"re((?m)^[ \t]*(?:stringData:|"stringData"[ \t]*:[ \t]*\{)[ \t]*\r?$)re",
                   BlockType::kStringData});
  const std::string map = R"re("(?:data|stringData)"[ \t]*:[ \t]*\{([^{}\r\n]+)\})re";
  const std::string kind = R"re("kind"[ \t]*:[ \t]*"Secret")re";
  const std::string between = R"re([^\r\n]*)re";
  rules.push_back({secret, RuleAction::kJsonMap, map + between + kind});
  rules.push_back({secret, RuleAction::kJsonMap, kind + between + map});
}

}  // namespace mask
}  // namespace velt
