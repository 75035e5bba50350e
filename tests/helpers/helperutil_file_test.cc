#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pwd.h>
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

// Reading a folder fails with EIO after this many entries when not negative:
// the search must keep what it found before.
static int g_readdirFailsAfter = -1;

extern "C" struct dirent* readdir(DIR* dir) {
  static auto real = reinterpret_cast<struct dirent* (*)(DIR*)>(dlsym(RTLD_NEXT, "readdir"));
  if (g_readdirFailsAfter >= 0 && g_readdirFailsAfter-- == 0) {
    errno = EIO;
    return nullptr;
  }
  return real(dir);
}

namespace {

using velt::Narrow;
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

// The uid of an unprivileged account made for these tests; 0 when the tests
// do not run as root.
uid_t TestUser() {
  if (geteuid() != 0) return 0;
  if (getpwnam("velt-files-test") == nullptr &&
      system("useradd --system --no-create-home velt-files-test >/dev/null 2>&1") != 0) {
    return 0;
  }
  struct passwd* account = getpwnam("velt-files-test");
  return account != nullptr ? account->pw_uid : 0;
}

class FileUtilities : public ::testing::Test {
 protected:
  std::wstring W(const std::string& relative) { return Widen(dir_.Path(relative)); }
  // A folder nobody may write to; false when this user may write anywhere.
  bool Locked(const std::string& relative) {
    EXPECT_EQ(0, mkdir(dir_.Path(relative).c_str(), 0555));
    return access(dir_.Path(relative).c_str(), W_OK) != 0;
  }
  // A link at `relative` to `target`, owned by `owner`.
  void Link(const std::string& target, const std::string& relative, uid_t owner = 0) {
    ASSERT_EQ(0, symlink(target.c_str(), dir_.Path(relative).c_str()));
    ASSERT_EQ(0, lchown(dir_.Path(relative).c_str(), owner, static_cast<gid_t>(-1)));
  }
  // fileCopy of `source` into out/, expecting `rc` and a reason holding `why`.
  void ExpectCopy(const std::string& source, long rc, const std::string& why = "") {
    std::string destination = dir_.Path("out/" + std::to_string(++copies_));
    EXPECT_EQ(rc, helperUtil::fileCopy(Widen(source), Widen(destination))) << source;
    EXPECT_NE(std::string::npos, Narrow(helperUtil::lastFileError()).find(why))
        << Narrow(helperUtil::lastFileError());
    EXPECT_EQ(rc == 0, Exists(destination)) << source;
  }
  TempDir dir_;
  ScopedLogCapture capture_;
  int copies_ = 0;
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
  files.clear();
  for (const std::wstring& folder : {Widen(dir_.path()), W("missing"), W("a.log")}) {
    EXPECT_EQ(VELTENGINE_ERROR_FILE_NOT_FOUND, helperUtil::fileFindAll(folder, L"*.xml", files));
  }
  EXPECT_TRUE(files.empty());
  EXPECT_FALSE(capture_.Contains("Function"));
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, helperUtil::fileFindAll(L"", L"*", files));
  EXPECT_TRUE(capture_.Contains("tstrDirectory is an empty string"));
}

TEST_F(FileUtilities, FindAllKeepsWhatItFoundBeforeAReadError) {
  for (const char* name : {"a.log", "b.log", "c.log", "d.log"}) dir_.WriteFile(name, "");
  std::list<FILE_INFO> files;
  g_readdirFailsAfter = 3;
  long rc = helperUtil::fileFindAll(Widen(dir_.path()), L"*", files);
  g_readdirFailsAfter = -1;
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, rc);
  EXPECT_EQ(3u, files.size());
  EXPECT_TRUE(capture_.Contains("::FindNextFile"));
  EXPECT_NE(std::wstring::npos, helperUtil::lastFileError().find(L"Input/output error"));
}

