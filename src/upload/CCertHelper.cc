#include "upload/CCertHelper.h"

#include <openssl/err.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <memory>

#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

// GLOBAL_ERROR_COMPONENT_SPECIFIC: the reason is in the verification status.
constexpr long kCertificateRejected = VeltCode(VELT_MODULE_GLOBAL, 0x0B);

struct StoreCtxFree {
  void operator()(X509_STORE_CTX* ctx) const { X509_STORE_CTX_free(ctx); }
};
struct OctetStringFree {
  void operator()(ASN1_OCTET_STRING* s) const { ASN1_OCTET_STRING_free(s); }
};

// Revocation is checked where a CRL is at hand: a missing CRL does not fail
// the chain, a revoked certificate or a bad CRL does.
int SoftFailMissingCrl(int ok, X509_STORE_CTX* ctx) {
  if (!ok && X509_STORE_CTX_get_error(ctx) == X509_V_ERR_UNABLE_TO_GET_CRL) {
    X509_STORE_CTX_set_error(ctx, X509_V_OK);
    return 1;
  }
  return ok;
}

std::string OpenSslErrorText() {
  const unsigned long error = ERR_peek_last_error();
  char text[256] = "";
  if (error != 0) {
    ERR_error_string_n(error, text, sizeof text);
  }
  ERR_clear_error();
  return text;
}

}  // namespace

CCertHelper::CCertHelper(long& result, unsigned storeType, const std::wstring& caFile)
    : m_pStore(nullptr) {
  result = 0;
  if (storeType != eCertStoreDefaultOrFile) {
    result = GLOBAL_ERROR_BAD_PARAMETER;
    return;
  }
  m_pStore = X509_STORE_new();
  if (m_pStore == nullptr) {
    result = GLOBAL_ERROR_MEMALLOC_FAILED;
    return;
  }
  if (!caFile.empty()) {
    const std::string path = velt::Narrow(caFile);
    if (X509_STORE_load_file(m_pStore, path.c_str()) != 1) {
      VELT_LOG_MESSAGE('W', "Cannot load the CA file %s: %s", path.c_str(),
                       OpenSslErrorText().c_str());
      result = GLOBAL_ERROR_NOT_INITIALIZED;
    }
  } else if (X509_STORE_set_default_paths(m_pStore) != 1) {
    VELT_LOG_MESSAGE('W', "Cannot load the default trust store: %s", OpenSslErrorText().c_str());
    result = GLOBAL_ERROR_NOT_INITIALIZED;
  }
}

CCertHelper::~CCertHelper() { X509_STORE_free(m_pStore); }

long CCertHelper::CertificateRejectedCode() { return kCertificateRejected; }

long CCertHelper::VerifyServerCertificate(void* context, eCertContextID contextKind,
                                          const std::wstring& hostName, std::wstring& failureText,
                                          unsigned& verifyStatus,
                                          eCertVerifyRevocationType revocation,
                                          bool networkRetrieval, unsigned retrievalTimeoutMs) {
  (void)retrievalTimeoutMs;
  failureText.clear();
  verifyStatus = X509_V_OK;
  if (context == nullptr || contextKind != eCertContextOpenSSLStoreCtx || hostName.empty() ||
      networkRetrieval || m_pStore == nullptr) {
    return GLOBAL_ERROR_BAD_PARAMETER;
  }
  X509_STORE_CTX* handshake = static_cast<X509_STORE_CTX*>(context);
  X509* leaf = X509_STORE_CTX_get0_cert(handshake);
  if (leaf == nullptr) {
    return GLOBAL_ERROR_BAD_PARAMETER;
  }

  auto reject = [&](int status, const std::string& why) {
    verifyStatus = static_cast<unsigned>(status);
    failureText = velt::Widen(why);
    X509_STORE_CTX_set_error(handshake, status);
    return kCertificateRejected;
  };

  // The chain: the server's certificate with the intermediates it sent,
  // against our own store, at the current time.
  std::unique_ptr<X509_STORE_CTX, StoreCtxFree> own(X509_STORE_CTX_new());
  if (!own || X509_STORE_CTX_init(own.get(), m_pStore, leaf,
                                  X509_STORE_CTX_get0_untrusted(handshake)) != 1) {
    ERR_clear_error();
    return GLOBAL_ERROR_MEMALLOC_FAILED;
  }
  X509_STORE_CTX_set_purpose(own.get(), X509_PURPOSE_SSL_SERVER);
  if (revocation != eCertRevocationNone) {
    unsigned long flags = X509_V_FLAG_CRL_CHECK;
    if (revocation == eCertRevocationChain) {
      flags |= X509_V_FLAG_CRL_CHECK_ALL;
    }
    X509_STORE_CTX_set_flags(own.get(), flags);
    X509_STORE_CTX_set_verify_cb(own.get(), SoftFailMissingCrl);
  }
  if (X509_verify_cert(own.get()) != 1) {
    // OpenSSL's reason, and which certificate when it is not the server's own.
    const int status = X509_STORE_CTX_get_error(own.get());
    const int depth = X509_STORE_CTX_get_error_depth(own.get());
    ERR_clear_error();
    return reject(status, X509_verify_cert_error_string(status) +
                              (depth > 0 ? " (certificate " + std::to_string(depth) +
                                               " of the server's chain)"
                                         : std::string()));
  }

  // The name: an IP address must be among the certificate's IP entries, a
  // host name among its DNS entries; the subject's common name is not used.
  const std::string name = velt::Narrow(hostName);
  std::unique_ptr<ASN1_OCTET_STRING, OctetStringFree> address(a2i_IPADDRESS(name.c_str()));
  ERR_clear_error();
  if (address) {
    if (X509_check_ip_asc(leaf, name.c_str(), 0) != 1) {
      return reject(X509_V_ERR_IP_ADDRESS_MISMATCH,
                    "the certificate does not name the address " + name);
    }
  } else if (X509_check_host(leaf, name.c_str(), name.size(),
                             X509_CHECK_FLAG_NEVER_CHECK_SUBJECT |
                                 X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS,
                             nullptr) != 1) {
    return reject(X509_V_ERR_HOSTNAME_MISMATCH, "the certificate does not name the host " + name);
  }
  return 0;
}
