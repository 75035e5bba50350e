#include "upload/COpensslUtility.h"

#include <openssl/ssl.h>

#include "velt/runtime/ResultCodes.h"

long COpensslUtility::InitOpenSSL(bool fipsMode) {
  if (fipsMode) {
    return GLOBAL_ERROR_NOT_IMPLEMENTED;
  }
  const uint64_t what = OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS;
  return OPENSSL_init_ssl(what, nullptr) == 1 ? 0 : GLOBAL_ERROR_NOT_INITIALIZED;
}
