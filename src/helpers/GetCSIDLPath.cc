// The shell's special folders, by CSIDL number.
#include "platform/KnownFolders.h"
#include "velt/helpers/KnownFolders.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"

std::wstring GetCSIDLPath(long csidl) {
  std::string folder;
  int error = velt::platform::GetSpecialFolder(csidl, folder);
  if (error != 0) {
    VELT_LOG_CODE('W', "SHGetFolderPath", error, "CSIDL value = %ul",
                  static_cast<unsigned>(csidl));
    return std::wstring();
  }
  return velt::Widen(folder);
}
