// The uploader's tests against the loopback service: a fresh service per
// test, a captured log that must never hold a credential, and Upload, which
// sends a file the way a front end does and gives the uploader's account.
#pragma once

#include <gtest/gtest.h>

#include "support/CapturingLogger.h"
#include "upload/NginxFixture.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"
#include "velt/upload/CVeltUploader.h"

namespace velt::test {

class UploadServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(m_server.Start(why)) << why;
  }
  void TearDown() override {  // no credential ever reaches the log
    EXPECT_FALSE(m_log.Contains(m_server.Value("PASSWORD")) || m_log.Contains("velt-uploader"));
  }

  // Sends `path` to `host`, trusting the fixture's `ca` file, with the
  // limits of `settings`. An uploader sends once: a second SendHTTP after a
  // success is refused.
  VELT_UPLOAD_ERROR Upload(const std::string& path, const std::string& host,
                           const std::string& ca = "CA_FILE", const char* password = nullptr,
                           VELT_UPLOAD_SETTINGS settings = {}) {
    settings.host = Widen(host);
    settings.caFile = Widen(m_server.Value(ca));
    CVeltUploader uploader(Widen(path), Widen(m_server.Value("USER_NAME")),
                           Widen(password ? password : m_server.Value("PASSWORD")), settings);
    const long code = uploader.SendHTTP();
    const VELT_UPLOAD_ERROR error = uploader.LastError();
    EXPECT_EQ(code, error.code);
    EXPECT_TRUE(code != 0 || uploader.SendHTTP() == VELTUPLOADER_ERROR_ALREADY_INITIALIZED);
    return error;
  }

  // A bundle of a few megabytes in the service's folder.
  std::string Bundle() {
    return m_server.dir().WriteFile("bundle.zip", std::string(3 * 1024 * 1024, 'z') + "end");
  }

  NginxFixture m_server;
  ScopedLogCapture m_log;
};

}  // namespace velt::test
