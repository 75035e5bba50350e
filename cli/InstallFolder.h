// Where the configurations are: the folder the user names, else the install
// path the registry holds, else the folder the program was installed with.
#pragma once

#include <string>

namespace velt {
namespace cli {

// An install folder (the folder above "xml/config"), ending in a separator.
std::wstring ResolveInstallFolder(const std::string& option);

// True when the install folder's "xml/config/" can be read and holds at
// least one configuration ("*.xml"). Otherwise prints the path, the
// system's reason and what to do on standard error.
bool CheckInstallFolder(const std::wstring& installFolder);

}  // namespace cli
}  // namespace velt
