// The archives CZip writes, checked by the zip clients users have: Info-ZIP
// unzip, 7-Zip, bsdtar and Python's zipfile.
#include "velt/zip/CZip.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <ctime>
#include <iomanip>
#include <filesystem>
#include <random>
#include <sstream>

#include "support/CapturingLogger.h"
#include "support/TempDir.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/ResultCodes.h"
#include "zip/ClientRun.h"

namespace velt {
namespace test {
namespace {

const char kPassword[] = "Secret-42";

// Prints one line per entry: name|flag bits|mode (octal)|date-time|whether
// the bytes equal the file under the folder. With "locked" it instead
// tries every entry without a password.
const char kChecker[] = R"PY(
import os, sys, zipfile
archive, folder, mode = sys.argv[1], sys.argv[2], sys.argv[3]
out = []
with zipfile.ZipFile(archive) as z:
    if mode == "locked":
        for info in z.infolist():
            try:
                z.read(info.filename)
                out.append("OPEN " + info.filename)
            except RuntimeError:
                out.append("LOCKED " + info.filename)
    else:
        if mode != "-":
            z.setpassword(mode.encode())
        bad = z.testzip()
        if bad is not None:
            out.append("BAD " + bad)
        for info in z.infolist():
            with open(os.path.join(folder, info.filename), "rb") as f:
                same = f.read() == z.read(info.filename)
            out.append("%s|%d|%o|%s|%s" % (info.filename, info.flag_bits, info.external_attr >> 16,
                       "-".join(map(str, info.date_time)), "same" if same else "DIFFERENT"))
sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
)PY";

std::string RandomBytes(size_t size) {
  std::mt19937 generator(12345);
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    c = static_cast<char>(generator());
  }
  return bytes;
}

std::string LogText(size_t lines) {
  std::ostringstream text;
  for (size_t i = 0; i < lines; ++i) {
    text << "2024-01-0" << (i % 9 + 1) << " 12:00:" << (i % 60) << " [INFO] tunnel: packet "
         << i * 7919 << " forwarded\n";
  }
  return text.str();
}

struct Entry {
  std::string name;
  unsigned flags = 0;
  unsigned mode = 0;
  std::string dateTime;
  bool same = false;
};

class CZipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_source = m_temp.Path("bundle");
    m_temp.WriteFile("bundle/top.txt", LogText(4000));
    m_temp.WriteFile("bundle/binary.bin", RandomBytes(300 * 1024));
    m_temp.WriteFile("bundle/empty.log", "");
    m_temp.WriteFile("bundle/sub dir/nested/deep.txt", LogText(10));
    m_temp.WriteFile("bundle/sub dir/a b c.txt", "spaces in the name\n");
    m_temp.WriteFile("bundle/na\xC3\xAFve/\xE6\x97\xA5\xE6\x9C\xAC \xE3\x83\xAD\xE3\x82\xB0.txt",
                     "non-ASCII name\n");
    m_temp.WriteFile("bundle/z_last.txt", "last\n");
    std::filesystem::create_directories(m_temp.Path("bundle/emptydir/inner"));
    chmod(m_temp.Path("bundle/z_last.txt").c_str(), 0640);
    m_checker = m_temp.WriteFile("checker.py", kChecker);
    m_archive = m_temp.Path("out/bundle.zip");
    std::filesystem::create_directories(m_temp.Path("out"));
  }

  long ZipSource(const std::string& password, bool recursive = true) {
    return CZip::Zip(Widen(m_source), Widen(m_archive), Widen(password), recursive);
  }

  // Entries as Python's zipfile sees them; `mode` is "-", a password or
  // "locked".
  std::vector<Entry> PythonEntries(const std::string& mode) {
    ClientResult run = RunClient("python3 " + Quote(m_checker) + " " + Quote(m_archive) + " " +
                                 Quote(m_source) + " " + Quote(mode));
    EXPECT_EQ(0, run.status) << run.output;
    std::vector<Entry> entries;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream parts(line);
      std::string field[5];
      for (std::string& f : field) std::getline(parts, f, '|');
      EXPECT_FALSE(field[4].empty()) << line;
      entries.push_back(Entry{field[0], static_cast<unsigned>(std::stoul("0" + field[1])),
                              static_cast<unsigned>(std::stoul("0" + field[2], nullptr, 8)),
                              field[3], field[4] == "same"});
    }
    return entries;
  }

  // Extracts with bsdtar and compares every file with its source.
  void ExpectBsdtarRestores(const std::string& extraOptions) {
    std::string target = m_temp.Path("bsdtar-out");
    std::filesystem::remove_all(target);
    std::filesystem::create_directories(target);
    ClientResult run = RunClient("bsdtar " + extraOptions + " -xf " + Quote(m_archive) + " -C " +
                                 Quote(target));
    ASSERT_EQ(0, run.status) << run.output;
    for (const std::string& name : ExpectedNames()) {
      EXPECT_EQ(ReadFile(m_source + "/" + name), ReadFile(target + "/" + name)) << name;
    }
  }

  static std::vector<std::string> ExpectedNames() {
    return {"binary.bin",
            "empty.log",
            "na\xC3\xAFve/\xE6\x97\xA5\xE6\x9C\xAC \xE3\x83\xAD\xE3\x82\xB0.txt",
            "sub dir/a b c.txt",
            "sub dir/nested/deep.txt",
            "top.txt",
            "z_last.txt"};
  }

  TempDir m_temp;
  std::string m_source;
  std::string m_checker;
  std::string m_archive;
};

