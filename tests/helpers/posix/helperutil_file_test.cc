#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/CapturingLogger.h"
#include "support/ScopedEnv.h"
#include "support/ScopedWorkingDirectory.h"
#include "support/TempDir.h"
#include "support/posix/Unprivileged.h"
#include "velt/helpers/helperUtil.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"

// When not negative: reading a folder fails with EIO after this many entries.
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

constexpr long kNotFound = VELTENGINE_ERROR_FILE_NOT_FOUND;
constexpr long kDenied = VELTENGINE_ERROR_ACCESS_DENIED;
constexpr long kUnexpected = VELTENGINE_ERROR_UNEXPECTED;

bool Exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

// Sets the last-access time (and a fixed last-write time) of a file or link.
void SetAccessTime(const std::string& path, time_t access) {
  struct timespec times[2] = {{access, 0}, {5, 0}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW));
}

class FileUtilities : public ::testing::Test {
 protected:
  std::wstring W(const std::string& relative) { return Widen(dir_.Path(relative)); }
  // The names fileFindAll lists, joined by spaces, after checking its result.
  std::wstring Find(const std::string& folder, const wchar_t* pattern, long rc = 0) {
    std::list<FILE_INFO> files;
    EXPECT_EQ(rc, helperUtil::fileFindAll(W(folder), pattern, files)) << folder;
    std::wstring names;
    for (const FILE_INFO& file : files) names += (names.empty() ? L"" : L" ") + file.fileName;
    return names;
  }
  // A link at `relative` to `target`, owned by `owner`.
  void Link(const std::string& target, const std::string& relative, uid_t owner = geteuid()) {
    ASSERT_EQ(0, symlink(target.c_str(), dir_.Path(relative).c_str()));
    ASSERT_EQ(0, lchown(dir_.Path(relative).c_str(), owner, static_cast<gid_t>(-1)));
  }
  // fileCopy of `source` to out/<n>, expecting `rc` and a reason holding
  // `why`; returns the destination.
  std::string Copy(const std::string& source, long rc = 0, const std::string& why = "") {
    std::string destination = dir_.Path("out/" + std::to_string(++copies_));
    EXPECT_EQ(rc, helperUtil::fileCopy(Widen(source), Widen(destination))) << source;
    EXPECT_NE(std::string::npos, Narrow(helperUtil::lastFileError()).find(why))
        << Narrow(helperUtil::lastFileError());
    EXPECT_EQ(rc == 0, Exists(destination)) << source;
    return destination;
  }
  bool Logged(const std::string& fragment) { return capture_.Contains(fragment); }

  velt::test::TempDir dir_;
  velt::test::ScopedLogCapture capture_;
  int copies_ = 0;
};

TEST_F(FileUtilities, FindAllMatchesCaseSensitivelyInByteOrder) {
  for (const char* name : {"b.txt", "a.log", "C.log", "A.LOG", "sub/inner.log"}) {
    dir_.WriteFile(name, "");
  }
  EXPECT_EQ(L". .. A.LOG C.log a.log b.txt sub", Find("", L"*"));
  EXPECT_EQ(L".. A.LOG C.log a.log b.txt", Find("", L"?.*"));  // ".." is "?" then ".*"
  EXPECT_EQ(L"inner.log", Find("", L"sub/*.log"));
  EXPECT_EQ(L"b.txt", Find("", L"b.txt"));
  for (const char* where : {"", "missing", "a.log"}) EXPECT_EQ(L"", Find(where, L"*.x", kNotFound));
  EXPECT_FALSE(Logged("Function"));
  std::list<FILE_INFO> files;
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, helperUtil::fileFindAll(L"", L"*", files));
  EXPECT_TRUE(Logged("tstrDirectory is an empty string"));
}

