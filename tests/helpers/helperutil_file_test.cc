#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using velt::Widen;
using velt::test::ReadFile;
using velt::test::ScopedLogCapture;
using velt::test::TempDir;

// The names of `files`, joined by spaces.
std::wstring Names(const std::list<FILE_INFO>& files) {
  std::wstring names;
  for (const FILE_INFO& file : files) names += (names.empty() ? L"" : L" ") + file.fileName;
  return names;
}

bool Exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

void SetTimes(const std::string& path, time_t access, time_t write) {
  struct timespec times[2] = {{access, 0}, {write, 0}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW));
}

class FileUtilities : public ::testing::Test {
 protected:
  std::wstring W(const std::string& relative) { return Widen(dir_.Path(relative)); }
  // A folder nobody may write to; false when this user may write anywhere.
  bool Locked(const std::string& relative) {
    EXPECT_EQ(0, mkdir(dir_.Path(relative).c_str(), 0555));
    return access(dir_.Path(relative).c_str(), W_OK) != 0;
  }
  TempDir dir_;
  ScopedLogCapture capture_;
};

TEST_F(FileUtilities, FindAllMatchesCaseSensitivelyInByteOrder) {
  for (const char* name : {"b.txt", "a.log", "C.log", "A.LOG", "sub/inner.log"}) {
    dir_.WriteFile(name, "");
  }
  const struct {
    const char* folder;
    const wchar_t *pattern, *names;
  } cases[] = {
      {"", L"*", L". .. A.LOG C.log a.log b.txt sub"},
      {"", L"?.*", L".. A.LOG C.log a.log b.txt"},  // ".." is "?" then ".*" too
      {"", L"sub/*.log", L"inner.log"},
      {"/", L"b.txt", L"b.txt"},
  };
  for (const auto& c : cases) {
    std::list<FILE_INFO> files;
    EXPECT_EQ(0, helperUtil::fileFindAll(Widen(dir_.path() + c.folder), c.pattern, files));
    EXPECT_EQ(c.names, Names(files));
  }
  std::list<FILE_INFO> files{FILE_INFO{L"kept", false, 0, 0}};
  EXPECT_EQ(0, helperUtil::fileFindAll(Widen(dir_.path()), L"*.log", files));
  EXPECT_EQ(L"kept C.log a.log", Names(files));
  EXPECT_FALSE(capture_.Contains("Function"));

  files.clear();
  for (const std::wstring& folder : {Widen(dir_.path()), W("missing"), W("a.log")}) {
    EXPECT_EQ(VELTENGINE_ERROR_FILE_NOT_FOUND, helperUtil::fileFindAll(folder, L"*.xml", files));
  }
  EXPECT_TRUE(files.empty());
  EXPECT_FALSE(capture_.Contains("Function"));
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, helperUtil::fileFindAll(L"", L"*", files));
  EXPECT_TRUE(capture_.Contains("tstrDirectory is an empty string"));
}

