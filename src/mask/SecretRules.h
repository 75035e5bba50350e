// The secrets masked by default: values of credential settings in the forms
// configuration files, JSON, XML and command lines use, authorization and
// cookie headers, passwords in URLs, private key blocks and token shapes.
// docs/masking.md explains each pattern and the decoys it leaves alone.
#pragma once

#include <re2/re2.h>

#include <vector>

#include "mask/MaskRules.h"

namespace velt {
namespace mask {

void AppendSecretRules(std::vector<RuleDefinition>& rules);

// A setting whose name says that its value is not the secret itself:
// "password-flags", "token_type", "PasswordAuthentication", "psk_file", and
// a bare "passwd" (the name of a database and of a program).
bool IsHarmlessSettingName(const re2::StringPiece& name);

// A value that states a choice rather than holds a secret ("no", "none",
// "0") or that is masked already ("********", the marker).
bool IsPlaceholderValue(const re2::StringPiece& value);

// A bearer credential rather than a word: at least 8 characters with a digit
// in them, or at least 32.
bool LooksLikeToken(const re2::StringPiece& value);

}  // namespace mask
}  // namespace velt