TEST_F(FileUtilities, FindAllReportsAttributesAndAccessTime) {
  std::string ro = dir_.WriteFile("ro.log", "x");
  chmod(ro.c_str(), 0444);
  SetTimes(ro, 1000000000, 5);
  dir_.WriteFile(".hidden.log", "");
  Link("ro.log", "link.log");
  dir_.WriteFile("sub.log/x", "");
  std::list<FILE_INFO> files;
  ASSERT_EQ(0, helperUtil::fileFindAll(Widen(dir_.path()), L"*.log", files));
  ASSERT_EQ(L".hidden.log link.log ro.log sub.log", Names(files));
  const uint32_t attributes[] = {VELT_FILE_ATTRIBUTE_HIDDEN, VELT_FILE_ATTRIBUTE_REPARSE_POINT,
                                 VELT_FILE_ATTRIBUTE_READONLY, VELT_FILE_ATTRIBUTE_DIRECTORY};
  auto it = files.begin();
  for (uint32_t expected : attributes) EXPECT_EQ(expected, (it++)->fileAttributes);
  // 2001-09-09T01:46:40Z in 100 ns units since 1601.
  EXPECT_EQ((1000000000ULL + 11644473600ULL) * 10000000ULL, std::next(files.begin(), 2)->lastAccessTime);
  EXPECT_TRUE(files.back().isDirectory);
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

TEST_F(FileUtilities, CopyCreatesFoldersKeepsTimesAndReplacesTheDestination) {
  std::string content(300000, 'x');
  std::string source = dir_.WriteFile("src/agent log \"1\" \xc3\xa9\n.log", content + "end");
  SetTimes(source, 1500000000, 1400000000);
  std::string destination = dir_.Path("bundle/deep/er/copy.log");
  ASSERT_EQ(0, helperUtil::fileCopy(Widen(source), Widen(destination)));
  EXPECT_EQ(content + "end", ReadFile(destination));
  struct stat info;
  ASSERT_EQ(0, stat(destination.c_str(), &info));
  EXPECT_EQ(1400000000, info.st_mtime);
  EXPECT_EQ(L"", helperUtil::lastFileError());
  dir_.WriteFile("other.log", "new");
  ASSERT_EQ(0, helperUtil::fileCopy(W("other.log"), Widen(destination)));
  EXPECT_EQ("new", ReadFile(destination));
  EXPECT_FALSE(Exists(dir_.Path("bundle/deep/er/copy (2).log")));
  // Onto itself, under its own or another name: nothing happens.
  EXPECT_EQ(0, helperUtil::fileCopy(Widen(destination), Widen(destination)));
  EXPECT_EQ(0, helperUtil::fileCopy(Widen(destination), W("bundle/./deep/er/copy.log")));
  EXPECT_EQ("new", ReadFile(destination));
  ExpectCopy(dir_.Path("gone.log"), VELTENGINE_ERROR_FILE_NOT_FOUND, "gone.log not found");
  EXPECT_FALSE(capture_.Contains("Function"));
}

TEST_F(FileUtilities, NamesThatAreNotUtf8SurviveListingAndCopy) {
  const std::string name = "bad\xff\xfe name\xc3.log";
  dir_.WriteFile("src/" + name, "raw");
  std::list<FILE_INFO> files;
  ASSERT_EQ(0, helperUtil::fileFindAll(W("src"), L"*.log", files));
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ(L"bad\xDCFF\xDCFE name\xDCC3.log", files.front().fileName);
  std::wstring destination = W("out/") + files.front().fileName;
  EXPECT_EQ(0, helperUtil::fileCopy(W("src/") + files.front().fileName, destination));
  EXPECT_EQ("raw", ReadFile(dir_.Path("out/" + name)));
}

TEST_F(FileUtilities, OnlyRegularFilesAreCopiedAndNothingBlocks) {
  ASSERT_EQ(0, mkfifo(dir_.Path("fifo").c_str(), 0666));
  Link("/dev/zero", "zero");
  ExpectCopy(dir_.Path("fifo"), VELTENGINE_ERROR_ACCESS_DENIED,
             dir_.Path("fifo") + " is a FIFO; only regular files are collected");
  for (const std::string& zero : {std::string("/dev/zero"), dir_.Path("zero")}) {
    ExpectCopy(zero, VELTENGINE_ERROR_ACCESS_DENIED, "is a character device; only regular");
  }
  EXPECT_TRUE(capture_.Contains("is a FIFO"));
  // Files without a size are read to their end.
  ExpectCopy("/proc/self/status", 0);
  EXPECT_NE(std::string::npos, ReadFile(dir_.Path("out/4")).find("nonvoluntary_ctxt_switches"));
}

TEST_F(FileUtilities, SparseFilesKeepTheirHoles) {
  const off_t size = 4 << 20;
  std::string sparse = dir_.Path("sparse.bin");
  int fd = open(sparse.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(5, pwrite(fd, "START", 5, 0));
  ASSERT_EQ(4, pwrite(fd, "MIDL", 4, size / 2));
  ASSERT_EQ(0, ftruncate(fd, size));
  close(fd);
  ExpectCopy(sparse, 0);
  struct stat info;
  ASSERT_EQ(0, stat(dir_.Path("out/1").c_str(), &info));
  EXPECT_EQ(size, info.st_size);
  EXPECT_LT(info.st_blocks * 512, 1 << 20);
  EXPECT_EQ(ReadFile(sparse), ReadFile(dir_.Path("out/1")));
}

TEST_F(FileUtilities, LinksAreFollowedOnlyWhenOwnedByRootOrTheTargetsOwner) {
  uid_t user = TestUser();
  if (user == 0) GTEST_SKIP() << "needs root to make an unprivileged account";
  std::string secret = dir_.WriteFile("secret", "root only");
  chmod(secret.c_str(), 0600);
  std::string own = dir_.WriteFile("own.log", "user's");
  ASSERT_EQ(0, chown(own.c_str(), user, static_cast<gid_t>(-1)));
  Link(secret, "root-link");
  Link(own, "user-own", user);
  Link(secret, "user-secret", user);
  Link(dir_.Path("user-secret"), "root-to-user-secret");
  const char* followed[] = {"root-link", "user-own"};
  for (const char* name : followed) ExpectCopy(dir_.Path(name), 0);
  for (const char* name : {"user-secret", "root-to-user-secret"}) {
    ExpectCopy(dir_.Path(name), VELTENGINE_ERROR_ACCESS_DENIED,
               dir_.Path("user-secret") +
                   " is a link owned by another user than its target's owner; not followed");
  }
  // Inside a copied folder too, for links to files and to folders.
  dir_.WriteFile("logs/a.log", "a");
  Link(dir_.path(), "logs/up", user);
  Link(secret, "logs/secret", user);
  Link(dir_.Path("logs/a.log"), "logs/root.log");
  ExpectCopy(dir_.Path("logs"), 0);
  EXPECT_EQ("a", ReadFile(dir_.Path("out/5/root.log")));
  EXPECT_FALSE(Exists(dir_.Path("out/5/up")) || Exists(dir_.Path("out/5/secret")));
  EXPECT_TRUE(capture_.Contains(dir_.Path("logs/up") + " is a link owned by another user"));
}

TEST_F(FileUtilities, FoldersAreCopiedWithTheirRegularFiles) {
  dir_.WriteFile("logs/a.log", "aaa");
  dir_.WriteFile("logs/sub/deeper/b.log", "bb");
  ASSERT_EQ(0, mkfifo(dir_.Path("logs/sub/pipe").c_str(), 0666));
  Link("..", "logs/sub/loop");
  ExpectCopy(dir_.Path("logs"), 0);
  EXPECT_EQ("aaa", ReadFile(dir_.Path("out/1/a.log")));
  EXPECT_EQ("bb", ReadFile(dir_.Path("out/1/sub/deeper/b.log")));
  EXPECT_FALSE(Exists(dir_.Path("out/1/sub/pipe")) || Exists(dir_.Path("out/1/sub/loop")));
  EXPECT_TRUE(capture_.Contains(dir_.Path("logs/sub/pipe") + " is a FIFO"));
  EXPECT_TRUE(capture_.Contains(dir_.Path("logs/sub/loop") + " is a folder met again"));
  EXPECT_EQ(5.0, helperUtil::getFileSize(W("out/1")));
  // A folder that holds the copy itself.
  ExpectCopy(dir_.path(), 0);
  EXPECT_TRUE(capture_.Contains(dir_.Path("out/2") + " is the folder the copy is written to"));
}

TEST_F(FileUtilities, CopyFailuresLeaveNoHalfWrittenDestination) {
  std::string source = dir_.WriteFile("a.log", "data");
  dir_.WriteFile("plain", "p");  // a folder of the destination is a file
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileCopy(Widen(source), W("plain/sub/a.log")));
  EXPECT_TRUE(capture_.Contains("unlink_file"));
  EXPECT_EQ("p", ReadFile(dir_.Path("plain")));
  std::string readOnly = dir_.WriteFile("ro.log", "old");  // cannot be deleted first
  chmod(readOnly.c_str(), 0444);
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileCopy(Widen(source), Widen(readOnly)));
  EXPECT_TRUE(capture_.Contains("helperUtil::fileDelete"));
  EXPECT_EQ("old", ReadFile(readOnly));
  // A full disk (here RLIMIT_FSIZE) removes the partial copy.
  dir_.WriteFile("big.log", std::string(4 << 20, 'b'));
  struct rlimit saved, small;
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
  small = saved;
  small.rlim_cur = 1 << 20;
  signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  long rc = helperUtil::fileCopy(W("big.log"), W("out/big.log"));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, rc);
  EXPECT_TRUE(capture_.Contains("::SHFileOperation"));
  EXPECT_FALSE(Exists(dir_.Path("out/big.log")));
  if (Locked("locked")) {
    EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileCopy(Widen(source), W("locked/a.log")));
  }
}

