#include "CommandLine.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace velt {
namespace cli {
namespace {

// The full name of the command `app` is, for messages: "velt collect".
std::string CommandName(const CLI::App& app) {
  std::string name = app.get_name();
  for (const CLI::App* parent = app.get_parent(); parent != nullptr;
       parent = parent->get_parent()) {
    name = parent->get_name() + " " + name;
  }
  return name;
}

// What a usage error of `app` starts with: "collect: " for a command, ""
// for velt itself.
std::string Prefix(const CLI::App& app) {
  return app.get_parent() != nullptr ? app.get_name() + ": " : "";
}

// Breaks each line of `text` longer than `width` at blanks.
std::string Wrap(const std::string& text, std::size_t width) {
  std::string wrapped;
  std::size_t lineStart = 0;
  std::size_t lastBlank = std::string::npos;
  for (char c : text) {
    if (c == '\n') {
      lineStart = wrapped.size() + 1;
      lastBlank = std::string::npos;
    } else if (c == ' ') {
      lastBlank = wrapped.size();
    }
    wrapped += c;
    if (wrapped.size() - lineStart > width && lastBlank != std::string::npos) {
      wrapped[lastBlank] = '\n';
      lineStart = lastBlank + 1;
      lastBlank = std::string::npos;
    }
  }
  return wrapped;
}

class WrappingFormatter : public CLI::Formatter {
 public:
  WrappingFormatter() { column_width(28); }
  std::string make_option_desc(const CLI::Option* option) const override {
    return Wrap(option->get_description(), 79 - 28);
  }
  std::string make_description(const CLI::App* app) const override {
    return Wrap(CLI::Formatter::make_description(app), 79);
  }
  std::string make_footer(const CLI::App* app) const override {
    return Wrap(CLI::Formatter::make_footer(app), 79);
  }
};

// The deepest command the user named, for the pointer to its help.
const CLI::App& SelectedCommand(const CLI::App& velt) {
  const CLI::App* selected = &velt;
  for (std::vector<CLI::App*> below = velt.get_subcommands(); !below.empty();
       below = below.front()->get_subcommands()) {
    selected = below.front();
  }
  return *selected;
}

bool LooksLikeOption(const std::string& word) {
  // A negative number is a value ("velt describe -21"), not an option.
  return word.size() > 1 && word[0] == '-' && (word[1] < '0' || word[1] > '9');
}

// The usage error for the unknown option `word` of `app`, with the nearest
// option `app` knows.
int UnknownOption(const CLI::App& app, const std::string& word) {
  const std::string option = word.substr(0, word.find('='));
  return UsageError(Prefix(app) + "unknown option '" + option + "' (did you mean '" +
                    Nearest(option, OptionNames(app)) + "'?); see '" + CommandName(app) +
                    " --help'");
}

}  // namespace

std::shared_ptr<CLI::FormatterBase> HelpFormatter() {
  return std::make_shared<WrappingFormatter>();
}

int UsageError(const std::string& text) {
  std::fprintf(stderr, "velt: %s\n", text.c_str());
  return kExitUsage;
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) {
    row[j] = j;
  }
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string Nearest(const std::string& word, const std::vector<std::string>& candidates) {
  std::string nearest;
  std::size_t best = 0;
  for (const std::string& candidate : candidates) {
    const std::size_t distance = EditDistance(word, candidate);
    if (nearest.empty() || distance < best) {
      nearest = candidate;
      best = distance;
    }
  }
  return nearest;
}

std::vector<std::string> OptionNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) {
      names.push_back("--" + name);
    }
    for (const std::string& name : option->get_snames()) {
      names.push_back("-" + name);
    }
  }
  return names;
}

int RejectLeftovers(const CLI::App& app, const std::vector<std::string>& commands) {
  std::vector<std::string> left = app.remaining();
  left.erase(std::remove(left.begin(), left.end(), "--"), left.end());
  if (left.empty()) {
    return -1;
  }
  const std::string help = "; see '" + CommandName(app) + " --help'";
  const std::string& first = left.front();
  if (LooksLikeOption(first)) {
    return UnknownOption(app, first);
  }
  if (!commands.empty()) {
    return UsageError("unknown command '" + first + "' (did you mean '" +
                      Nearest(first, commands) + "'?)" + help);
  }
  return UsageError(Prefix(app) + "unexpected argument '" + first + "'" + help);
}

int ReportParseError(const CLI::App& velt, const CLI::ParseError& error) {
  if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
    return velt.exit(error, std::cout, std::cerr) == 0 ? kExitSuccess : kExitUsage;
  }
  const CLI::App& command = SelectedCommand(velt);
  // An unknown option is named first: what the parser found missing or
  // wrong is most often that option misspelled ("--usr" for a required
  // "--user").
  const std::vector<std::string> left = command.remaining();
  const auto options = std::find(left.begin(), left.end(), "--");
  const auto unknown = std::find_if(left.begin(), options, LooksLikeOption);
  if (unknown != options) {
    return UnknownOption(command, *unknown);
  }
  return UsageError(Prefix(command) + error.what() + "; see '" + CommandName(command) +
                    " --help'");
}

}  // namespace cli
}  // namespace velt