TEST_F(FileUtilities, FindAllKeepsWhatItFoundBeforeAReadError) {
  for (const char* name : {"a.log", "b.log", "c.log"}) dir_.WriteFile(name, "");
  g_readdirFailsAfter = 3;
  std::wstring names = Find("", L"*", kUnexpected);
  g_readdirFailsAfter = -1;
  EXPECT_EQ(2, std::count(names.begin(), names.end(), L' '));  // three entries
  EXPECT_TRUE(Logged("::FindNextFile"));
  EXPECT_NE(std::wstring::npos, helperUtil::lastFileError().find(L"Input/output error"));
}

TEST_F(FileUtilities, SearchRecordsAttributesAndNewestByAccessTime) {
  std::string ro = dir_.WriteFile("ro.log", "x");
  chmod(ro.c_str(), 0444);
  // Times ahead of the clock, which reading does not move: a tie, which
  // the one listed later wins.
  SetAccessTime(dir_.WriteFile(".hidden.log", ""), 4000000000);
  SetAccessTime(ro, 4000000000);
  Link("ro.log", "link.log");
  dir_.WriteFile("sub.log/x", "");
  std::list<FILE_INFO> files;
  ASSERT_EQ(0, helperUtil::fileFindAll(W(""), L"*.log", files));
  std::vector<uint32_t> attributes;
  for (const FILE_INFO& file : files) attributes.push_back(file.fileAttributes);
  // Hidden, link, read-only, folder.
  EXPECT_EQ((std::vector<uint32_t>{0x2, 0x400, 0x1, 0x10}), attributes);
  // 2096-10-02T07:06:40Z in 100 ns units since 1601.
  EXPECT_EQ((4000000000ULL + 11644473600ULL) * 10000000ULL, files.front().lastAccessTime);
  FILE_INFO newest{L"before", false, 7, 42};
  EXPECT_EQ(kNotFound, helperUtil::fileGetNewestMatchingFile(W(""), L"*.xml", newest));
  EXPECT_EQ(L"before", newest.fileName);  // untouched
  ASSERT_EQ(0, helperUtil::fileGetNewestMatchingFile(W(""), L"*.log", newest));
  EXPECT_EQ(L"ro.log", newest.fileName);
}

TEST_F(FileUtilities, CopyCreatesFoldersKeepsTimesAndReplacesTheDestination) {
  std::string content(300000, 'x');
  std::string source = dir_.WriteFile("src/agent log \"1\" \xc3\xa9\n.log", content);
  SetAccessTime(source, 1500000000);
  std::string copy = Copy(source);
  struct stat info;
  ASSERT_EQ(0, stat(copy.c_str(), &info));
  EXPECT_EQ(1500000000 + 5, info.st_atime + info.st_mtime);
  EXPECT_EQ(content, ReadFile(copy));
  std::string destination = dir_.Path("bundle/deep/er/copy.log");
  for (const std::string& from : {source, dir_.WriteFile("other.log", "new")}) {
    ASSERT_EQ(0, helperUtil::fileCopy(Widen(from), Widen(destination)));
  }
  EXPECT_EQ("new", ReadFile(destination));
  EXPECT_FALSE(Exists(dir_.Path("bundle/deep/er/copy (2).log")));  // replaced, not renamed
  // Onto itself, under its own or another name: nothing happens.
  EXPECT_EQ(0, helperUtil::fileCopy(Widen(destination), Widen(destination)));
  EXPECT_EQ(0, helperUtil::fileCopy(Widen(destination), W("bundle/./deep/er/copy.log")));
  EXPECT_EQ("new", ReadFile(destination));
  Copy(dir_.Path("gone.log"), kNotFound, "gone.log not found");
  EXPECT_FALSE(Logged("Function"));
}

TEST_F(FileUtilities, NamesThatAreNotUtf8SurviveListingAndCopy) {
  const std::string name = "bad\xff\xfe name\xc3.log";
  dir_.WriteFile("src/" + name, "raw");
  std::wstring found = Find("src", L"*.log");
  EXPECT_EQ(L"bad\xDCFF\xDCFE name\xDCC3.log", found);
  EXPECT_EQ(0, helperUtil::fileCopy(W("src/") + found, W("out/") + found));
  EXPECT_EQ("raw", ReadFile(dir_.Path("out/" + name)));
}

