// Process-wide OpenSSL set-up for the TLS connections the engine makes.
#pragma once

class COpensslUtility {
 public:
  // Loads OpenSSL's algorithms and error texts; safe to call repeatedly.
  // `fipsMode` asks for FIPS-only algorithms, which this build does not
  // offer: it gives GLOBAL_ERROR_NOT_IMPLEMENTED. 0 on success.
  static long InitOpenSSL(bool fipsMode);
};
