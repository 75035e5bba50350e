// A bundle of several hundred megabytes goes up whole and byte-identical.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

#include "support/CapturingLogger.h"
#include "upload/NginxFixture.h"
#include "velt/platform/TextEncoding.h"
#include "velt/upload/CVeltUploaderFactory.h"

namespace velt {
namespace test {
namespace {

constexpr long long kBundleSize = 400LL * 1024 * 1024 + 12345;

// Writes `size` pseudo-random bytes in blocks; never holds the whole file.
void WriteLargeFile(const std::string& path, long long size) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::mt19937_64 generator(42);
  std::vector<uint64_t> block(1 << 17);
  for (long long left = size; left > 0;) {
    for (uint64_t& word : block) {
      word = generator();
    }
    const size_t chunk = static_cast<size_t>(std::min<long long>(left, block.size() * 8));
    ASSERT_EQ(std::fwrite(block.data(), 1, chunk, out), chunk);
    left -= static_cast<long long>(chunk);
  }
  std::fclose(out);
}

TEST(LargeUpload, SeveralHundredMegabytesLandByteIdentical) {
  NginxFixture server;
  std::string why;
  ASSERT_TRUE(server.Start(why)) << why;
  ScopedLogCapture log;
  const std::string bundle = server.dir().Path("large-bundle.zip");
  WriteLargeFile(bundle, kBundleSize);

  VELT_UPLOAD_SETTINGS settings;
  settings.host = Widen(server.Host("PORT_GOOD"));
  settings.caFile = Widen(server.Value("CA_FILE"));
  auto uploader = CVeltUploaderFactory::Create(Widen(bundle), Widen(server.Value("USER_NAME")),
                                               Widen(server.Value("PASSWORD")), settings);
  ASSERT_EQ(uploader->SendHTTP(), 0);

  const std::string stored = server.StoredPath("large-bundle.zip");
  ASSERT_EQ(static_cast<long long>(std::filesystem::file_size(stored)), kBundleSize);
  EXPECT_EQ(std::system(("cmp -s '" + bundle + "' '" + stored + "'").c_str()), 0);
  EXPECT_FALSE(log.Contains(server.Value("PASSWORD")));
}

}  // namespace
}  // namespace test
}  // namespace velt