TEST_F(FileUtilities, OnlyRegularFilesAreCopiedAndNothingBlocks) {
  ASSERT_EQ(0, mkfifo(dir_.Path("fifo").c_str(), 0666));
  Link("/dev/zero", "zero");
  Copy(dir_.Path("fifo"), kDenied, "/fifo is a FIFO; only regular files are collected");
  for (const std::string& zero : {std::string("/dev/zero"), dir_.Path("zero")}) {
    Copy(zero, kDenied, "is a character device; only regular files are collected");
  }
  // The kernel's files are read to their end.
  EXPECT_NE(std::string::npos, ReadFile(Copy("/proc/self/status")).find("nonvoluntary_ctxt"));
}

TEST_F(FileUtilities, LinksAreFollowedOnlyWhenOwnedByRootOrTheTargetsOwner) {
  VELT_REQUIRE_ATTACKER();
  const uid_t user = velt::test::Attacker().uid;
  std::string secret = dir_.WriteFile("secret", "root only");
  chmod(secret.c_str(), 0600);
  std::string own = dir_.WriteFile("own.log", "user's");
  ASSERT_EQ(0, chown(own.c_str(), user, static_cast<gid_t>(-1)));
  Link(secret, "root-link");
  Link(own, "user-own", user);
  Link(secret, "user-secret", user);
  Link(dir_.Path("user-secret"), "root-to-user-secret");
  for (const char* name : {"root-link", "user-own"}) Copy(dir_.Path(name));
  for (const char* name : {"user-secret", "root-to-user-secret"}) {
    Copy(dir_.Path(name), kDenied,
         "/user-secret is a link owned by another user than its target's owner; not followed");
  }
  // On the way to the searched or copied name too.
  Link(dir_.path(), "user-up", user);
  Link(dir_.path(), "root-up");
  Copy(dir_.Path("root-up/secret"));
  Copy(dir_.Path("user-up/secret"), kDenied, "/user-up is a link owned by another user");
  EXPECT_EQ(L"", Find("user-up/", L"*", kDenied));
  // Inside a copied folder too, for links to files and to folders.
  dir_.WriteFile("logs/a.log", "a");
  Link(dir_.path(), "logs/up", user);
  Link(secret, "logs/secret", user);
  Link(dir_.Path("logs/a.log"), "logs/root.log");
  std::string copy = Copy(dir_.Path("logs"));
  EXPECT_EQ("a", ReadFile(copy + "/root.log"));
  EXPECT_FALSE(Exists(copy + "/up") || Exists(copy + "/secret"));
  EXPECT_TRUE(Logged(dir_.Path("logs/up") + " is a link owned by another user"));
}

TEST_F(FileUtilities, FoldersAreCopiedWithTheirRegularFiles) {
  dir_.WriteFile("logs/a.log", "aaa");
  dir_.WriteFile("logs/sub/deeper/b.log", "bb");
  ASSERT_EQ(0, mkfifo(dir_.Path("logs/sub/pipe").c_str(), 0666));
  Link("..", "logs/sub/loop");
  std::string copy = Copy(dir_.Path("logs"));
  EXPECT_EQ("bb", ReadFile(copy + "/sub/deeper/b.log"));
  EXPECT_FALSE(Exists(copy + "/sub/pipe") || Exists(copy + "/sub/loop"));
  EXPECT_TRUE(Logged(dir_.Path("logs/sub/pipe") + " is a FIFO"));
  EXPECT_TRUE(Logged(dir_.Path("logs/sub/loop") + " is a folder met again"));
  EXPECT_EQ(5.0, helperUtil::getFileSize(Widen(copy)));
  // A folder that holds the copy itself.
  Copy(dir_.path());
  EXPECT_TRUE(Logged(dir_.Path("out/2") + " is the folder the copy is written to"));
}

