#include "velt/upload/CVeltUploader.h"

#include <curl/curl.h>
#include <openssl/crypto.h>
#include <openssl/ssl.h>

#include <chrono>
#include <filesystem>
#include <system_error>

#include "platform/Stream.h"
#include "platform/SystemError.h"
#include "upload/CCertHelper.h"
#include "upload/COpensslUtility.h"
#include "upload/UploadFailure.h"
#include "upload/UploadHost.h"
#include "upload/UploadLimits.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {

// SSL_OP_ALL as OpenSSL 1.1.1 defined it; later releases changed the bits.
constexpr uint64_t kOpenSsl111OptionsAll = 0x80000854UL;

constexpr const char* kCipherList =
    "ECDHE-RSA-AES256-GCM-SHA384:ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-SHA384:"
    "ECDHE-ECDSA-AES256-SHA384:DHE-RSA-AES256-GCM-SHA384:DHE-RSA-AES256-SHA256:"
    "AES256-GCM-SHA384:AES256-SHA256:AES256-SHA:ECDHE-RSA-AES128-GCM-SHA256:"
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-SHA256:ECDHE-ECDSA-AES128-SHA256:"
    "DHE-RSA-AES128-GCM-SHA256:DHE-RSA-AES128-SHA256:DHE-RSA-AES128-SHA:AES128-GCM-SHA256:"
    "AES128-SHA256:AES128-SHA:!ECDHE-RSA-CHACHA20-POLY1305:!ECDHE-ECDSA-CHACHA20-POLY1305:"
    "!ECDHE-ECDSA-AES256-SHA:!ECDHE-RSA-AES256-SHA:!DHE-RSA-AES256-SHA:"
    "!ECDHE-ECDSA-AES128-SHA:!ECDHE-RSA-AES128-SHA";

// Overwrites a narrow copy of the secret before its memory is released.
class SecretText {
 public:
  explicit SecretText(const std::wstring& text) : m_text(velt::Narrow(text)) {}
  ~SecretText() {
    if (!m_text.empty()) {
      OPENSSL_cleanse(&m_text[0], m_text.size());
    }
  }
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;
  const char* c_str() const { return m_text.c_str(); }

 private:
  std::string m_text;
};

// A failed libcurl call, described by libcurl's own text for its code (the
// application log would otherwise read the number as a system error).
#define VELT_LOG_CURL(importance, invoked, curlCode, ...)                                     \
  CAppLog::LogReturnCode(CAppLog::FunctionName(VELT_FUNCTION_SIGNATURE).c_str(), __FILE__,    \
                         __LINE__, importance, invoked, static_cast<unsigned long>(curlCode), \
                         curl_easy_strerror(curlCode), __VA_ARGS__)

// Why the certificate check had no trust store to check against.
std::wstring TrustStoreFailure(const std::wstring& caFile) {
  return caFile.empty() ? L"the system's trust store could not be loaded"
                        : L"the CA file " + caFile + L" could not be loaded";
}

std::wstring EffectiveHost(const VELT_UPLOAD_SETTINGS& settings) {
  return settings.host.empty() ? CVeltUploader::DefaultHost() : settings.host;
}

}  // namespace

CVeltUploader::CVeltUploader(const std::wstring& filePath, const std::wstring& userName,
                             const std::wstring& password)
    : CVeltUploader(filePath, userName, password, VELT_UPLOAD_SETTINGS()) {}

CVeltUploader::CVeltUploader(const std::wstring& filePath, const std::wstring& userName,
                             const std::wstring& password, const VELT_UPLOAD_SETTINGS& settings)
    : m_filePath(filePath),
      m_userName(userName),
      m_password(password),
      m_pCurl(nullptr),
      m_pFile(nullptr),
      m_settings(settings),
      m_globalInit(false),
      m_fileSize(0),
      m_curlError(),
      m_certificateRejected(false),
      m_verifyStatus(0),
      m_answerHeaderBytes(0),
      m_answerBodyBytes(0) {
  static_assert(sizeof m_curlError >= CURL_ERROR_SIZE, "libcurl's error buffer size");
}

