// The commands of the console front end. Each returns the process's exit
// status: 0 success, 1 a failed run, 2 a usage error.
#pragma once

namespace velt {
namespace cli {

int Collect(int argc, char** argv);
int Clear(int argc, char** argv);
int List(int argc, char** argv);
int Describe(int argc, char** argv);
int Upload(int argc, char** argv);

}  // namespace cli
}  // namespace velt
