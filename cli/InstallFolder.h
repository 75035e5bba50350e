// Where the configurations are: the folder the user names, else the install
// path the registry holds, else the folder the program was installed with.
#pragma once

#include <string>

namespace velt {
namespace cli {

// An install folder (the folder above "xml/config"), ending in a separator.
std::wstring ResolveInstallFolder(const std::string& option);

}  // namespace cli
}  // namespace velt