CVeltUploader::~CVeltUploader() {
  if (m_pCurl != nullptr) {
    curl_easy_cleanup(static_cast<CURL*>(m_pCurl));
  }
  if (m_globalInit) {
    curl_global_cleanup();
  }
  if (m_pFile != nullptr) {
    std::fclose(m_pFile);
  }
  if (!m_password.empty()) {
    OPENSSL_cleanse(&m_password[0], m_password.size() * sizeof(wchar_t));
  }
}

std::wstring CVeltUploader::DefaultHost() { return velt::Widen(VELT_UPLOAD_HOST); }

std::string CVeltUploader::BuildUploadURL(const std::wstring& host, const std::wstring& filePath) {
  const size_t separator = filePath.find_last_of(L"/\\");
  const std::string name =
      velt::Narrow(separator == std::wstring::npos ? filePath : filePath.substr(separator + 1));
  // Letters, digits and "-._~" go as they are; every other byte of the
  // UTF-8 name as %XX, so that blanks or '#' cannot change the URL.
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~') {
      escaped += static_cast<char>(c);
    } else {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 0x0F];
    }
  }
  return "https://" + velt::Narrow(host) + "/home/" + escaped;
}

size_t CVeltUploader::read_callback(char* buffer, size_t size, size_t count, void* stream) {
  return std::fread(buffer, size, count, static_cast<std::FILE*>(stream));
}

int CVeltUploader::sslctx_function(void* /*curl*/, void* sslContext, void* userData) {
  SSL_CTX* ctx = static_cast<SSL_CTX*>(sslContext);
  SSL_CTX_set_cert_verify_callback(ctx, serverCertVerifyOpenSSLCB, userData);
  SSL_CTX_set_options(ctx, SSL_OP_NO_TICKET);
  SSL_CTX_set_options(ctx, kOpenSsl111OptionsAll);
  if (SSL_CTX_ctrl(ctx, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_VERSION, nullptr) == 0) {
    VELT_LOG_MESSAGE('E', "Failed to set minimum SSL protocol version");
    return CURLE_SSL_CIPHER;
  }
  if (SSL_CTX_ctrl(ctx, SSL_CTRL_SET_MAX_PROTO_VERSION, TLS1_2_VERSION, nullptr) == 0) {
    VELT_LOG_MESSAGE('E', "Failed to set maximum SSL protocol version");
    return CURLE_SSL_CIPHER;
  }
  if (SSL_CTX_set_cipher_list(ctx, kCipherList) != 1) {
    VELT_LOG_MESSAGE('I', "Failed to set cipher list");
    return CURLE_SSL_CIPHER;
  }
  if (SSL_CTX_set_ciphersuites(ctx, "") != 1) {
    VELT_LOG_MESSAGE('I', "Failed to set ciphersuite list");
  }
  return CURLE_OK;
}

int CVeltUploader::serverCertVerifyOpenSSLCB(X509_STORE_CTX* storeContext, void* argument) {
  CVeltUploader* self = static_cast<CVeltUploader*>(argument);
  if (self == nullptr) {
    return 0;
  }
  long result = 0;
  CCertHelper helper(result, eCertStoreDefaultOrFile, self->m_settings.caFile);
  if (result != 0) {
    VELT_LOG_CODE('W', "CCertHelper::CCertHelper", result);
    self->m_certificateRejected = true;
    self->m_certificateText = TrustStoreFailure(self->m_settings.caFile);
    return 0;
  }
  velt::upload::UploadHost host;
  velt::upload::ParseUploadHost(EffectiveHost(self->m_settings), host);
  std::wstring failureText;
  unsigned verifyStatus = 0;
  result = helper.VerifyServerCertificate(storeContext, eCertContextOpenSSLStoreCtx,
                                          host.certificateName, failureText, verifyStatus,
                                          eCertRevocationChain, false, 0xFFFFFFFFu);
  if (result != 0) {
    VELT_LOG_CODE('W', "CCertHelper::VerifyServerCertificate", result, "%s (status %u)",
                  velt::Narrow(failureText).c_str(), verifyStatus);
    self->m_certificateRejected = true;
    self->m_verifyStatus = static_cast<int>(verifyStatus);
    self->m_certificateText = failureText;
    return 0;
  }
  return 1;
}