TEST_F(FileUtilities, CopyFailuresLeaveNoHalfWrittenDestination) {
  std::string source = dir_.WriteFile("a.log", "data");
  dir_.WriteFile("plain", "p");  // a folder of the destination is a file
  EXPECT_EQ(kUnexpected, helperUtil::fileCopy(Widen(source), W("plain/sub/a.log")));
  EXPECT_TRUE(Logged("unlink_file"));
  // A full disk (here RLIMIT_FSIZE) removes the partial copy.
  dir_.WriteFile("big/a.log", std::string(4 << 20, 'b'));
  struct rlimit saved, small;
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
  small = saved;
  small.rlim_cur = 1 << 20;
  signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  for (const char* big : {"big/a.log", "big"}) Copy(dir_.Path(big), kUnexpected, "too large");
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_TRUE(Logged("::SHFileOperation"));
}

TEST_F(FileUtilities, DeleteNeverFollowsLinksKeepsReadOnlyFilesAndMakesFolders) {
  std::string outside = dir_.WriteFile("outside/precious.log", "p");
  dir_.WriteFile("d/s/deeper/y.txt", "y");
  for (const char* link : {"d/to-outside", "d/s/to-outside", "top-link", "file-link"}) {
    Link(dir_.Path("outside"), link);
  }
  ASSERT_EQ(0, mkdir(dir_.Path("empty").c_str(), 0777));
  for (const char* name : {"d", "top-link", "empty/"}) {
    EXPECT_EQ(0, helperUtil::fileDeleteDirectory(W(name))) << name;
    EXPECT_FALSE(Exists(dir_.Path(name))) << name;
  }
  for (int i = 0; i < 2; ++i) EXPECT_EQ(0, helperUtil::fileDelete(W("file-link")));  // then gone
  EXPECT_EQ("p", ReadFile(outside));
  EXPECT_FALSE(Logged("Function"));
  // What cannot be deleted stays, and is named in the log.
  dir_.WriteFile("e/x.txt", "x");
  std::string locked = dir_.WriteFile("e/s/y.txt", "y");
  chmod(locked.c_str(), 0444);
  EXPECT_EQ(kUnexpected, helperUtil::fileDeleteDirectory(W("e")));
  EXPECT_TRUE(Logged("unlink_file") && Logged(locked));
  EXPECT_EQ("y", ReadFile(locked));
  EXPECT_FALSE(Exists(dir_.Path("e/x.txt")));
  // fileDeleteAll passes every entry, "." and ".." too, which fail like folders.
  EXPECT_EQ(kUnexpected, helperUtil::fileDeleteAll(W("e/s")));
  EXPECT_EQ(kDenied, helperUtil::fileDeleteDirectory(W("missing")));
  EXPECT_TRUE(Logged("Invoked Function: access"));
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER, helperUtil::fileDeleteDirectory(L""));
  // MakeDirectory: an existing folder is 0 but logged.
  EXPECT_EQ(0, helperUtil::MakeDirectory(W("new")));
  EXPECT_FALSE(Logged("::CreateDirectory"));
  EXPECT_EQ(0, helperUtil::MakeDirectory(W("new")));
  EXPECT_TRUE(Logged("::CreateDirectory"));
  EXPECT_EQ(kNotFound, helperUtil::MakeDirectory(W("no/parent")));
}

// Runs each test in a fresh working directory, where "temp_out.txt" goes.
class Truncation : public FileUtilities {
 protected:
  velt::test::TempDir work_, &data_ = dir_;
  velt::test::ScopedWorkingDirectory inWork_{work_.path()};
  std::string content_ = std::string(900, 'a') + std::string(100, 'z');
  std::string file_ = data_.WriteFile("log.txt", content_);
};

