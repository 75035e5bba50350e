// Why an upload ended as it did, for a front end to show: what
// CVeltUploader::LastError gives after SendHTTP. The kind lets a program
// choose what to say or do; the message is one finished sentence.
#pragma once

#include <cstdint>
#include <string>

enum VELT_UPLOAD_FAILURE : int32_t {
  VELT_UPLOAD_OK = 0,                // the server answered 2xx
  VELT_UPLOAD_BAD_PARAMETER = 1,     // empty path or credentials, unusable host
  VELT_UPLOAD_ALREADY_SENT = 2,      // SendHTTP called again on the same uploader
  VELT_UPLOAD_FILE = 3,              // the bundle cannot be opened
  VELT_UPLOAD_SETUP = 4,             // libcurl could not start or refused an option
  VELT_UPLOAD_HTTP_STATUS = 5,       // the server answered 1xx, 4xx or 5xx (httpStatus)
  VELT_UPLOAD_REDIRECT = 6,          // the server answered 3xx (httpStatus, location)
  VELT_UPLOAD_CERT_EXPIRED = 7,      // the server's chain has expired or is not valid yet
  VELT_UPLOAD_CERT_WRONG_HOST = 8,   // the certificate does not name the host
  VELT_UPLOAD_CERT_UNTRUSTED = 9,    // no trusted authority issued the chain
  VELT_UPLOAD_CERT_REVOKED = 10,     // a CRL of the trust store revokes it
  VELT_UPLOAD_CERT_OTHER = 11,       // any other rejection, or no usable trust store
  VELT_UPLOAD_TIMED_OUT = 12,        // no connection in time, the transfer stalled, or
                                     // the whole exchange went past its time limit
  VELT_UPLOAD_CONNECTION = 13,       // the host was not found or the connection not made
  VELT_UPLOAD_TLS = 14,              // the handshake failed (protocol, cipher suites)
  VELT_UPLOAD_TRANSFER = 15,         // any other failure of the transfer
  VELT_UPLOAD_CONNECTION_LOST = 16,  // the server closed or reset the connection it took
  VELT_UPLOAD_BAD_ANSWER = 17,       // the answer could not be read (headers too large),
                                     // or a 2xx answer's body went on without end
};

struct VELT_UPLOAD_ERROR {
  long code = 0;                              // what SendHTTP returned
  VELT_UPLOAD_FAILURE kind = VELT_UPLOAD_OK;
  long httpStatus = 0;                        // the server's status; 0 when none came
  std::wstring location;                      // where a redirect pointed, when it said
  int curlCode = 0;                           // libcurl's result of the transfer (CURLE_*)
  int verifyStatus = 0;                       // OpenSSL's verification error (X509_V_ERR_*)
  // One sentence without the credentials or anything of the answer's body,
  // e.g. "the server redirected to https://example.org/; nothing was
  // stored". Empty on success.
  std::wstring message;
};
