// What velt does around its command-line parser: the exit statuses, usage
// errors that name the nearest known option or command, and the shape every
// command shares (a subcommand of `velt` and the function that runs it).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
class FormatterBase;
class ParseError;
}  // namespace CLI

namespace velt {
namespace cli {

// Exit statuses. A run stopped by a signal exits 128 + the signal number.
constexpr int kExitSuccess = 0;
constexpr int kExitRunFailed = 1;
constexpr int kExitUsage = 2;

// One command of velt: its subcommand (options, help) and what runs it once
// the command line has been parsed.
struct Command {
  CLI::App* app = nullptr;
  std::function<int()> run;
};

// The help layout: option descriptions, descriptions and footers wrapped
// to fit 80 columns. Set it on `velt` before adding the commands.
std::shared_ptr<CLI::FormatterBase> HelpFormatter();

// Prints "velt: <text>" on standard error; returns kExitUsage.
int UsageError(const std::string& text);

// The number of single-character edits that turn `a` into `b`.
std::size_t EditDistance(const std::string& a, const std::string& b);
// The candidate nearest to `word` (the first of equally near ones); empty
// when there are no candidates.
std::string Nearest(const std::string& word, const std::vector<std::string>& candidates);

// Every long and short option name of `app`, with its dashes.
std::vector<std::string> OptionNames(const CLI::App& app);

// After a successful parse: arguments `app` did not take (an unknown option
// or a stray word) are a usage error naming the nearest option or, with
// `commands`, the nearest command. Returns kExitUsage after the message, or
// -1 when nothing was left over.
int RejectLeftovers(const CLI::App& app, const std::vector<std::string>& commands = {});

// The parser's own failures: help and version requests print and give 0,
// everything else is a usage error with a pointer to the command's help,
// naming an unknown option the command was given before the failure itself.
int ReportParseError(const CLI::App& velt, const CLI::ParseError& error);

}  // namespace cli
}  // namespace velt