TEST_F(FileUtilities, FindAllReportsAttributesAndAccessTime) {
  std::string ro = dir_.WriteFile("ro.log", "x");
  chmod(ro.c_str(), 0444);
  SetTimes(ro, 1000000000, 5);
  dir_.WriteFile(".hidden.log", "");
  ASSERT_EQ(0, symlink("ro.log", dir_.Path("link.log").c_str()));
  dir_.WriteFile("sub.log/x", "");
  std::list<FILE_INFO> files;
  ASSERT_EQ(0, helperUtil::fileFindAll(Widen(dir_.path()), L"*.log", files));
  ASSERT_EQ(L".hidden.log link.log ro.log sub.log", Names(files));
  auto it = files.begin();
  EXPECT_NE(0u, it->fileAttributes & VELT_FILE_ATTRIBUTE_HIDDEN);
  ++it;
  EXPECT_NE(0u, it->fileAttributes & VELT_FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_FALSE(it->isDirectory);
  ++it;
  EXPECT_EQ(VELT_FILE_ATTRIBUTE_READONLY, it->fileAttributes);
  // 2001-09-09T01:46:40Z in 100 ns units since 1601.
  EXPECT_EQ((1000000000ULL + 11644473600ULL) * 10000000ULL, it->lastAccessTime);
  ++it;
  EXPECT_TRUE(it->isDirectory);
  EXPECT_NE(0u, it->fileAttributes & VELT_FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileUtilities, NewestMatchingFileByAccessTimeLaterWinsTies) {
  SetTimes(dir_.WriteFile("a.log", ""), 2000, 1);
  SetTimes(dir_.WriteFile("b.log", ""), 3000, 1);
  SetTimes(dir_.WriteFile("c.log", ""), 3000, 1);
  SetTimes(dir_.WriteFile("d.txt", ""), 9000, 1);
  FILE_INFO newest;
  ASSERT_EQ(0, helperUtil::fileGetNewestMatchingFile(Widen(dir_.path()), L"*.log", newest));
  EXPECT_EQ(L"c.log", newest.fileName);
  FILE_INFO untouched{L"before", false, 7, 42};
  EXPECT_EQ(VELTENGINE_ERROR_FILE_NOT_FOUND,
            helperUtil::fileGetNewestMatchingFile(Widen(dir_.path()), L"*.xml", untouched));
  EXPECT_EQ(L"before", untouched.fileName);
  EXPECT_FALSE(capture_.Contains("helperUtil::fileFindAll"));
}

TEST_F(FileUtilities, CopyCreatesFoldersKeepsWriteTimeAndReplacesTheDestination) {
  std::string content(300000, 'x');
  content += "end";
  std::string source = dir_.WriteFile("src/agent log \"1\" \xc3\xa9\n.log", content);
  SetTimes(source, 1500000000, 1400000000);
  std::string destination = dir_.Path("bundle/deep/er/copy.log");
  ASSERT_EQ(0, helperUtil::fileCopy(Widen(source), Widen(destination)));
  EXPECT_EQ(content, ReadFile(destination));
  struct stat info;
  ASSERT_EQ(0, stat(destination.c_str(), &info));
  EXPECT_EQ(1400000000, info.st_mtime);
  // An existing destination is replaced, never renamed.
  dir_.WriteFile("other.log", "new");
  ASSERT_EQ(0, helperUtil::fileCopy(W("other.log"), Widen(destination)));
  EXPECT_EQ("new", ReadFile(destination));
  EXPECT_FALSE(Exists(dir_.Path("bundle/deep/er/copy (2).log")));
  // Files that report no size are read to their end.
  ASSERT_EQ(0, helperUtil::fileCopy(L"/proc/self/status", W("status.txt")));
  EXPECT_NE(std::string::npos, ReadFile(dir_.Path("status.txt")).find("Pid:"));
}

TEST_F(FileUtilities, CopyOntoItselfOrFromAVanishedFileTouchesNothing) {
  std::string file = dir_.WriteFile("a.log", "keep");
  EXPECT_EQ(0, helperUtil::fileCopy(Widen(file), Widen(file)));
  EXPECT_EQ(0, helperUtil::fileCopy(Widen(file), Widen(dir_.path() + "/./a.log")));
  EXPECT_EQ("keep", ReadFile(file));
  EXPECT_EQ(VELTENGINE_ERROR_FILE_NOT_FOUND, helperUtil::fileCopy(W("gone.log"), Widen(file)));
  EXPECT_EQ("keep", ReadFile(file));
  EXPECT_FALSE(capture_.Contains("Function"));
}

TEST_F(FileUtilities, CopyFailuresLeaveNoHalfWrittenDestination) {
  std::string source = dir_.WriteFile("a.log", "data");
  dir_.WriteFile("plain", "p");  // a folder of the destination is a file
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileCopy(Widen(source), W("plain/sub/a.log")));
  EXPECT_TRUE(capture_.Contains("unlink_file"));
  EXPECT_EQ("p", ReadFile(dir_.Path("plain")));
  // A read-only destination cannot be deleted first.
  std::string readOnly = dir_.WriteFile("ro.log", "old");
  chmod(readOnly.c_str(), 0444);
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileCopy(Widen(source), Widen(readOnly)));
  EXPECT_TRUE(capture_.Contains("helperUtil::fileDelete"));
  EXPECT_EQ("old", ReadFile(readOnly));
  // A source that is a folder is refused.
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileCopy(Widen(dir_.path()), W("dircopy")));
  EXPECT_FALSE(Exists(dir_.Path("dircopy")));
  if (!Locked("locked")) GTEST_SKIP() << "running with permission to write anywhere";
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileCopy(Widen(source), W("locked/a.log")));
  EXPECT_TRUE(capture_.Contains("::SHFileOperation"));
  EXPECT_FALSE(Exists(dir_.Path("locked/a.log")));
}

TEST_F(FileUtilities, CopyOnAFullDiskRemovesThePartialFile) {
  std::string source = dir_.WriteFile("big.log", std::string(4 << 20, 'b'));
  std::string destination = dir_.Path("out/big.log");
  struct rlimit saved;
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  struct rlimit small = saved;
  small.rlim_cur = 1 << 20;
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  long rc = helperUtil::fileCopy(Widen(source), Widen(destination));
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, rc);
  EXPECT_TRUE(capture_.Contains("::SHFileOperation"));
  EXPECT_FALSE(Exists(destination));
  EXPECT_EQ(size_t{4 << 20}, ReadFile(source).size());
}

