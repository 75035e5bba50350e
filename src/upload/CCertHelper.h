// Checks a TLS server's certificate the way the engine trusts it: the chain
// against a trust store at the current time, revocation where a CRL is
// available, then the service's host name or IP address against the
// certificate's subject alternative names.
#pragma once

#include <string>

typedef struct x509_store_st X509_STORE;

// What VerifyServerCertificate is handed as the certificate context.
enum eCertContextID {
  eCertContextNone = 0,
  eCertContextOpenSSLStoreCtx = 1,  // an X509_STORE_CTX of a handshake
};

// How far revocation is checked. Checks use the CRLs the trust store holds;
// a certificate whose issuer has no CRL there is not failed for it.
enum eCertVerifyRevocationType {
  eCertRevocationNone = 0,
  eCertRevocationEndEntity = 1,
  eCertRevocationChain = 2,
};

// The trust anchors a helper checks against.
enum eCertStoreType {
  // The CA file when one is named, else the system's default store.
  eCertStoreDefaultOrFile = 1,
};

class CCertHelper {
 public:
  // Loads the trust store. `caFile` (PEM, certificates and optional CRLs)
  // replaces the system's default store when not empty. `result` is 0 on
  // success, GLOBAL_ERROR_BAD_PARAMETER for an unknown `storeType` and
  // GLOBAL_ERROR_NOT_INITIALIZED when the store cannot be loaded (logged).
  CCertHelper(long& result, unsigned storeType, const std::wstring& caFile);
  ~CCertHelper();
  CCertHelper(const CCertHelper&) = delete;
  CCertHelper& operator=(const CCertHelper&) = delete;

  // 0 when the certificate in `context` (of kind `contextKind`) chains to the
  // trust store, is valid now, is not revoked and names `hostName` (a DNS
  // name or an IP address). Otherwise the certificate-rejected code, with
  // OpenSSL's verification error in `verifyStatus` and a sentence saying
  // why in `failureText`; the handshake's own context gets the same error.
  // CRLs come only from the trust store: nothing is fetched from the
  // network, so `networkRetrieval` must be false and `retrievalTimeoutMs`
  // (0xFFFFFFFF: no limit) has nothing to limit.
  long VerifyServerCertificate(void* context, eCertContextID contextKind,
                               const std::wstring& hostName, std::wstring& failureText,
                               unsigned& verifyStatus, eCertVerifyRevocationType revocation,
                               bool networkRetrieval, unsigned retrievalTimeoutMs);

  // The code VerifyServerCertificate gives for a certificate it rejects.
  static long CertificateRejectedCode();

 private:
  X509_STORE* m_pStore;
};
