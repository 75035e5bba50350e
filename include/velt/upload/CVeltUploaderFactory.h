// Makes uploaders for the front end.
#pragma once

#include <memory>
#include <string>

#include "velt/VeltExport.h"
#include "velt/upload/IVeltUploader.h"
#include "velt/upload/VeltUploadSettings.h"

class VELT_API CVeltUploaderFactory {
 public:
  // An uploader of `filePath` for the account `userName` / `password`
  // (a password or a token), sending to the engine's default host. The
  // object and its reference counts are one allocation.
  static std::shared_ptr<IVeltUploader> Create(const std::wstring& filePath,
                                               const std::wstring& userName,
                                               const std::wstring& password);
  // The same with the front end's own host, trust store or progress hook.
  static std::shared_ptr<IVeltUploader> Create(const std::wstring& filePath,
                                               const std::wstring& userName,
                                               const std::wstring& password,
                                               const VELT_UPLOAD_SETTINGS& settings);
};
