// The commands of velt. Each defines its subcommand of `velt` (options and
// help) and returns it with the function that runs it; that function
// returns the process's exit status (CommandLine.h).
#pragma once

#include "CommandLine.h"

namespace velt {
namespace cli {

Command DefineCollect(CLI::App& velt);
Command DefineClear(CLI::App& velt);
Command DefineList(CLI::App& velt);
Command DefineUpload(CLI::App& velt);
Command DefineDescribe(CLI::App& velt);

}  // namespace cli
}  // namespace velt
