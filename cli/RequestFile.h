// Request documents: the one velt makes from command-line entries, and the
// check of one a user names.
#pragma once

#include <string>
#include <vector>

namespace velt {
namespace cli {

// A request document for `ids` with `comment` (UTF-8). It goes to the
// engine in memory (VeltCollectExtras::requestDocument): no file holds the
// IDs and the comment, so a killed run leaves none behind.
std::string RequestDocument(const std::vector<std::string>& ids, const std::string& comment);

// True when `path` is a request the engine will read: a readable regular
// file that parses into one document. Otherwise prints the path, the reason
// (the system's, or the XML parser's) and what to do on standard error.
// Call it before the application log is set up: the parser's reason is
// taken from what it logs.
bool CheckRequestFile(const std::string& path);

}  // namespace cli
}  // namespace velt