TEST_F(FileUtilities, DeleteFilesLinksAndReadOnlyFiles) {
  std::string file = dir_.WriteFile("a.log", "a");
  EXPECT_EQ(0, helperUtil::fileDelete(Widen(file)));
  EXPECT_EQ(0, helperUtil::fileDelete(Widen(file)));  // already gone
  EXPECT_FALSE(capture_.Contains("Function"));
  std::string target = dir_.WriteFile("target.log", "t");
  Link(target, "link.log");
  EXPECT_EQ(0, helperUtil::fileDelete(W("link.log")));
  EXPECT_FALSE(Exists(dir_.Path("link.log")));
  chmod(target.c_str(), 0444);
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileDelete(Widen(target)));
  EXPECT_TRUE(capture_.Contains("unlink_file"));
  EXPECT_EQ("t", ReadFile(target));
  // fileDeleteAll passes every entry, "." and ".." too, which fail like folders.
  dir_.WriteFile("d/x.log", "");
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileDeleteAll(W("d")));
  EXPECT_FALSE(Exists(dir_.Path("d/x.log")));
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, helperUtil::fileDeleteAll(L""));
  EXPECT_EQ(VELTENGINE_ERROR_FILE_NOT_FOUND, helperUtil::fileDeleteAll(W("none")));
}

