// The uploader interface the front end holds: one call sends the bundle.
#pragma once

#include "velt/VeltExport.h"

class VELT_API IVeltUploader {
 public:
  // Sends the bundle with one authenticated HTTPS PUT. 0 on success, else
  // VELTUPLOADER_ERROR_BAD_PARAMETER, VELTUPLOADER_ERROR_FILE_OPEN_FAILURE
  // or VELTUPLOADER_ERROR_CURL_ERROR (the details are in the log).
  virtual long SendHTTP() = 0;
  virtual ~IVeltUploader() = default;
};
