// Runs code with the process's standard output sent to a file and returns
// what it printed, for tests of console output.
#pragma once

#include <functional>
#include <string>

namespace velt {
namespace test {

std::string CaptureStdout(const std::function<void()>& work);

}  // namespace test
}  // namespace velt
