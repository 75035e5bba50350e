// Turns what a finished transfer left behind into the described result a
// front end shows: the kind of failure and one sentence saying why.
#pragma once

#include <string>

#include "velt/upload/VeltUploadError.h"

namespace velt {
namespace upload {

struct TransferReport {
  int curlCode = 0;          // curl_easy_perform's result (CURLE_*)
  std::string curlText;      // libcurl's sentence about it
  long httpStatus = 0;       // the answer's status; 0 when none came
  std::string location;      // where a 3xx answer pointed, when it said
  bool certificateRejected = false;
  int verifyStatus = 0;      // X509_V_ERR_* of the rejection; 0 when the check could not run
  std::wstring certificateText;  // the check's own sentence
  std::wstring authority;    // the service's host[:port]
  long long bytesSent = 0;   // of the bundle, handed to the connection
  long long bundleBytes = 0;
  bool headersTooLarge = false;  // the answer's headers went past kAnswerPartLimit
  bool bodyTooLong = false;      // the answer's body went past kAnswerPartLimit
  bool timeLimitReached = false; // the exchange ran for its whole totalSeconds
  long totalSeconds = 0;
};

// Fills kind, httpStatus, location, curlCode, verifyStatus and message of
// `error`. A transfer that ran and got a 2xx answer is VELT_UPLOAD_OK.
void DescribeTransfer(const TransferReport& report, VELT_UPLOAD_ERROR& error);

// `text` from a server or a library, fit for a console line: control
// characters become '?', and it ends after `limit` bytes.
std::string Printable(const std::string& text, size_t limit = 512);

}  // namespace upload
}  // namespace velt
