// The file layer on Windows: what only Windows has to be told (device
// names, drive and share roots, private DACLs, mandatory locks, folders
// held open where POSIX locks them) and the rules of File, WalkedFolder
// and CollectCopy in the layer's portable error names.
#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/CollectCopy.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/PartialFile.h"
#include "platform/PrivateDirectory.h"
#include "platform/Random.h"
#include "platform/ReplacementFile.h"
#include "platform/SystemError.h"
#include "platform/WalkedFolder.h"
#include "velt/platform/Directory.h"
#include "velt/platform/ResolvedPaths.h"

namespace {

namespace fs = std::filesystem;
using velt::platform::ErrorKind;
using velt::platform::ErrorKindOf;
using velt::platform::File;
using velt::platform::FileDetails;

class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("velt-win32-" + velt::platform::RandomHex(6));
    fs::create_directory(root_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  std::string Path(const std::string& name) const { return (root_ / name).u8string(); }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(root_ / name, std::ios::binary) << text;
    return Path(name);
  }
  static std::string Read(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(fs::u8path(path), std::ios::binary).rdbuf();
    return text.str();
  }
  // How many entries of the DACL of `path` grant this user and how many
  // anyone else (LocalSystem aside, which Wine adds to what it stores).
  static std::pair<int, int> Grants(const std::string& path) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::pair<int, int> grants{0, 0};
    HANDLE token = nullptr;
    char user[256];
    DWORD size = 0;
    if (GetNamedSecurityInfoW(fs::u8path(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
      return grants;
    }
    GetTokenInformation(token, TokenUser, user, sizeof user, &size);
    CloseHandle(token);
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
      ACCESS_ALLOWED_ACE* ace = nullptr;
      GetAce(dacl, i, reinterpret_cast<void**>(&ace));
      PSID sid = &ace->SidStart;
      if (EqualSid(sid, reinterpret_cast<TOKEN_USER*>(user)->User.Sid)) {
        ++grants.first;
      } else if (!IsWellKnownSid(sid, WinLocalSystemSid)) {
        ++grants.second;
      }
    }
    LocalFree(descriptor);
    return grants;
  }

  fs::path root_;
};