TEST_F(CZipTest, PlainArchiveIsReadByEveryClient) {
  m_temp.WriteFile("out/bundle.zip", std::string(100000, 'x'));  // replaced, not appended to
  ASSERT_EQ(0, ZipSource(""));
  EXPECT_TRUE(ClientAccepts("unzip -t " + Quote(m_archive)));
  EXPECT_TRUE(ClientAccepts("7z t " + Quote(m_archive)));
  ExpectBsdtarRestores("");

  std::vector<Entry> entries = PythonEntries("-");
  std::vector<std::string> names;
  for (const Entry& entry : entries) {
    names.push_back(entry.name);
    EXPECT_TRUE(entry.same) << entry.name;
    EXPECT_EQ(0u, entry.flags & 1) << entry.name;
    // Only names that are not plain ASCII carry the UTF-8 flag.
    bool ascii = std::all_of(entry.name.begin(), entry.name.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    EXPECT_EQ(ascii ? 0u : 0x800u, entry.flags & 0x800) << entry.name;
  }
  // Depth first, in byte order of names, no folder entries.
  EXPECT_EQ(ExpectedNames(), names);
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(0100640u, entries.back().mode);
}

TEST_F(CZipTest, EncryptedEntriesOpenOnlyWithThePassword) {
  ASSERT_EQ(0, ZipSource(kPassword));
  EXPECT_TRUE(ClientAccepts("unzip -t -P " + Quote(kPassword) + " " + Quote(m_archive)));
  EXPECT_TRUE(ClientRefuses("unzip -t -P wrong " + Quote(m_archive)));
  ClientResult unzipNone = RunClient("unzip -p " + Quote(m_archive) + " top.txt");
  EXPECT_NE(0, unzipNone.status);
  EXPECT_EQ(std::string::npos, unzipNone.output.find("[INFO] tunnel"));
  EXPECT_TRUE(ClientAccepts("7z t -p" + Quote(kPassword) + " " + Quote(m_archive)));
  EXPECT_TRUE(ClientRefuses("7z t -pwrong " + Quote(m_archive)));
  ExpectBsdtarRestores("--passphrase " + Quote(kPassword));

  std::vector<Entry> entries = PythonEntries(kPassword);
  ASSERT_EQ(ExpectedNames().size(), entries.size());
  for (const Entry& entry : entries) {
    EXPECT_TRUE(entry.same) << entry.name;
    // An empty file has nothing to protect and is stored unencrypted.
    EXPECT_EQ(entry.name == "empty.log" ? 0u : 1u, entry.flags & 1) << entry.name;
  }
  ClientResult locked = RunClient("python3 " + Quote(m_checker) + " " + Quote(m_archive) + " " +
                                  Quote(m_source) + " locked");
  EXPECT_NE(std::string::npos, locked.output.find("OPEN empty.log")) << locked.output;
  EXPECT_NE(std::string::npos, locked.output.find("LOCKED top.txt")) << locked.output;
  EXPECT_NE(std::string::npos, locked.output.find("LOCKED binary.bin")) << locked.output;
}

TEST_F(CZipTest, EntryTimesAreTheFilesLocalLastWriteTimes) {
  struct tm local = {};  // 2021-03-04 05:06:08 local time
  std::istringstream("2021-03-04 05:06:08") >> std::get_time(&local, "%Y-%m-%d %H:%M:%S");
  local.tm_isdst = -1;
  struct utimbuf times;
  times.actime = times.modtime = mktime(&local);
  ASSERT_EQ(0, utime((m_source + "/top.txt").c_str(), &times));

  ASSERT_EQ(0, ZipSource(""));
  for (const Entry& entry : PythonEntries("-")) {
    if (entry.name == "top.txt") {
      EXPECT_EQ("2021-3-4-5-6-8", entry.dateTime);
    }
  }
  uint32_t dosDateTime = 0;
  EXPECT_FALSE(CZip::getFileTime(Widen(m_source + "/missing"), dosDateTime));
}

TEST_F(CZipTest, FolderWithoutFilesGivesAValidEmptyArchive) {
  std::string empty = m_temp.Path("nothing");
  std::filesystem::create_directories(empty + "/only/folders");
  ASSERT_EQ(0, CZip::Zip(Widen(empty), Widen(m_archive), Widen(kPassword), true));
  ClientResult python = RunClient("python3 -c 'import sys, zipfile; "
                                  "print(len(zipfile.ZipFile(sys.argv[1]).namelist()))' " +
                                  Quote(m_archive));
  EXPECT_EQ(0, python.status) << python.output;
  EXPECT_EQ("0\n", python.output);
  EXPECT_TRUE(ClientAccepts("7z t " + Quote(m_archive)));
  ClientResult bsdtar = RunClient("bsdtar -tf " + Quote(m_archive));
  EXPECT_EQ(0, bsdtar.status) << bsdtar.output;
  EXPECT_EQ("", bsdtar.output);
}

TEST_F(CZipTest, BadArgumentsAndMissingFolderLeaveNoArchive) {
  ScopedLogCapture capture;
  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER, CZip::Zip(L"", Widen(m_archive), L"", true));
  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER, CZip::Zip(Widen(m_source), L"", L"", true));
  EXPECT_TRUE(capture.Contains("Bad parameter(s), parameter(s) is equal to NULL."));

  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER,
            CZip::Zip(Widen(m_temp.Path("no such folder")), Widen(m_archive), L"", true));
  EXPECT_TRUE(capture.Contains("Failed to get file attributes for " +
                               m_temp.Path("no such folder/")));
  EXPECT_FALSE(std::filesystem::exists(m_archive));

  // A file is not a folder to walk.
  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER,
            CZip::Zip(Widen(m_source + "/top.txt"), Widen(m_archive), L"", true));
  EXPECT_FALSE(std::filesystem::exists(m_archive));

  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER,
            CZip::Zip(Widen(m_source), Widen(m_temp.Path("absent/bundle.zip")), L"", true));
  EXPECT_TRUE(capture.Contains("zipOpen64"));
}

