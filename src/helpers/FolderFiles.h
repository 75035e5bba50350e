// The file utilities inside a folder opened by the safe walk
// (platform::WalkedFolder). The actions open the folder of a configured
// location once and search, copy and delete in it, so that what they do
// stays in the folder that was checked; helperUtil's path forms open their
// folder the same way and then do exactly this.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "platform/WalkedFolder.h"
#include "velt/helpers/FileInfo.h"

namespace velt {

// Opens `folder` by the safe walk. 0; VELTENGINE_ERROR_FILE_NOT_FOUND when
// it is missing or not a folder (not logged); VELTENGINE_ERROR_ACCESS_DENIED
// when a link on the way breaks the owner rule (logged as a warning);
// VELTENGINE_ERROR_BAD_PARAMETER for an empty folder (logged).
// helperUtil::lastFileError() says why.
long OpenSearchFolder(const std::wstring& folder, platform::WalkedFolder& out);

// The entries of the open folder matching `pattern`, with the results,
// reasons and log lines of helperUtil::fileFindAll.
long FindEntriesInFolder(const platform::WalkedFolder& folder, const std::wstring& pattern,
                         std::vector<platform::FoundEntry>& found);
// The same as search records, appended to `files`.
long FindInFolder(const platform::WalkedFolder& folder, const std::wstring& pattern,
                  std::list<FILE_INFO>& files);
// The newest match, as helperUtil::fileGetNewestMatchingFile picks it.
long FindNewestInFolder(const platform::WalkedFolder& folder, const std::wstring& pattern,
                        FILE_INFO& newest);
// helperUtil::fileCopy of the entry `name` of the open folder.
long CopyFromFolder(const platform::WalkedFolder& folder, const std::wstring& name,
                    const std::wstring& destination);

}  // namespace velt
