#include "velt/upload/CVeltUploaderFactory.h"

#include "velt/upload/CVeltUploader.h"

std::shared_ptr<IVeltUploader> CVeltUploaderFactory::Create(const std::wstring& filePath,
                                                            const std::wstring& userName,
                                                            const std::wstring& password) {
  return std::make_shared<CVeltUploader>(filePath, userName, password);
}

std::shared_ptr<IVeltUploader> CVeltUploaderFactory::Create(const std::wstring& filePath,
                                                            const std::wstring& userName,
                                                            const std::wstring& password,
                                                            const VELT_UPLOAD_SETTINGS& settings) {
  return std::make_shared<CVeltUploader>(filePath, userName, password, settings);
}
