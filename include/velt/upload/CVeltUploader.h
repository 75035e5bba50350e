// Sends one bundle file to the upload service: an HTTPS PUT with Basic
// authentication, made with libcurl over a TLS context that this class sets
// up with OpenSSL and whose server certificate it checks itself.
//
// libcurl's global state is set up by SendHTTP and released by the
// destructor, so uploaders are used one at a time. The header needs neither
// libcurl's nor OpenSSL's headers.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "velt/VeltExport.h"
#include "velt/upload/IVeltUploader.h"
#include "velt/upload/VeltUploadError.h"
#include "velt/upload/VeltUploadSettings.h"

typedef struct x509_store_ctx_st X509_STORE_CTX;

class VELT_API CVeltUploader : public IVeltUploader {
 public:
  // Keeps the three strings; no handle or file is opened until SendHTTP.
  CVeltUploader(const std::wstring& filePath, const std::wstring& userName,
                const std::wstring& password);
  CVeltUploader(const std::wstring& filePath, const std::wstring& userName,
                const std::wstring& password, const VELT_UPLOAD_SETTINGS& settings);
  // Releases the transfer handle and libcurl's global state, closes the file.
  ~CVeltUploader() override;
  // The object owns a transfer handle and a file: never copied.
  CVeltUploader(const CVeltUploader&) = delete;
  CVeltUploader& operator=(const CVeltUploader&) = delete;

  // One upload per object; a second call gives
  // VELTUPLOADER_ERROR_ALREADY_INITIALIZED.
  long SendHTTP() override;

  // Why the last SendHTTP ended as it did: its code, the kind of failure,
  // the HTTP status, the certificate check's verdict, libcurl's code and a
  // sentence to show. Before SendHTTP and after a success, kind is
  // VELT_UPLOAD_OK and the message empty.
  const VELT_UPLOAD_ERROR& LastError() const { return m_lastError; }

  // "https://" + host + "/home/" + the file name of `filePath` (the part after
  // its last '/' or '\'), the name percent-encoded where a URL needs it.
  static std::string BuildUploadURL(const std::wstring& host, const std::wstring& filePath);
  // The host the engine was built with.
  static std::wstring DefaultHost();

 protected:
  // libcurl's read function: fread(buffer, size, count, stream).
  static size_t read_callback(char* buffer, size_t size, size_t count, void* stream);
  // libcurl's SSL-context function (the easy handle, an SSL_CTX, this
  // uploader): installs the certificate check, the protocol range TLS 1.0 to
  // 1.2 and the cipher list. Returns a libcurl result code (CURLcode).
  static int sslctx_function(void* curl, void* sslContext, void* userData);
  // OpenSSL's certificate-verification callback, replacing its own chain
  // check: the chain against the trust store, then the host name. 1 accepts.
  // `argument` is the uploader, which keeps the reason of a rejection.
  static int serverCertVerifyOpenSSLCB(X509_STORE_CTX* storeContext, void* argument);

 private:
  // Records the outcome of this SendHTTP and returns its code.
  long Finish(long code, VELT_UPLOAD_FAILURE kind, const std::wstring& message);
  // Fills m_lastError for a transfer that ran (performResult: its CURLcode;
  // timeLimitReached: it ran for all of its totalSeconds) and returns
  // SendHTTP's code for it.
  long FinishTransfer(int performResult, const std::wstring& authority, long totalSeconds,
                      bool timeLimitReached);

  std::wstring m_filePath;
  std::wstring m_userName;
  std::wstring m_password;
  void* m_pCurl;  // the libcurl easy handle
  std::FILE* m_pFile;
  VELT_UPLOAD_SETTINGS m_settings;
  bool m_globalInit;
  long long m_fileSize;
  char m_curlError[256];  // libcurl's sentence about a failure (CURL_ERROR_SIZE)
  // The certificate check's verdict, kept for LastError.
  bool m_certificateRejected;
  int m_verifyStatus;
  std::wstring m_certificateText;
  // What was read of the server's answer: its status lines and headers,
  // and its body.
  size_t m_answerHeaderBytes;
  size_t m_answerBodyBytes;
  VELT_UPLOAD_ERROR m_lastError;
};