TEST_F(Truncation, KeepTheLastOrFirstBytesNeverWriteThroughALinkAndFailWhole) {
  // At or beyond the size the file stays as it is and the work file holds
  // all of it; below zero nothing is kept.
  for (long count : {1000L, 5000L, -1L}) {
    const std::string kept = count < 0 ? "" : content_;
    EXPECT_EQ(0, helperUtil::fileTruncateEnd(count, Widen(file_)));
    EXPECT_EQ(kept, ReadFile(work_.Path("temp_out.txt"))) << count;
    EXPECT_EQ(0, helperUtil::fileTruncateFront(count, Widen(file_).c_str()));
    EXPECT_EQ(kept, ReadFile(work_.Path("temp_out.txt"))) << count;
    EXPECT_EQ(content_, ReadFile(file_)) << count;
  }
  // A work file planted as a link is never written through.
  std::string planted = data_.WriteFile("planted", "keep");
  ASSERT_EQ(0, unlink(work_.Path("temp_out.txt").c_str()));
  ASSERT_EQ(0, symlink(planted.c_str(), work_.Path("temp_out.txt").c_str()));
  EXPECT_EQ(0, helperUtil::fileTruncateFront(101, Widen(file_)));
  EXPECT_EQ("a" + content_.substr(900), ReadFile(work_.Path("temp_out.txt")));
  EXPECT_EQ("keep", ReadFile(planted));
  EXPECT_EQ(0, helperUtil::fileTruncateEnd(10, Widen(file_).c_str()));
  EXPECT_EQ("azzzzzzzzz", ReadFile(file_));
  EXPECT_EQ(0, helperUtil::fileTruncateFront(0, Widen(file_)));
  EXPECT_EQ("", ReadFile(file_));
  // Failures keep the file whole.
  EXPECT_EQ(VELTENGINE_ERROR_BAD_PARAMETER,
            helperUtil::fileTruncateFront(1, static_cast<const wchar_t*>(nullptr)));
  EXPECT_TRUE(Logged("pszFilename is NULL"));
  EXPECT_EQ(VELTENGINE_ERROR_FILE_OPEN_FAILURE,
            helperUtil::fileTruncateEnd(1, Widen(data_.Path("missing.txt"))));
  EXPECT_TRUE(Logged("Failed to open \"" + data_.Path("missing.txt") + "\""));
  EXPECT_TRUE(Logged("helperUtil::fileTruncateEnd"));
  // A read-only file cannot be replaced: logged, 0, and the file kept whole.
  data_.WriteFile("log.txt", content_);
  chmod(file_.c_str(), 0444);
  EXPECT_EQ(0, helperUtil::fileTruncateFront(5, Widen(file_)));
  EXPECT_TRUE(Logged("helperUtil::fileCopy") && Logged("helperUtil::fileDelete"));
  EXPECT_EQ(content_, ReadFile(file_));
}

TEST_F(Truncation, SparseFilesOfSeveralGibibytesKeepTheirHolesAndSizes) {
  // The disk holds only the written ends, in the copy too.
  const off_t size = (off_t{5} << 30) + 7;
  std::string big = data_.Path("big.bin");
  int fd = open(big.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_TRUE(pwrite(fd, "START", 5, 0) == 5 && pwrite(fd, "END", 3, size - 3) == 3);
  close(fd);
  std::string copy = Copy(big);
  struct stat info;
  ASSERT_EQ(0, stat(copy.c_str(), &info));
  EXPECT_LT(info.st_blocks * 512, 1 << 20);
  EXPECT_EQ(static_cast<double>(size), helperUtil::getFileSize(Widen(copy).c_str()));
  EXPECT_EQ(-1.0, helperUtil::getFileSize(Widen(data_.Path("none")).c_str()));
  EXPECT_EQ(-1.0, helperUtil::getFileSize(static_cast<const wchar_t*>(nullptr)));
  velt::test::ScopedEnv folder("VELT_SIZE_DIR", data_.path().c_str());
  EXPECT_EQ(1000.0, helperUtil::getFileSize(std::wstring(L"%VELT_SIZE_DIR%\\log.txt")));
  EXPECT_EQ(0, helperUtil::fileTruncateFront(6, Widen(copy)));
  EXPECT_EQ(std::string(3, '\0') + "END", ReadFile(copy));
  EXPECT_EQ(0, helperUtil::fileTruncateEnd(5, Widen(big)));
  EXPECT_EQ("START", ReadFile(big));
}

}  // namespace
