// velt: the console front end of the engine.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"

namespace velt {
namespace cli {
namespace {

// `velt help [COMMAND]`: the same text as `velt [COMMAND] --help`.
Command DefineHelp(CLI::App& velt) {
  auto topic = std::make_shared<std::string>();
  CLI::App* app = velt.add_subcommand("help", "describe velt or one of its commands");
  app->add_option("COMMAND", *topic, "the command to describe");
  return {app, [&velt, topic] {
            if (topic->empty()) {
              // velt.help() would describe the selected command, help itself.
              std::printf("%s", velt.get_formatter()
                                    ->make_help(&velt, velt.get_name(), CLI::AppFormatMode::Normal)
                                    .c_str());
              return kExitSuccess;
            }
            CLI::App* command = nullptr;
            try {
              command = velt.get_subcommand(*topic);
            } catch (const CLI::OptionNotFound&) {
              std::vector<std::string> names;
              for (const CLI::App* sub : velt.get_subcommands({})) {
                names.push_back(sub->get_name());
              }
              return UsageError("help: unknown command '" + *topic + "' (did you mean '" +
                                Nearest(*topic, names) + "'?)");
            }
            std::printf("%s", command->help(velt.get_name()).c_str());
            return kExitSuccess;
          }};
}

}  // namespace

}  // namespace cli
}  // namespace velt

int main(int argc, char** argv) {
  using namespace velt::cli;
  CLI::App velt("velt gathers logs and command outputs into a zip bundle, clears logs, and "
                "uploads bundles, as the configurations in its install folder describe.",
                "velt");
  velt.formatter(HelpFormatter());
  // A single-valued option given twice takes its last value, as is usual.
  velt.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  velt.set_version_flag("--version", "velt " VELT_VERSION);
  velt.require_subcommand(0, 1);
  velt.allow_extras();
  velt.footer(
      "Run 'velt help COMMAND' or 'velt COMMAND --help' for a command's options.\n"
      "Exit status: 0 success, 1 the run failed, 2 a usage error, 128+N stopped by signal N.");
  const std::vector<Command> commands = {DefineCollect(velt), DefineClear(velt),
                                         DefineList(velt),    DefineUpload(velt),
                                         DefineDescribe(velt), DefineHelp(velt)};
  std::vector<std::string> names;
  for (const Command& command : commands) {
    names.push_back(command.app->get_name());
    // Leftovers are reported by velt itself, with the nearest option.
    command.app->allow_extras();
  }
  try {
    velt.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return ReportParseError(velt, error);
  }
  for (const Command& command : commands) {
    if (command.app->parsed()) {
      const int leftover = RejectLeftovers(*command.app);
      return leftover >= 0 ? leftover : command.run();
    }
  }
  const int leftover = RejectLeftovers(velt, names);
  if (leftover >= 0) {
    return leftover;
  }
  std::fprintf(stderr, "%s", velt.help().c_str());
  return kExitUsage;
}
