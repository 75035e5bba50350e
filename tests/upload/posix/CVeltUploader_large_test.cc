// A bundle of several hundred megabytes goes up whole and byte-identical.
#include "support/RunFixture.h"
#include "upload/UploadServerTest.h"

namespace velt::test {

TEST_F(UploadServerTest, SeveralHundredMegabytesLandByteIdentical) {
  const std::string bundle = m_server.dir().Path("large-bundle.zip");
  ASSERT_EQ(RunCommand("head -c 419442745 /dev/urandom >" + ShellQuote(bundle)), 0);
  ASSERT_EQ(Upload(bundle, m_server.Host("PORT_GOOD")).code, 0);
  EXPECT_EQ(RunCommand("cmp -s " + ShellQuote(bundle) + " " +
                       ShellQuote(m_server.StoredPath("large-bundle.zip"))), 0);
}

}  // namespace velt::test
