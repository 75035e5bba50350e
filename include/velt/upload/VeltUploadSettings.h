// Deployment settings of an upload that the front end may override. Every
// field left empty takes the engine's default.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct VELT_UPLOAD_SETTINGS {
  // The upload service: "name", "name:port", "[IPv6]" or "[IPv6]:port".
  // Empty: the host the engine was built with (VELT_UPLOAD_HOST).
  std::wstring host;
  // A PEM file of trusted certification authorities, which may also hold
  // certificate revocation lists. Empty: the system's default trust store.
  std::wstring caFile;
  // Called while the bundle is sent with the bytes sent so far and the
  // bundle's size. Optional.
  std::function<void(int64_t sent, int64_t total)> progress;
  // Seconds to wait for the connection (TCP and TLS) and, later, for any
  // byte to move. 0: 60 seconds to connect, 120 seconds of standstill.
  long timeoutSeconds = 0;
  // The slowest average rate, in bytes a second, that the whole exchange is
  // given time for: it may take the connect and standstill limits above
  // plus the bundle's size at this rate. 0: 8192 bytes a second.
  long floorBytesPerSecond = 0;
};