TEST_F(FileUtilities, DeleteDirectoryRemovesTheTreeButNeverFollowsLinks) {
  std::string outside = dir_.WriteFile("outside/precious.log", "p");
  dir_.WriteFile("d/s/y.txt", "y");
  ASSERT_EQ(0, mkdir(dir_.Path("d/s/deeper").c_str(), 0777));
  Link(dir_.Path("outside"), "d/to-outside");
  Link(outside, "d/to-file");
  Link(dir_.Path("outside"), "top-link");
  ASSERT_EQ(0, mkdir(dir_.Path("empty").c_str(), 0777));
  for (const char* name : {"d", "top-link", "empty/"}) {
    EXPECT_EQ(0, helperUtil::fileDeleteDirectory(W(name))) << name;
    EXPECT_FALSE(Exists(dir_.Path(name))) << name;
  }
  EXPECT_EQ("p", ReadFile(outside));
  // What cannot be deleted stays, and is named in the log.
  dir_.WriteFile("e/x.txt", "x");
  std::string locked = dir_.WriteFile("e/s/y.txt", "y");
  chmod(locked.c_str(), 0444);
  EXPECT_EQ(VELTENGINE_ERROR_UNEXPECTED, helperUtil::fileDeleteDirectory(W("e")));
  EXPECT_TRUE(capture_.Contains(locked));
  EXPECT_FALSE(Exists(dir_.Path("e/x.txt")));
  EXPECT_EQ(VELTENGINE_ERROR_ACCESS_DENIED, helperUtil::fileDeleteDirectory(W("missing")));
  EXPECT_TRUE(capture_.Contains("Invoked Function: access"));
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, helperUtil::fileDeleteDirectory(L""));
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
