// velt: the console front end of the engine.
#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"

namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: velt <command> [options]\n"
               "\n"
               "commands:\n"
               "  collect         gather logs into a zip bundle (velt collect --help)\n"
               "  clear           delete the logs the configurations mark clearable\n"
               "  list            list the file IDs the configurations offer\n"
               "  upload BUNDLE   send a bundle to the upload service (velt upload --help)\n"
               "  describe CODE   print the name and description of a result code\n"
               "  --version       print the version\n"
               "  --help          print this help\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    PrintUsage(stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("velt %s\n", VELT_VERSION);
    return 0;
  }
  if (command == "collect") {
    return velt::cli::Collect(argc - 2, argv + 2);
  }
  if (command == "clear") {
    return velt::cli::Clear(argc - 2, argv + 2);
  }
  if (command == "list") {
    return velt::cli::List(argc - 2, argv + 2);
  }
  if (command == "upload") {
    return velt::cli::Upload(argc - 2, argv + 2);
  }
  if (command == "describe") {
    return velt::cli::Describe(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "velt: unknown command '%s'\n", command.c_str());
  PrintUsage(stderr);
  return 2;
}