TEST_F(CZipTest, AFullDiskEndsTheRunWithMinizipsCode) {
  ScopedLogCapture capture;
  long result = CZip::Zip(Widen(m_source), L"/dev/full", L"", true);
  EXPECT_LT(result, 0);
  EXPECT_TRUE(capture.Contains("CZip::createZipFile")) << "the caller logs the writer's code";
}

TEST_F(CZipTest, WithoutSubFoldersOnlyTopLevelFilesAreTaken) {
  ASSERT_EQ(0, ZipSource("", false));
  std::vector<std::string> names;
  for (const Entry& entry : PythonEntries("-")) {
    EXPECT_TRUE(entry.same);
    names.push_back(entry.name);
  }
  EXPECT_EQ((std::vector<std::string>{"binary.bin", "empty.log", "top.txt", "z_last.txt"}),
            names);
}

TEST_F(CZipTest, ListingSkipsWhatIsNotARegularFile) {
  ScopedLogCapture capture;
  ASSERT_EQ(0, mkfifo((m_source + "/fifo").c_str(), 0600));
  ASSERT_EQ(0, symlink("no-such-target", (m_source + "/dangling").c_str()));
  ASSERT_EQ(0, symlink(".", (m_source + "/loop").c_str()));
  ASSERT_EQ(0, symlink("top.txt", (m_source + "/top-link.txt").c_str()));

  std::vector<std::wstring> files;
  ASSERT_EQ(0, CZip::getDirContents(files, Widen(m_source), true));
  std::vector<std::string> names;
  for (const std::wstring& file : files) {
    names.push_back(Narrow(file).substr(m_source.size() + 1));
  }
  std::vector<std::string> expected = ExpectedNames();
  expected.insert(expected.begin() + 5, "top-link.txt");
  EXPECT_EQ(expected, names);
  EXPECT_TRUE(capture.Contains("Skipping " + m_source + "/fifo"));

  // The writer gets past them too, without waiting on the pipe.
  ASSERT_EQ(0, ZipSource(""));
  EXPECT_EQ(expected.size(), PythonEntries("-").size());
}