long CVeltUploader::Finish(long code, VELT_UPLOAD_FAILURE kind, const std::wstring& message) {
  m_lastError = VELT_UPLOAD_ERROR();
  m_lastError.code = code;
  m_lastError.kind = kind;
  m_lastError.message = message;
  return code;
}

long CVeltUploader::FinishTransfer(int performResult, const std::wstring& authority,
                                   long totalSeconds, bool timeLimitReached) {
  CURL* curl = static_cast<CURL*>(m_pCurl);
  velt::upload::TransferReport report;
  report.curlCode = performResult;
  report.curlText = m_curlError;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &report.httpStatus);
  curl_off_t sent = 0;
  curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &sent);
  report.bytesSent = sent;
  report.bundleBytes = m_fileSize;
  report.headersTooLarge = m_answerHeaderBytes > velt::upload::kAnswerPartLimit;
  report.bodyTooLong = m_answerBodyBytes > velt::upload::kAnswerPartLimit;
  report.totalSeconds = totalSeconds;
  report.timeLimitReached = timeLimitReached;
  const char* location = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location) == CURLE_OK &&
      location != nullptr) {
    report.location = location;
  }
  if (performResult == CURLE_SSL_CACERT_BADFILE) {
    // libcurl loads the CA file itself before the handshake.
    m_certificateRejected = true;
    m_certificateText = TrustStoreFailure(m_settings.caFile);
  }
  report.certificateRejected = m_certificateRejected;
  report.verifyStatus = m_verifyStatus;
  report.certificateText = m_certificateText;
  report.authority = authority;
  velt::upload::DescribeTransfer(report, m_lastError);
  m_lastError.code = m_lastError.kind == VELT_UPLOAD_OK ? 0 : VELTUPLOADER_ERROR_CURL_ERROR;
  return m_lastError.code;
}

