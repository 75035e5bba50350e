#include "upload/UploadFailure.h"

#include <curl/curl.h>
#include <openssl/x509_vfy.h>

#include "upload/UploadLimits.h"
#include "velt/platform/TextEncoding.h"

namespace velt {
namespace upload {
namespace {

// The standard reason phrases of the statuses an upload service is likely to
// give. The server's own phrase is not used: it is the server's text.
const char* ReasonPhrase(long status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 300: return "Multiple Choices";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 415: return "Unsupported Media Type";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    case 507: return "Insufficient Storage";
    default: return nullptr;
  }
}

std::wstring StatusText(long status) {
  const char* phrase = ReasonPhrase(status);
  return L"HTTP " + std::to_wstring(status) +
         (phrase != nullptr ? L" (" + Widen(phrase) + L")" : std::wstring());
}

VELT_UPLOAD_FAILURE CertificateKind(int verifyStatus) {
  switch (verifyStatus) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return VELT_UPLOAD_CERT_EXPIRED;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return VELT_UPLOAD_CERT_WRONG_HOST;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
      return VELT_UPLOAD_CERT_UNTRUSTED;
    case X509_V_ERR_CERT_REVOKED:
      return VELT_UPLOAD_CERT_REVOKED;
    default:
      return VELT_UPLOAD_CERT_OTHER;
  }
}

VELT_UPLOAD_FAILURE CurlKind(int curlCode) {
  switch (curlCode) {
    case CURLE_OPERATION_TIMEDOUT:
      return VELT_UPLOAD_TIMED_OUT;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
      return VELT_UPLOAD_CONNECTION;
    // Once the connection is made: the server closed or reset it while the
    // bundle went up (send), before or while it answered (receive, or no
    // answer at all), or in the middle of a body it had announced.
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
      return VELT_UPLOAD_CONNECTION_LOST;
    // libcurl's own bound on one header line (100 KB) fails the transfer
    // with CURLE_OUT_OF_MEMORY before 8.6, with CURLE_TOO_LARGE since.
#if LIBCURL_VERSION_NUM >= 0x080600
    case CURLE_TOO_LARGE:
#else
    case CURLE_OUT_OF_MEMORY:
#endif
      return VELT_UPLOAD_BAD_ANSWER;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CIPHER:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
      return VELT_UPLOAD_TLS;
    case CURLE_HTTP_RETURNED_ERROR:
      return VELT_UPLOAD_HTTP_STATUS;
    default:
      return VELT_UPLOAD_TRANSFER;
  }
}

}  // namespace

std::string Printable(const std::string& text, size_t limit) {
  std::string shown = text.substr(0, limit);
  for (char& c : shown) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      c = '?';
    }
  }
  return shown;
}

void DescribeTransfer(const TransferReport& report, VELT_UPLOAD_ERROR& error) {
  error.curlCode = report.curlCode;
  error.httpStatus = report.httpStatus;
  error.verifyStatus = report.verifyStatus;
  error.location = Widen(Printable(report.location));
  const std::wstring curlText = Widen(Printable(report.curlText));
  const std::wstring& host = report.authority;

  if (report.certificateRejected) {
    // The check's verdict says more than libcurl's "peer failed" ever can.
    error.kind = report.verifyStatus != 0 ? CertificateKind(report.verifyStatus)
                                          : VELT_UPLOAD_CERT_OTHER;
    error.message = L"TLS verification of " + host + L" failed: " +
                    (error.kind == VELT_UPLOAD_CERT_UNTRUSTED
                         ? L"the certificate is not issued by a trusted authority (" +
                               report.certificateText + L")"
                         : report.certificateText);
    return;
  }
  const long status = report.httpStatus;
  const bool stored = status >= 200 && status <= 299;
  if (report.curlCode == CURLE_OK && stored) {
    error.kind = VELT_UPLOAD_OK;
    error.message.clear();
    return;
  }
  // The body is read only up to a bound: past it, the status still says
  // what happened, but a 2xx whose answer does not end is not taken as the
  // service's word that the bundle is stored.
  const bool statusDecides = report.curlCode == CURLE_OK || (report.bodyTooLong && !stored);
  if (statusDecides && status >= 300 && status <= 399) {
    error.kind = VELT_UPLOAD_REDIRECT;
    error.message = error.location.empty()
                        ? L"the server answered " + StatusText(status) +
                              L" without saying where to; nothing was stored"
                        : L"the server redirected to " + error.location + L"; nothing was stored";
    return;
  }
  const std::wstring limit = std::to_wstring(kAnswerPartLimit) + L" bytes";
  if (report.bodyTooLong && stored) {
    error.kind = VELT_UPLOAD_BAD_ANSWER;
    error.message = L"the server at " + host + L" answered " + StatusText(status) +
                    L" but its answer did not end (more than " + limit +
                    L" of body); the upload is not counted as stored";
    return;
  }
  // A status outside 2xx and 3xx, whether libcurl stopped at it or not.
  error.kind = statusDecides           ? VELT_UPLOAD_HTTP_STATUS
               : report.headersTooLarge ? VELT_UPLOAD_BAD_ANSWER
                                        : CurlKind(report.curlCode);
  const std::wstring bundle = std::to_wstring(report.bundleBytes) + L" bytes";
  const std::wstring sent = std::to_wstring(report.bytesSent) + L" of " + bundle;
  switch (error.kind) {
    case VELT_UPLOAD_HTTP_STATUS:
      error.message = L"the server answered " + StatusText(status) + L"; nothing was stored";
      break;
    case VELT_UPLOAD_TIMED_OUT:
      error.message = report.timeLimitReached
                          ? L"the upload to " + host + L" did not finish within " +
                                std::to_wstring(report.totalSeconds) +
                                L" seconds, the limit for a bundle of " + bundle + L"; " + sent +
                                L" were sent"
                          : L"the server at " + host + L" did not answer in time: " + curlText;
      break;
    case VELT_UPLOAD_CONNECTION:
      error.message = L"could not connect to " + host + L": " + curlText;
      break;
    case VELT_UPLOAD_CONNECTION_LOST:
      error.message = L"the server at " + host + L" closed the connection after " + sent +
                      (status >= 200 ? L", in the middle of its answer (" + StatusText(status) + L")"
                                     : std::wstring(L", without an answer")) +
                      L" (" + curlText + L")";
      break;
    case VELT_UPLOAD_BAD_ANSWER:
      error.message = L"the answer of the server at " + host +
                      L" could not be read (headers too large: " +
                      (report.headersTooLarge ? L"more than " + limit
                                              : std::wstring(L"a line longer than libcurl accepts")) +
                      L")";
      break;
    case VELT_UPLOAD_TLS:
      error.message = L"the TLS handshake with " + host + L" failed: " + curlText;
      break;
    default:
      error.message = L"the transfer to " + host + L" failed: " + curlText;
      break;
  }
}

}  // namespace upload
}  // namespace velt
