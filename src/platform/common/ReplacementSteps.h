// The steps of a ReplacementFile (platform/ReplacementFile.h) that differ
// between systems; common/ReplacementFile.cc does the rest in the same way
// everywhere. Each system's ReplacementFile.cc implements them.
#pragma once

#include <string>

#include "platform/File.h"

namespace velt {
namespace platform {
namespace replacement {

// The folder part of `original` with its closing separator; empty for a
// bare name.
std::string FolderOf(const std::string& original);

// This process's number, which the copy's name holds.
unsigned long ProcessNumber();

// Gives the new `copy` the owner of `original`, whose details are
// `details`. 0 or the error number.
int GiveOwner(const std::string& original, const FileDetails& details, File& copy);

// The details the finished copy is given before it is closed.
FileDetails FinalDetails(const FileDetails& details);

// What else the closed copy at `copy` takes from `original` before it is
// renamed over it. 0 or the error number.
int GiveAccess(const std::string& original, const std::string& copy);

}  // namespace replacement
}  // namespace platform
}  // namespace velt