TEST_F(FileUtilities, DeleteFilesLinksAndReadOnlyFiles) {
  std::string file = dir_.WriteFile("a.log", "a");
  EXPECT_EQ(0, helperUtil::fileDelete(Widen(file)));
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(0, helperUtil::fileDelete(Widen(file)));  // already gone
  EXPECT_FALSE(capture_.Contains("Function"));
  std::string target = dir_.WriteFile("target.log", "t");
  ASSERT_EQ(0, symlink(target.c_str(), dir_.Path("link.log").c_str()));
  EXPECT_EQ(0, helperUtil::fileDelete(W("link.log")));
  EXPECT_FALSE(Exists(dir_.Path("link.log")));
  EXPECT_EQ("t", ReadFile(target));
  chmod(target.c_str(), 0444);
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileDelete(Widen(target)));
  EXPECT_TRUE(capture_.Contains("unlink_file"));
  EXPECT_TRUE(Exists(target));
}

TEST_F(FileUtilities, DeleteAllPassesEveryEntry) {
  dir_.WriteFile("d/x.log", "");
  dir_.WriteFile("d/y.log", "");
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileDeleteAll(W("d")));
  EXPECT_FALSE(Exists(dir_.Path("d/x.log")));
  EXPECT_FALSE(Exists(dir_.Path("d/y.log")));
  // "." and ".." are passed too and fail like folders.
  EXPECT_TRUE(capture_.Contains("helperUtil::fileDelete"));
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, helperUtil::fileDeleteAll(L""));
  EXPECT_EQ(VELTENGINE_ERROR_FILE_NOT_FOUND, helperUtil::fileDeleteAll(W("none")));
}

TEST_F(FileUtilities, DeleteDirectoryRemovesTheTreeButNeverFollowsLinks) {
  std::string outside = dir_.WriteFile("outside/precious.log", "p");
  dir_.WriteFile("d/s/y.txt", "y");
  ASSERT_EQ(0, mkdir(dir_.Path("d/s/deeper").c_str(), 0777));
  ASSERT_EQ(0, symlink(dir_.Path("outside").c_str(), dir_.Path("d/to-outside").c_str()));
  ASSERT_EQ(0, symlink(outside.c_str(), dir_.Path("d/to-file").c_str()));
  ASSERT_EQ(0, symlink(dir_.Path("outside").c_str(), dir_.Path("top-link").c_str()));
  ASSERT_EQ(0, mkdir(dir_.Path("empty").c_str(), 0777));
  for (const char* name : {"d", "top-link", "empty/"}) {
    EXPECT_EQ(0, helperUtil::fileDeleteDirectory(W(name))) << name;
    EXPECT_FALSE(Exists(dir_.Path(name))) << name;
  }
  EXPECT_EQ("p", ReadFile(outside));
}

TEST_F(FileUtilities, DeleteDirectoryKeepsWhatItCannotDelete) {
  dir_.WriteFile("d/x.txt", "x");
  std::string locked = dir_.WriteFile("d/s/y.txt", "y");
  chmod(locked.c_str(), 0444);
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileDeleteDirectory(W("d")));
  EXPECT_TRUE(capture_.Contains("helperUtil::fileDelete"));
  EXPECT_TRUE(capture_.Contains("y.txt"));
  EXPECT_TRUE(Exists(locked));
  EXPECT_FALSE(Exists(dir_.Path("d/x.txt")));
  EXPECT_EQ(VELTENGINE_ERROR_ACCESS_DENIED, helperUtil::fileDeleteDirectory(W("missing")));
  EXPECT_TRUE(capture_.Contains("Invoked Function: access"));
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, helperUtil::fileDeleteDirectory(L""));
  EXPECT_TRUE(capture_.Contains("rtstrDirectory is an empty string"));
}

TEST_F(FileUtilities, MakeDirectoryMapsErrors) {
  EXPECT_EQ(0, helperUtil::MakeDirectory(W("new")));
  EXPECT_FALSE(capture_.Contains("::CreateDirectory"));
  EXPECT_EQ(0, helperUtil::MakeDirectory(W("new")));
  EXPECT_TRUE(capture_.Contains("::CreateDirectory"));
  EXPECT_EQ(VELTENGINE_ERROR_FILE_NOT_FOUND, helperUtil::MakeDirectory(W("no/parent")));
  if (Locked("locked")) {
    EXPECT_EQ(VELTENGINE_ERROR_ACCESS_DENIED, helperUtil::MakeDirectory(W("locked/x")));
  }
}

}  // namespace
