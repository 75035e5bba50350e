// A zip64 entry: one file of more than 4 GiB (sparse, so it costs no disk),
// written with a password and checked by unzip and 7-Zip.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>

#include "support/TempDir.h"
#include "velt/platform/TextEncoding.h"
#include "velt/zip/CZip.h"
#include "zip/ClientRun.h"

namespace velt {
namespace test {
namespace {

constexpr uint64_t kLargeSize = 0x100000000ull + 4321;  // 4 GiB and a little more
constexpr uint64_t kNeededFreeBytes = 10ull << 30;

bool WriteAt(int fd, uint64_t offset, const std::string& text) {
  return pwrite(fd, text.data(), text.size(), static_cast<off_t>(offset)) ==
         static_cast<ssize_t>(text.size());
}

TEST(CZipLargeTest, EntryOfMoreThanFourGibibytesIsZip64) {
  TempDir temp;
  struct statvfs disk;
  ASSERT_EQ(0, statvfs(temp.path().c_str(), &disk));
  if (static_cast<uint64_t>(disk.f_bavail) * disk.f_frsize < kNeededFreeBytes) {
    GTEST_SKIP() << "less than 10 GB free under " << temp.path();
  }

  std::string folder = temp.Path("bundle");
  std::filesystem::create_directories(folder);
  std::string large = folder + "/huge.log";
  int fd = open(large.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  bool written = WriteAt(fd, 0, "first line of a very long log\n") &&
                 WriteAt(fd, 0x80000000ull, "in the middle\n") &&
                 WriteAt(fd, 0xFFFFFFF0ull, "across the 4 GiB boundary\n") &&
                 ftruncate(fd, static_cast<off_t>(kLargeSize)) == 0 &&
                 WriteAt(fd, kLargeSize - 5, "end\n\n");
  close(fd);
  ASSERT_TRUE(written);
  temp.WriteFile("bundle/small.txt", "a small file after the large one\n");

  std::string archive = temp.Path("bundle.zip");
  ASSERT_EQ(0, CZip::Zip(Widen(folder), Widen(archive), L"large-pw", true));

  EXPECT_TRUE(ClientAccepts("unzip -t -P large-pw " + Quote(archive)));
  EXPECT_TRUE(ClientAccepts("7z t -plarge-pw " + Quote(archive)));
  ClientResult listing = RunClient("unzip -Z -l " + Quote(archive));
  EXPECT_NE(std::string::npos, listing.output.find(std::to_string(kLargeSize))) << listing.output;

  std::filesystem::remove(archive);
  std::filesystem::remove(large);
}

}  // namespace
}  // namespace test
}  // namespace velt
