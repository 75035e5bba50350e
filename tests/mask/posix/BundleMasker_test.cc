// The masker among POSIX files: links and FIFOs refused, modes, times and
// inodes kept, and the private mapping file never written through a link.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "mask/MaskCorpus.h"

namespace velt {
namespace test {
namespace {

TEST_F(MaskCorpus, FilesAreReadWithoutLinksAndReplacedOnlyWhenChangedKeepingModeAndTimes) {
  BundleMasker masker{MaskOptions()};
  std::string outside = m_outside.WriteFile("secret.conf", "password=Outside-1\n");
  ASSERT_EQ(0, symlink(outside.c_str(), m_bundle.Path("link.conf").c_str()));
  ASSERT_EQ(0, mkfifo(m_bundle.Path("fifo.conf").c_str(), 0600));
  for (const char* refused : {"link.conf", "fifo.conf", "missing.conf"}) {
    EXPECT_NE(0, masker.MaskFile(Widen(m_bundle.Path(refused)), Widen(refused))) << refused;
    EXPECT_TRUE(m_log.Contains(m_bundle.Path(refused))) << refused;
  }
  EXPECT_EQ("password=Outside-1\n", ReadFile(outside));

  std::string masked = m_bundle.WriteFile("masked.conf", "user=bob\npassword=Kept-1\n");
  std::string plain = m_bundle.WriteFile("plain.txt", "nothing to mask\n");
  ASSERT_EQ(0, chmod(masked.c_str(), 0640));
  struct timespec times[2] = {{1600000000, 0}, {1600000000, 123456789}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, masked.c_str(), times, 0));
  struct stat before, after;
  ASSERT_EQ(0, stat(plain.c_str(), &before));
  EXPECT_EQ(0, masker.MaskFile(Widen(masked), L"masked.conf"));
  EXPECT_EQ(0, masker.MaskFile(Widen(plain), L"plain.txt"));
  EXPECT_EQ("user=bob\npassword=[MASKED]\n", ReadFile(masked));
  ASSERT_EQ(0, stat(masked.c_str(), &after));
  EXPECT_EQ(0640u, after.st_mode & 07777);
  EXPECT_EQ(123456789, after.st_mtim.tv_nsec);
  ASSERT_EQ(0, stat(plain.c_str(), &after));
  EXPECT_EQ(before.st_ino, after.st_ino);  // only read, never rewritten
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(m_bundle.path())) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ((std::vector<std::string>{"fifo.conf", "link.conf", "masked.conf", "plain.txt"}), left);
  std::vector<std::wstring> note = masker.SummaryNote();
  EXPECT_NE(note.end(),
            std::find(note.begin(), note.end(), L"Not scanned (could not be read): link.conf"));
  // The mapping of hosts mode is private, and never written through a link.
  MaskOptions options;
  options.hosts = true;
  BundleMasker hosts(options);
  std::string path = m_outside.Path("mapping.txt");
  ASSERT_EQ(0, hosts.WriteMapping(Widen(path)));
  struct stat info;
  ASSERT_EQ(0, lstat(path.c_str(), &info));
  EXPECT_EQ(static_cast<mode_t>(S_IFREG | 0600), info.st_mode);
  std::string target = m_outside.WriteFile("target.txt", "keep");
  ASSERT_EQ(0, symlink(target.c_str(), m_outside.Path("link.txt").c_str()));
  EXPECT_NE(0, hosts.WriteMapping(Widen(m_outside.Path("link.txt"))));
  EXPECT_EQ("keep", ReadFile(target));
}

}  // namespace
}  // namespace test
}  // namespace velt
