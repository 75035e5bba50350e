#include "SecretInput.h"

#include <cstdio>
#include <cstring>

#include "velt/platform/Secrets.h"
#include "velt/platform/Stream.h"
#include "velt/platform/SystemError.h"

namespace velt {
namespace cli {
namespace {

void DropLineEnd(std::string& text) {
  if (!text.empty() && text.back() == '\n') {
    text.pop_back();
    if (!text.empty() && text.back() == '\r') {
      text.pop_back();
    }
  }
}

bool ReadFromFile(const std::string& path, std::string& secret) {
  std::FILE* in = nullptr;
  const int error = platform::OpenStream(path, "rb", in);
  if (error != 0) {
    std::fprintf(stderr, "velt: cannot read the secret file %s: %s\n", path.c_str(),
                 platform::SystemErrorText(static_cast<unsigned long>(error)).c_str());
    return false;
  }
  char buffer[4096];
  size_t got = 0;
  bool ok = true;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
    secret.append(buffer, got);
    if (secret.size() > 64 * 1024) {
      std::fprintf(stderr, "velt: the secret file %s is too large to hold a secret\n",
                   path.c_str());
      ok = false;
      break;
    }
  }
  if (ok && std::ferror(in)) {
    std::fprintf(stderr, "velt: cannot read the secret file %s\n", path.c_str());
    ok = false;
  }
  std::memset(buffer, 0, sizeof buffer);
  std::fclose(in);
  if (!ok) {
    WipeSecret(secret);
    secret.clear();
    return false;
  }
  DropLineEnd(secret);
  return true;
}

bool ReadFromTerminal(const std::string& prompt, std::string& secret) {
  int error = 0;
  switch (platform::ReadHiddenLine(prompt, secret, error)) {
    case platform::HiddenAnswer::kAnswered:
      DropLineEnd(secret);
      return true;
    case platform::HiddenAnswer::kNoTerminal:
      std::fprintf(stderr,
                   "velt: no terminal to ask for the secret on; name a secret file or an "
                   "environment variable instead\n");
      return false;
    case platform::HiddenAnswer::kEchoStaysOn:
      std::fprintf(stderr, "velt: cannot turn off the terminal's echo: %s\n",
                   platform::SystemErrorText(static_cast<unsigned long>(error)).c_str());
      return false;
    case platform::HiddenAnswer::kNoAnswer:
      break;
  }
  WipeSecret(secret);
  secret.clear();
  std::fprintf(stderr, "velt: no secret was typed\n");
  return false;
}

template <typename Text>
void Wipe(Text& secret) {
  using Unit = typename Text::value_type;
  volatile Unit* units = secret.empty() ? nullptr : &secret[0];
  for (size_t i = 0; i < secret.size(); ++i) {
    units[i] = Unit();
  }
}

}  // namespace

void WipeSecret(std::string& secret) { Wipe(secret); }
void WipeSecret(std::wstring& secret) { Wipe(secret); }

namespace {

bool ReadFromSource(const SecretSource& source, std::string& secret) {
  if (!source.file.empty()) {
    return ReadFromFile(source.file, secret);
  }
  if (!source.environmentVariable.empty()) {
    if (!platform::TakeEnvironmentVariable(source.environmentVariable, secret)) {
      std::fprintf(stderr, "velt: the environment variable %s is not set; export it, or name "
                           "another source for the secret\n",
                   source.environmentVariable.c_str());
      return false;
    }
    return true;
  }
  if (!ReadFromTerminal(source.prompt, secret)) {
    return false;
  }
  if (source.confirmPrompt.empty()) {
    return true;
  }
  std::string again;
  const bool typed = ReadFromTerminal(source.confirmPrompt, again);
  const bool same = typed && again == secret;
  WipeSecret(again);
  if (!same) {
    WipeSecret(secret);
    secret.clear();
  }
  if (typed && !same) {
    std::fprintf(stderr, "velt: the two entries differ; nothing was done, type the same secret "
                         "twice\n");
  }
  return same;
}

}  // namespace

bool ReadSecret(const SecretSource& source, std::string& secret) {
  secret.clear();
  const int named = !source.file.empty() + !source.environmentVariable.empty() +
                    !source.prompt.empty();
  if (named > 1) {
    std::fprintf(stderr, "velt: name only one source for the secret (a file, an environment "
                         "variable or the prompt)\n");
    return false;
  }
  if (named == 0) {
    return true;
  }
  platform::KeepMemoryPrivate();
  if (!ReadFromSource(source, secret)) {
    return false;
  }
  if (secret.empty()) {
    std::fprintf(stderr, "velt: the secret from %s is empty; give a non-empty one, or leave "
                         "out the option for no secret\n",
                 !source.file.empty() ? source.file.c_str()
                 : !source.environmentVariable.empty() ? source.environmentVariable.c_str()
                                                       : "the prompt");
    return false;
  }
  return true;
}

}  // namespace cli
}  // namespace velt
