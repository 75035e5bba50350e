// Archives that need zip64: an entry of more than 4 GiB (a sparse file, so
// it costs no disk) and more than 65,535 entries.
#include <unistd.h>

#include <fstream>

#include "zip/posix/ClientRun.h"

namespace velt {
namespace test {
namespace {

TEST_F(CZipTest, EntryOfMoreThanFourGibibytesIsZip64AndKeepsItsMode) {
  const uint64_t size = 0x100000000ull + 4321;  // 4 GiB and a little more
  std::string huge = m_temp.WriteFile("bundle/huge.log", "first line of a very long log\n");
  ASSERT_EQ(0, truncate(huge.c_str(), static_cast<off_t>(size)));
  std::fstream(huge, std::ios::in | std::ios::out | std::ios::binary).seekp(size - 4) << "end\n";
  chmod(huge.c_str(), 0604);

  ASSERT_EQ(0, ZipFolder(m_source, "large-pw"));
  EXPECT_TRUE(ClientAccepts("unzip -t -P large-pw " + ShellQuote(m_archive)));
  EXPECT_TRUE(ClientAccepts("7z t -plarge-pw " + ShellQuote(m_archive)));
  // Listed with its Unix permission bits and its full size.
  EXPECT_TRUE(ClientAccepts("unzip -Z " + ShellQuote(m_archive) + " huge.log | grep '^-rw----r-- .* " +
                            std::to_string(size) + " '"));
}

TEST_F(CZipTest, MoreThan65535EntriesGetTheZip64EndRecords) {
  for (int i = 0; i < 65536; ++i) {
    m_temp.WriteFile("many/" + std::to_string(i / 1000) + "/" + std::to_string(i), "");
  }
  ASSERT_EQ(0, ZipFolder(m_temp.Path("many")));
  EXPECT_TRUE(ClientAccepts("unzip -tqq " + ShellQuote(m_archive)));
  EXPECT_TRUE(ClientAccepts("7z t " + ShellQuote(m_archive) + " | grep -x 'Files: 65536'"));
  EXPECT_TRUE(ClientAccepts("bsdtar -tf " + ShellQuote(m_archive) + " | wc -l | grep -x 65536"));
}

}  // namespace
}  // namespace test
}  // namespace velt