TEST_F(Win32Files, EachWayOfOpeningTakesOnlyWhatItMay) {
  struct Case {
    const char* name;  // the entry planted: a file, a folder, or nothing
    bool folder;
    ErrorKind open, create, append;
  } const cases[] = {
      {"absent", false, ErrorKind::kNotFound, ErrorKind::kNone, ErrorKind::kNone},
      {"file", false, ErrorKind::kNone, ErrorKind::kExists, ErrorKind::kNone},
      {"folder", true, ErrorKind::kIsAFolder, ErrorKind::kExists, ErrorKind::kIsAFolder},
      // Device names name a device in every folder and are never opened.
      {"NUL", false, ErrorKind::kInvalid, ErrorKind::kExists, ErrorKind::kInvalid},
      {"com1.log", false, ErrorKind::kInvalid, ErrorKind::kExists, ErrorKind::kInvalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = c.name;
    if (name == "file") Write(name, "text");
    if (c.folder) fs::create_directory(root_ / name);
    File file;
    EXPECT_EQ(ErrorKindOf(file.Open(Path(name))), c.open);
    EXPECT_EQ(ErrorKindOf(file.Open(Path(name), false)), c.open);
    EXPECT_EQ(ErrorKindOf(File().Create(Path(name + (name == "absent" ? ".new" : "")))), c.create);
    bool created = false;
    EXPECT_EQ(ErrorKindOf(File().OpenForAppending(Path(name), created)), c.append);
  }
  FileDetails device;
  ASSERT_EQ(velt::platform::GetFileDetails(Path("nul"), true, device), 0);
  EXPECT_FALSE(device.isRegular || device.isDirectory);
}

TEST_F(Win32Files, ReadsWritesAndCopiesKeepTheirOwnPositions) {
  File file;
  ASSERT_EQ(file.Create(Path("data")), 0);
  ASSERT_EQ(file.Append("0123456789", 10), 0);
  ASSERT_EQ(file.WriteAt("ab", 2, 4), 0);
  char buffer[8] = {};
  int error = 0;
  ASSERT_EQ(file.Read(buffer, 3, error), 3);
  ASSERT_EQ(file.ReadAt(buffer + 3, 2, 8, error), 2);  // leaves Read where it was
  ASSERT_EQ(file.Read(buffer + 5, 3, error), 3);
  EXPECT_EQ(std::string(buffer, 8), "012893ab");
  ASSERT_EQ(file.Append("!", 1), 0);  // at the end, whatever was read or written last
  File source;
  ASSERT_EQ(source.Open(Write("source", "copied text")), 0);
  ASSERT_EQ(file.CopyFrom(source, 7, 100), 0);  // stops where the source ends
  file.Close();
  EXPECT_EQ(Read(Path("data")), "0123ab6789!text");
}

TEST_F(Win32Files, PrivateFilesAndFoldersGrantTheirUserAlone) {
  File file;
  ASSERT_EQ(file.Create(Path("private")), 0);
  velt::platform::RunFolder run;
  ASSERT_EQ(run.Create(root_.u8string(), "run"), 0);
  fs::create_directory(root_ / "made");
  ASSERT_EQ(velt::platform::MakeDirectoryPrivate(Path("made")), 0);
  for (const std::string& path : {Path("private"), run.path(), Path("made")}) {
    EXPECT_EQ(Grants(path), std::make_pair(1, 0)) << path;
  }
}

TEST_F(Win32Files, HeldRunsAreLeftAloneAndAbandonedOnesRemoved) {
  // A partial file is locked beyond its data: others still read it.
  velt::platform::PartialFile partial;
  ASSERT_EQ(partial.Create(Path("bundle.zip")), 0);
  ASSERT_EQ(partial.file().Append("zip", 3), 0);
  EXPECT_EQ(Read(partial.file().path()), "zip");
  File abandoned;
  const std::string leftover = Path("old.zip.0123456789abcdef.partial");
  ASSERT_EQ(abandoned.Create(leftover), 0);
  abandoned.Close();
  EXPECT_EQ(velt::platform::RemoveAbandonedPartialFiles(root_.u8string()), 1);
  EXPECT_FALSE(fs::exists(fs::u8path(leftover)));
  ASSERT_EQ(partial.Commit(false), 0);
  EXPECT_EQ(Read(Path("bundle.zip")), "zip");

  // A run's folder is held against cleaning runs, not against its own
  // removal.
  velt::platform::RunFolder live, gone;
  ASSERT_EQ(live.Create(root_.u8string(), "run"), 0);
  ASSERT_EQ(gone.Create(root_.u8string(), "run"), 0);
  const std::string goneFolder = gone.path();
  gone.Release();
  EXPECT_EQ(velt::platform::RemoveAbandonedRunFolders(root_.u8string(), "run",
                                                      &velt::platform::RemoveEmptyDirectory),
            1);
  EXPECT_TRUE(fs::exists(fs::u8path(live.path())));
  EXPECT_FALSE(fs::exists(fs::u8path(goneFolder)));
  EXPECT_EQ(velt::platform::RemoveEmptyDirectory(live.path()), 0);
}

TEST_F(Win32Files, PathsSplitAtTheirRoots) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
  } const cases[] = {
      {"C:\\logs\\app.log", "C:\\logs", "app.log"},
      {"C:\\app.log", "C:\\", "app.log"},
      {"C:\\logs\\", "C:\\", "logs"},
      {"C:\\", "C:\\", "."},
      {"C:/logs/app.log", "C:/logs", "app.log"},
      {"\\\\host\\share\\a", "\\\\host\\share\\", "a"},
      {"\\\\?\\C:\\a\\b", "\\\\?\\C:\\a", "b"},
      {"app.log", ".", "app.log"},
  };
  for (const Case& c : cases) {
    const auto split = velt::platform::SplitPath(c.path);
    EXPECT_EQ(split.first, c.folder) << c.path;
    EXPECT_EQ(split.second, c.name) << c.path;
  }
  // Windows takes ".." by its text, so a missing folder before it does not
  // matter; the path comes back as a drive path.
  std::string resolved;
  ASSERT_EQ(velt::platform::ResolvePath(Path("missing\\..\\."), resolved), 0);
  const std::string name = root_.filename().u8string();
  EXPECT_EQ(resolved.substr(resolved.size() - name.size()), name) << resolved;
  EXPECT_EQ(resolved.find('?'), std::string::npos) << resolved;
}

