// The secrets masked by default: values of credential settings in the forms
// configuration files, JSON, XML and command lines use, authorization and
// cookie headers, passwords in URLs, private key blocks, token shapes, and
// the files of particular programs (ServiceRules.cc). docs/masking.md
// explains each pattern and the decoys it leaves alone.
#pragma once

#include <re2/re2.h>

#include <functional>
#include <vector>

#include "mask/MaskRules.h"

namespace velt {
namespace mask {

void AppendSecretRules(std::vector<RuleDefinition>& rules);

// The secrets of particular programs' files and outputs: IPsec, WireGuard,
// .pgpass, .netrc, password hashes, container registry logins, Kubernetes
// Secrets, OpenVPN and PuTTY keys. Part of AppendSecretRules.
void AppendServiceRules(std::vector<RuleDefinition>& rules);

// A value in double or single quotes: two groups, one per kind of quote.
const char* QuotedValuePattern();

// Whether `name`, found in `text`, names a credential setting: it begins a
// word ("bypass" does not), and it does not say that its value is not the
// secret itself ("password-flags", "token_type", "PasswordAuthentication",
// "psk_file", a bare "passwd", the name of a database and of a program).
bool IsSettingName(const re2::StringPiece& text, const re2::StringPiece& name);

// A value that states a choice rather than holds a secret ("no", "none",
// "0"), a port ("464/tcp"), a single character, the rest of a comparison
// ("== x"), or that is masked already ("********", the marker).
bool IsPlaceholderValue(const re2::StringPiece& value);

// A word of prose rather than a secret: letters and a closing punctuation
// mark ("combination.").
bool IsProseWord(const re2::StringPiece& value);

// A bearer credential rather than a word: at least 8 characters with a digit
// in them, or at least 32.
bool LooksLikeToken(const re2::StringPiece& value);

// Calls `value` with every string value of the JSON object text `object`
// ('"a":"x","b":"y"'), without its quotes.
void ForEachJsonValue(const re2::StringPiece& object,
                      const std::function<void(const re2::StringPiece&)>& value);

}  // namespace mask
}  // namespace velt