TEST_F(CZipTest, AnOldArchiveInsideTheFolderIsNotPackedIntoItself) {
  m_archive = m_source + "/bundle.zip";
  m_temp.WriteFile("bundle/bundle.zip", "an earlier bundle");
  ScopedLogCapture capture;
  ASSERT_EQ(0, ZipSource(kPassword));
  EXPECT_TRUE(capture.Contains("it is the archive being written"));
  ClientResult unzip = RunClient("unzip -t -P " + Quote(kPassword) + " " + Quote(m_archive));
  EXPECT_EQ(0, unzip.status) << unzip.output;
  EXPECT_EQ(std::string::npos, unzip.output.find("testing: bundle.zip")) << unzip.output;
}

TEST_F(CZipTest, CrcOfAMissingFileAndTheLargeFileBoundary) {
  ScopedLogCapture capture;
  // Every client checks the CRCs of real entries; here, a file that is not there.
  EXPECT_EQ(0ul, CZip::getCrc(Widen(m_temp.Path("missing"))));
  EXPECT_TRUE(capture.Contains("Could not open " + m_temp.Path("missing")));

  EXPECT_FALSE(CZip::isLargeFile(Widen(m_source + "/top.txt")));
  EXPECT_FALSE(CZip::isLargeFile(Widen(m_temp.Path("missing"))));
  // Sparse files: the size is what counts, not the blocks.
  std::string large = m_temp.Path("large");
  ASSERT_EQ(0, truncate(m_temp.WriteFile("large", "").c_str(), 0xFFFFFFFEll));
  EXPECT_FALSE(CZip::isLargeFile(Widen(large)));
  ASSERT_EQ(0, truncate(large.c_str(), 0xFFFFFFFFll));
  EXPECT_TRUE(CZip::isLargeFile(Widen(large)));
}

}  // namespace
}  // namespace test
}  // namespace velt