TEST_F(Win32Files, WalkedFoldersRemoveOnlyTheEntryTheyChecked) {
  Write("a.log", "a");
  Write("b.log", "b");
  velt::platform::WalkedFolder folder;
  std::string refused;
  ASSERT_EQ(folder.Open(root_.u8string() + "\\", refused), 0);
  std::vector<velt::platform::FoundEntry> found;
  int readError = 0;
  ASSERT_EQ(folder.Search([](const std::string& name) { return name[0] != '.'; }, found, readError),
            0);
  ASSERT_EQ(found.size(), 2u);
  fs::rename(root_ / "a.log", root_ / "a.old");
  Write("a.log", "another file at the name");
  using velt::platform::EntryRemoval;
  int error = 0;
  EXPECT_EQ(folder.RemoveEntry("a.log", found[0].status.device, found[0].status.index, error),
            EntryRemoval::kReplaced);
  EXPECT_EQ(folder.RemoveEntry("b.log", found[1].status.device, found[1].status.index, error),
            EntryRemoval::kRemoved);
  EXPECT_EQ(folder.RemoveEntry("b.log", found[1].status.device, found[1].status.index, error),
            EntryRemoval::kGone);
  EXPECT_EQ(Read(Path("a.log")), "another file at the name");
}

TEST_F(Win32Files, CopiesKeepTimesAndNeverReplaceWhatAppeared) {
  fs::create_directories(root_ / "logs" / "inner");
  Write("logs\\inner\\deep.log", "deep");
  const std::string top = Write("logs\\top.log", "top");
  fs::last_write_time(fs::u8path(top), fs::file_time_type::clock::now() - std::chrono::hours(48));
  const auto old = fs::last_write_time(fs::u8path(top));
  velt::platform::WalkedFolder folder;
  std::string refused;
  ASSERT_EQ(folder.Open(Path("logs"), refused), 0);
  velt::platform::CopyOutcome outcome;
  ASSERT_EQ(velt::platform::CopyForCollection(folder, "inner", Path("out\\copy\\inner"), outcome),
            0);
  EXPECT_EQ(Read(Path("out\\copy\\inner\\deep.log")), "deep");
  Write("out\\top.log", "was here first");
  ASSERT_EQ(velt::platform::CopyForCollection(folder, "top.log", Path("out\\top.log"), outcome), 0);
  EXPECT_EQ(outcome.written, Path("out\\top (2).log"));
  EXPECT_EQ(Read(Path("out\\top.log")), "was here first");
  EXPECT_EQ(fs::last_write_time(fs::u8path(outcome.written)), old);
  uint64_t total = 0;
  ASSERT_EQ(velt::platform::TotalRegularFileSize(Path("logs"), total), 0);
  EXPECT_EQ(total, 7u);

  // A new version takes the original's place in one step, with its times.
  FileDetails details;
  ASSERT_EQ(velt::platform::GetFileDetails(top, false, details), 0);
  velt::platform::ReplacementFile copy;
  int ownerError = 0;
  ASSERT_EQ(copy.Create(top, "mask", details, ownerError), 0);
  EXPECT_EQ(ownerError, 0);
  ASSERT_EQ(copy.Write("masked", 6), 0);
  ASSERT_EQ(copy.Commit(), 0);
  EXPECT_EQ(Read(top), "masked");
  EXPECT_EQ(fs::last_write_time(fs::u8path(top)), old);
  std::vector<velt::platform::DirEntry> entries;
  ASSERT_EQ(velt::platform::ListDirectory(Path("logs"), entries), 0);
  ASSERT_EQ(entries.size(), 4u);  // ".", "..", inner, top.log: no copy left beside it
  EXPECT_TRUE(entries[2].isDirectory);
  EXPECT_EQ(entries[3].name, "top.log");
}

}  // namespace