long CVeltUploader::SendHTTP() {
  if (m_filePath.empty() || m_userName.empty() || m_password.empty()) {
    VELT_LOG_MESSAGE('I', "Empty Username, Password, or Token");
    return Finish(VELTUPLOADER_ERROR_BAD_PARAMETER, VELT_UPLOAD_BAD_PARAMETER,
                  L"the bundle path, the user name or the password or token is empty");
  }
  if (m_pCurl != nullptr || m_globalInit) {
    VELT_LOG_MESSAGE('E', "This uploader has already sent its bundle");
    return Finish(VELTUPLOADER_ERROR_ALREADY_INITIALIZED, VELT_UPLOAD_ALREADY_SENT,
                  L"this uploader has already sent its bundle");
  }
  velt::upload::UploadHost host;
  if (!velt::upload::ParseUploadHost(EffectiveHost(m_settings), host)) {
    VELT_LOG_MESSAGE('E', "The upload host '%s' is not a host name or address with an optional port",
                     velt::Narrow(EffectiveHost(m_settings)).c_str());
    return Finish(VELTUPLOADER_ERROR_BAD_PARAMETER, VELT_UPLOAD_BAD_PARAMETER,
                  L"the upload host '" + EffectiveHost(m_settings) +
                      L"' is not a host name or address with an optional port");
  }

  m_globalInit = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
  CURL* curl = curl_easy_init();
  m_pCurl = curl;
  if (curl == nullptr) {
    VELT_LOG_CODE('E', "curl_easy_init", VELTUPLOADER_ERROR_CURL_ERROR);
    return Finish(VELTUPLOADER_ERROR_CURL_ERROR, VELT_UPLOAD_SETUP, L"libcurl could not start");
  }

  const long sslInit = COpensslUtility::InitOpenSSL(false);
  if (sslInit != 0) {
    // libcurl sets OpenSSL up by itself as well; the transfer still runs.
    VELT_LOG_CODE('W', "COpensslUtility::InitOpenSSL", sslInit);
  }

  // The size is taken from the open file, so it is the size of what is read.
  const std::string path = velt::Narrow(m_filePath);
  int openError = velt::platform::OpenStream(path, "rb", m_pFile);
  std::error_code sizeError;
  if (m_pFile != nullptr) {
    const std::filesystem::path fsPath(path);
    if (!std::filesystem::is_regular_file(fsPath, sizeError)) {
      openError = sizeError ? sizeError.value()
                            : velt::platform::ErrorNumber(velt::platform::ErrorKind::kIsAFolder);
    } else {
      m_fileSize = static_cast<long long>(std::filesystem::file_size(fsPath, sizeError));
      openError = sizeError.value();
    }
    if (openError != 0) {
      std::fclose(m_pFile);
      m_pFile = nullptr;
    }
  }
  if (m_pFile == nullptr) {
    const std::string reason = velt::platform::SystemErrorText(static_cast<unsigned long>(openError));
    VELT_LOG_MESSAGE('E', "fopen:%s", reason.c_str());
    return Finish(VELTUPLOADER_ERROR_FILE_OPEN_FAILURE, VELT_UPLOAD_FILE,
                  L"cannot open the bundle " + m_filePath + L": " + velt::Widen(reason));
  }

  const std::string url = BuildUploadURL(host.authority, m_filePath);
  const std::string user = velt::Narrow(m_userName);
  const SecretText secret(m_password);
  const velt::upload::UploadTimeLimits limits = velt::upload::TimeLimitsFor(m_settings, m_fileSize);

  // The callbacks are written here so that they may use the class's own
  // members while the header stays free of libcurl's types.
  curl_ssl_ctx_callback sslContext = [](CURL* handle, void* context, void* uploader) {
    return static_cast<CURLcode>(sslctx_function(handle, context, uploader));
  };
  curl_xferinfo_callback progress = [](void* uploader, curl_off_t, curl_off_t,
                                       curl_off_t uploadTotal, curl_off_t uploaded) {
    const CVeltUploader* self = static_cast<const CVeltUploader*>(uploader);
    self->m_settings.progress(uploaded, uploadTotal > 0 ? uploadTotal : self->m_fileSize);
    return 0;
  };
  // The answer is read and dropped: it is the server's text, never shown,
  // never kept. Its headers and its body are each read up to a bound; a
  // count that libcurl did not hand over makes it stop the transfer.
  curl_write_callback headers = [](char*, size_t size, size_t count, void* uploader) {
    return velt::upload::TakeAnswerPart(static_cast<CVeltUploader*>(uploader)->m_answerHeaderBytes,
                                        size * count);
  };
  curl_write_callback body = [](char*, size_t size, size_t count, void* uploader) {
    return velt::upload::TakeAnswerPart(static_cast<CVeltUploader*>(uploader)->m_answerBodyBytes,
                                        size * count);
  };

#define VELT_SETOPT(option, value)                                                     \
  do {                                                                                 \
    const CURLcode setResult = curl_easy_setopt(curl, option, value);                  \
    if (setResult != CURLE_OK) {                                                       \
      VELT_LOG_CURL('E', "curl_easy_setopt", setResult, "%s", #option);                \
      return Finish(VELTUPLOADER_ERROR_CURL_ERROR, VELT_UPLOAD_SETUP,                  \
                    L"libcurl refused the setting " #option);                          \
    }                                                                                  \
  } while (0)

  VELT_SETOPT(CURLOPT_READFUNCTION, &CVeltUploader::read_callback);
  VELT_SETOPT(CURLOPT_UPLOAD, 1L);
  VELT_SETOPT(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
  VELT_SETOPT(CURLOPT_USERNAME, user.c_str());
  VELT_SETOPT(CURLOPT_PASSWORD, secret.c_str());
  VELT_SETOPT(CURLOPT_SSL_CTX_FUNCTION, sslContext);
  VELT_SETOPT(CURLOPT_SSL_CTX_DATA, static_cast<void*>(this));
  VELT_SETOPT(CURLOPT_URL, url.c_str());
  VELT_SETOPT(CURLOPT_READDATA, static_cast<void*>(m_pFile));
  VELT_SETOPT(CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(m_fileSize));
  VELT_SETOPT(CURLOPT_USERAGENT, "velt/4");
  VELT_SETOPT(CURLOPT_FAILONERROR, 1L);
  // Beyond the transfer itself: libcurl's own sentence about a failure,
  // no waiting without end, an answer read only as far as it matters, no
  // body on standard output, and progress when the front end asked.
  VELT_SETOPT(CURLOPT_ERRORBUFFER, m_curlError);
  VELT_SETOPT(CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
  VELT_SETOPT(CURLOPT_LOW_SPEED_LIMIT, 1L);
  VELT_SETOPT(CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
  VELT_SETOPT(CURLOPT_TIMEOUT, limits.totalSeconds);
  VELT_SETOPT(CURLOPT_HEADERFUNCTION, headers);
  VELT_SETOPT(CURLOPT_HEADERDATA, static_cast<void*>(this));
  VELT_SETOPT(CURLOPT_WRITEFUNCTION, body);
  VELT_SETOPT(CURLOPT_WRITEDATA, static_cast<void*>(this));
  // libcurl loads a trust store of its own before the handshake although the
  // verify callback takes its place; with a CA file named, it loads that
  // file, so the upload does not depend on the system's bundle existing.
  const std::string caFile = velt::Narrow(m_settings.caFile);
  if (!caFile.empty()) {
    VELT_SETOPT(CURLOPT_CAINFO, caFile.c_str());
  }
  if (m_settings.progress) {
    VELT_SETOPT(CURLOPT_XFERINFOFUNCTION, progress);
    VELT_SETOPT(CURLOPT_XFERINFODATA, static_cast<void*>(this));
    VELT_SETOPT(CURLOPT_NOPROGRESS, 0L);
  }
#undef VELT_SETOPT

  // libcurl gives the same code for a stall and for the total limit; the
  // time the transfer took tells them apart. libcurl's timers run in whole
  // milliseconds and may end the transfer a little before the limit.
  const auto started = std::chrono::steady_clock::now();
  const CURLcode performed = curl_easy_perform(curl);
  const bool timeLimitReached =
      performed == CURLE_OPERATION_TIMEDOUT &&
      std::chrono::steady_clock::now() - started + std::chrono::milliseconds(250) >=
          std::chrono::seconds(limits.totalSeconds);
  if (performed != CURLE_OK && m_curlError[0] == '\0') {
    std::snprintf(m_curlError, sizeof m_curlError, "%s", curl_easy_strerror(performed));
  }
  const long result =
      FinishTransfer(performed, host.authority, limits.totalSeconds, timeLimitReached);
  if (performed != CURLE_OK) {
    VELT_LOG_CURL('E', "curl_easy_perform", performed, "%s; %s", m_curlError,
                  velt::Narrow(m_lastError.message).c_str());
  } else if (result != 0) {
    // libcurl stops only at statuses of 400 and more; anything else but 2xx
    // (a redirect above all) did not store the bundle either.
    VELT_LOG_MESSAGE('E', "The PUT was answered with HTTP %ld: %s", m_lastError.httpStatus,
                     velt::Narrow(m_lastError.message).c_str());
  }
  return result;
}
