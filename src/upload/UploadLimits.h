// How much of the server's answer the uploader reads and how long one upload
// may take, so that no server, however it behaves, keeps a front end busy
// without end.
#pragma once

#include <cstddef>

#include "velt/upload/VeltUploadSettings.h"

namespace velt {
namespace upload {

// The most the uploader reads of the status lines and headers of the
// server's answers (interim "100 Continue" answers included), and the most
// it reads of the answer's body. An upload service answers with a status;
// more than this is not an answer worth reading to its end.
constexpr size_t kAnswerPartLimit = 64 * 1024;

// Adds `bytes` more of one part of the answer to `readSoFar`, and gives what
// libcurl's header and write functions return: `bytes` while the part is
// within kAnswerPartLimit, else 0, which makes libcurl stop the transfer.
inline size_t TakeAnswerPart(size_t& readSoFar, size_t bytes) {
  readSoFar += bytes;
  return readSoFar > kAnswerPartLimit ? 0 : bytes;
}

struct UploadTimeLimits {
  long connectSeconds;  // to make the TCP connection and the TLS handshake
  long stallSeconds;    // of less than one byte a second before giving up
  long totalSeconds;    // for the whole exchange, answer included
  long floorRate;       // the bytes a second that totalSeconds allows for
};

// The limits of an upload of `bundleBytes` under `settings`: connect and
// stall from timeoutSeconds (else 60 and 120 seconds), and a total of
// connect + stall + the time the bundle takes at the floor rate
// (floorBytesPerSecond, else 8 KiB a second), at most 24 days.
UploadTimeLimits TimeLimitsFor(const VELT_UPLOAD_SETTINGS& settings, long long bundleBytes);

}  // namespace upload
}  // namespace velt
