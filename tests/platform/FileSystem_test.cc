#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "support/TempDir.h"

namespace {

using velt::platform::File;
using velt::platform::FileStatus;
using velt::test::ReadFile;
using velt::test::TempDir;

TEST(FileSystem, CopyFromOffsetsAndShortSources) {
  TempDir dir;
  std::string source = dir.WriteFile("s", "0123456789");
  File in;
  ASSERT_EQ(0, in.OpenForReading(source));
  File out;
  ASSERT_EQ(0, out.CreateNew(dir.Path("d")));
  EXPECT_EQ(0, out.CopyFrom(in, 7, 100));  // only three bytes are there
  EXPECT_EQ(0, out.CopyFrom(in, 0, 2));
  ASSERT_EQ(0, out.Close());
  EXPECT_EQ("78901", ReadFile(dir.Path("d")));
  EXPECT_EQ(EEXIST, out.CreateNew(dir.Path("d")));
}

TEST(FileSystem, TimesRoundTripInFileTimeUnits) {
  TempDir dir;
  std::string path = dir.WriteFile("f", "x");
  const uint64_t access = 132000000000000000ULL + 1234500;  // 100 ns resolution kept
  const uint64_t write = 131000000000000000ULL;
  {
    File file;
    ASSERT_EQ(0, file.CreateOrTruncate(path));
    ASSERT_EQ(0, file.SetTimes(access, write));
  }
  FileStatus status;
  ASSERT_EQ(0, velt::platform::GetFileStatus(path, true, status));
  EXPECT_EQ(access, status.lastAccessTime);
  EXPECT_EQ(write, status.lastWriteTime);
  EXPECT_TRUE(status.isRegular);
  EXPECT_EQ(0u, status.size);
}

TEST(FileSystem, RemovalNeverFollowsLinks) {
  TempDir dir;
  std::string target = dir.WriteFile("t/keep", "k");
  std::string link = dir.Path("link");
  ASSERT_EQ(0, symlink(dir.Path("t").c_str(), link.c_str()));
  FileStatus status;
  ASSERT_EQ(0, velt::platform::GetFileStatus(link + "/", false, status));
  EXPECT_TRUE(status.isSymlink);
  EXPECT_EQ(ENOTDIR, velt::platform::RemoveEmptyDirectory(link + "/"));
  EXPECT_EQ(0, velt::platform::DeleteFileEntry(link + "/"));
  EXPECT_EQ("k", ReadFile(target));
  EXPECT_EQ(EISDIR, velt::platform::DeleteFileEntry(dir.Path("t")));
}

TEST(FileSystem, CreateDirectoriesMakesEveryMissingFolder) {
  TempDir dir;
  EXPECT_EQ(0, velt::platform::CreateDirectories(dir.Path("a/b/c/")));
  FileStatus status;
  ASSERT_EQ(0, velt::platform::GetFileStatus(dir.Path("a/b/c"), true, status));
  EXPECT_TRUE(status.isDirectory);
  EXPECT_EQ(0, velt::platform::CreateDirectories(dir.Path("a/b")));
  dir.WriteFile("file", "");
  EXPECT_EQ(ENOTDIR, velt::platform::CreateDirectories(dir.Path("file/x")));
  EXPECT_EQ(EEXIST, velt::platform::CreateOneDirectory(dir.Path("a")));
}

}  // namespace

namespace {

TEST(FileSystem, SearchDirectoryFiltersExaminesAndOrders) {
  TempDir dir;
  dir.WriteFile("b.log", "bb");
  dir.WriteFile("a.log", "a");
  dir.WriteFile("c.txt", "");
  dir.WriteFile("sub/x", "");
  ASSERT_EQ(0, symlink(dir.Path("sub").c_str(), dir.Path("link.log").c_str()));
  std::vector<velt::platform::FoundEntry> found;
  auto logs = [](const std::string& name) {
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".log") == 0;
  };
  ASSERT_EQ(0, velt::platform::SearchDirectory(dir.path(), logs, found));
  ASSERT_EQ(3u, found.size());
  EXPECT_EQ("a.log", found[0].name);
  EXPECT_EQ(1u, found[0].status.size);
  EXPECT_EQ("b.log", found[1].name);
  EXPECT_EQ("link.log", found[2].name);
  EXPECT_TRUE(found[2].status.isSymlink);
  EXPECT_FALSE(found[2].status.isDirectory);
  EXPECT_TRUE(found[2].leadsToDirectory);

  auto all = [](const std::string&) { return true; };
  ASSERT_EQ(0, velt::platform::SearchDirectory(dir.path(), all, found));
  EXPECT_EQ(".", found[0].name);
  EXPECT_EQ("..", found[1].name);
  EXPECT_EQ(ENOENT, velt::platform::SearchDirectory(dir.Path("none"), all, found));
  EXPECT_EQ(ENOTDIR, velt::platform::SearchDirectory(dir.Path("c.txt"), all, found));
}

}  // namespace
