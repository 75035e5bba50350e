// The archives CZip writes, checked by the zip clients users have.
#include "velt/zip/CZip.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "platform/PrivateDirectory.h"
#include "support/CapturingLogger.h"
#include "velt/control/VeltThread.h"
#include "velt/runtime/ResultCodes.h"
#include "zip/posix/ClientRun.h"
#include "zip/TraditionalCipher.h"

namespace velt {
namespace test {
namespace {

const char kPassword[] = "Secret-42";

TEST_F(CZipTest, SameArchiveAtAnyThreadCountAndEveryClientReadsIt) {
  zip::TraditionalCipher::SetRandomSource(std::mt19937(7));  // fixed encryption headers
  TempDir corpora;  // both corpora of the zip benchmark, scaled down
  ASSERT_TRUE(ClientAccepts("python3 " VELT_SOURCE_DIR "/bench/gen_log_corpus.py --scale 0.02"
                            " --out " + corpora.path()));
  ScopedLogCapture capture;
  for (const std::string& password : {std::string(), std::string(kPassword)}) {
    for (const std::string& folder : {m_source, corpora.Path("large"), corpora.Path("small")}) {
      SCOPED_TRACE(folder + " with password '" + password + "'");
      std::string reference;
      for (const char* threads : {"1", "8", "many", "2"}) {
        ASSERT_EQ(0, ZipFolder(folder, password, threads)) << threads;
        EXPECT_TRUE(reference.empty() || ReadFile(m_archive) == reference) << threads;
        reference = ReadFile(m_archive);
      }
      std::vector<std::string> lines = EveryClientReads(folder, password), bundle;
      for (const std::string& line : lines) {
        EXPECT_EQ("same", line.substr(line.rfind('|') + 1)) << line;
      }
      for (const std::string& name : m_names) {
        bundle.push_back(name + (name == "z_last.txt" ? "|100640" : "|100644") +
                         "|2021-3-4-5-6-8|same");
      }
      EXPECT_TRUE(folder != m_source || lines == bundle);
    }
  }
  EXPECT_TRUE(capture.Contains("VELT_ZIP_THREADS=\"many\" is not a number from 1 to 64"));
  zip::TraditionalCipher::SetRandomSource(nullptr);
}

TEST_F(CZipTest, HostileNamesBecomePlainReadableRelativeNames) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"N/..\\..\\Users\\Public\\evil.bat", "N/.._.._Users_Public_evil.bat"},
      {"bell\a\x1b[31m\x7f.txt", "bell__[31m_.txt"},
      {"c1\xC2\x85 line.txt", "c1_ line.txt"},
      {"latin1-caf\xE9.log", "latin1-caf_.log"},  // not UTF-8: read from the real path
      {"new\nline.txt", "new_line.txt"},
      {"new_line.txt", "new_line~2.txt"}};  // the same name once cleaned
  for (const auto& c : cases) m_temp.WriteFile("hostile/" + c.first, c.second);  // its entry name
  ASSERT_EQ(0, ZipFolder(m_temp.Path("hostile")));
  std::vector<std::string> lines = EveryClientReads(m_temp.Path("hostile"), "");
  ASSERT_EQ(cases.size(), lines.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(0u, lines[i].find(cases[i].second + "|")) << lines[i];
    EXPECT_EQ("|" + cases[i].second, lines[i].substr(lines[i].rfind('|'))) << "read from the file";
  }
  // Names handed in directly cannot climb out of the folder either.
  ASSERT_TRUE(std::filesystem::remove(m_archive));
  ASSERT_EQ(0, CZip::createZipFile({Widen(m_source + "/z_last.txt")}, Widen(m_archive),
                                   {L"/../a/./..//etc/passwd"}, L""));
  EXPECT_EQ(0u, EveryClientReads(m_source, "").at(0).find("_/a/_/etc/passwd|"));
}

TEST_F(CZipTest, AnExistingTargetIsReplacedNeverWrittenThroughAndBadArgumentsLeaveNoArchive) {
  ScopedLogCapture capture;
  std::string target = m_temp.WriteFile("target.txt", "not to be touched");
  // A file, a link to a file, a link to a name that does not exist yet, a
  // folder; the engine's choice not to replace; replaced, a link itself.
  for (int planted = 0; planted < 5; ++planted) {
    std::filesystem::remove_all(m_archive);
    if (planted == 0 || planted == 4) m_temp.WriteFile("bundle.zip", "an earlier bundle");
    if (planted == 1) std::filesystem::create_symlink(target, m_archive);
    if (planted == 2) std::filesystem::create_symlink(m_temp.Path("created"), m_archive);
    if (planted == 3) std::filesystem::create_directories(m_archive + "/inside");
    std::wstring reason;
    const long result = CZip::Zip(Widen(m_source), Widen(m_archive), L"", true, planted != 4,
                                  reason);
    if (planted < 3) {
      EXPECT_EQ(0, result) << planted;
      EXPECT_FALSE(std::filesystem::is_symlink(m_archive));
      EXPECT_TRUE(ClientAccepts("unzip -tq " + ShellQuote(m_archive)));
    } else {
      EXPECT_EQ(planted == 3 ? -1 : GLOBAL_ERROR_BAD_PARAMETER, result);
      EXPECT_NE(std::wstring::npos, reason.find(Widen(m_archive))) << Narrow(reason);
      EXPECT_EQ(planted == 3 ? "" : "an earlier bundle", ReadFile(m_archive));
    }
    EXPECT_EQ(3, std::distance(std::filesystem::directory_iterator(m_temp.path()),
                               std::filesystem::directory_iterator()))
        << "no partial file is left";
  }
  EXPECT_TRUE(capture.Contains("Cannot create " + m_archive + ": File exists"));
  EXPECT_EQ("not to be touched", ReadFile(target));
  EXPECT_FALSE(std::filesystem::exists(m_temp.Path("created")));
  std::filesystem::remove_all(m_archive);

  mode_t mask = umask(0);
  EXPECT_EQ(0, ZipFolder(m_source));
  umask(mask);
  EXPECT_EQ(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
            std::filesystem::symlink_status(m_archive).permissions());

  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER, CZip::Zip(L"", Widen(m_archive), L"", true));
  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER, CZip::Zip(Widen(m_source), L"", L"", true));
  EXPECT_TRUE(capture.Contains("Bad parameter(s), parameter(s) is equal to NULL."));
  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER, ZipFolder(m_temp.Path("no such folder")));
  EXPECT_TRUE(capture.Contains("Failed to get file attributes for " +
                               m_temp.Path("no such folder/")));
  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER, ZipFolder(m_source + "/top.txt"));  // not a folder
  EXPECT_FALSE(std::filesystem::exists(m_archive));
  m_archive = m_temp.Path("absent/bundle.zip");
  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER, ZipFolder(m_source));
  EXPECT_TRUE(capture.Contains("Cannot create " + m_archive + ": No such file or directory"));
}

TEST_F(CZipTest, AFailureOrAStopLeavesNoArchive) {
  ScopedLogCapture capture;
  // A write refused by the file-size limit, as by a full disk.
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit limit = {64 * 1024, saved.rlim_max};
  signal(SIGXFSZ, SIG_IGN);  // as the engine does: the write fails instead
  setrlimit(RLIMIT_FSIZE, &limit);
  std::wstring reason;
  long result = CZip::Zip(Widen(m_source), Widen(m_archive), L"", true, true, reason);
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_LT(result, 0);
  EXPECT_TRUE(capture.Contains("File too large")) << "the system's reason is logged";
  EXPECT_NE(std::wstring::npos, reason.find(L" into " + Widen(m_archive) + L" failed: File too large"))
      << Narrow(reason);
  EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(m_temp.path()),
                             std::filesystem::directory_iterator()))
      << "neither an archive nor a partial file";

  // A stop request in the middle of a 4 GiB entry (sparse: no disk used).
  ASSERT_EQ(0, truncate(m_temp.WriteFile("huge/huge.log", "").c_str(), 0x100000000ll));
  VeltThread::m_ExitVeltEvent = VeltEvent::Create(L"ExitVeltEvent", true, false);
  // While it is written the partial archive is locked: a run cleaning up
  // what killed runs left passes it by.
  std::string partial;
  int locked = 0, removed = -1;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (const auto& entry : std::filesystem::directory_iterator(m_temp.path())) {
      if (entry.path().extension() == ".partial") partial = entry.path().string();
    }
    const int fd = open(partial.c_str(), O_RDONLY);
    locked = flock(fd, LOCK_EX | LOCK_NB) != 0 ? errno : 0;
    close(fd);
    removed = platform::RemoveAbandonedPartialFiles(m_temp.path());
    VeltThread::m_ExitVeltEvent->Set();
  });
  result = ZipFolder(m_temp.Path("huge"));
  stopper.join();
  VeltEvent::Close(VeltThread::m_ExitVeltEvent);
  VeltThread::m_ExitVeltEvent = nullptr;
  EXPECT_EQ(VELTENGINE_ERROR_ACTION_CANCELED_BY_USER, result);
  EXPECT_EQ(EWOULDBLOCK, locked) << partial;
  EXPECT_EQ(0, removed);
  EXPECT_FALSE(std::filesystem::exists(m_archive) || std::filesystem::exists(partial));
}

TEST_F(CZipTest, ListingSkipsWhatIsNotARegularFileAndSubFoldersWhenAsked) {
  ScopedLogCapture capture;
  ASSERT_EQ(0, mkfifo((m_source + "/fifo").c_str(), 0600));
  ASSERT_EQ(0, symlink("no-such-target", (m_source + "/dangling").c_str()));
  ASSERT_EQ(0, symlink(".", (m_source + "/loop").c_str()));
  ASSERT_EQ(0, symlink("top.txt", (m_source + "/top-link.txt").c_str()));
  m_names.insert(m_names.begin() + 5, "top-link.txt");
  for (bool recursive : {true, false}) {
    std::vector<std::wstring> files;
    ASSERT_EQ(0, CZip::getDirContents(files, Widen(m_source), recursive));
    std::vector<std::string> names, topLevel = {"binary.bin", "empty.log", "top-link.txt",
                                                "top.txt", "z_last.txt"};
    for (const std::wstring& file : files) names.push_back(Narrow(file).substr(m_source.size() + 1));
    EXPECT_EQ(recursive ? m_names : topLevel, names);
  }
  EXPECT_TRUE(capture.Contains("Skipping " + m_source + "/fifo"));
}

TEST_F(CZipTest, EmptyFoldersMissingFilesAndTheLargeFileBoundary) {
  std::filesystem::create_directories(m_temp.Path("nothing/only/folders"));
  ASSERT_EQ(0, ZipFolder(m_temp.Path("nothing"), kPassword));
  EXPECT_TRUE(ClientAccepts("7z t " + ShellQuote(m_archive)));
  EXPECT_EQ("", RunClient("bsdtar -tf " + ShellQuote(m_archive)).output);

  ScopedLogCapture capture;
  uint32_t dosDateTime = 0;
  EXPECT_FALSE(CZip::getFileTime(Widen(m_temp.Path("missing")), dosDateTime));
  EXPECT_EQ(0ul, CZip::getCrc(Widen(m_temp.Path("missing"))));
  EXPECT_TRUE(capture.Contains("Could not open " + m_temp.Path("missing")));
  EXPECT_FALSE(CZip::isLargeFile(Widen(m_temp.Path("missing"))));
  // A listed file that cannot be opened becomes an empty entry; the reason
  // is one message entry.
  capture.logger().Clear();
  EXPECT_EQ(0, CZip::createZipFile({Widen(m_temp.Path("missing"))}, Widen(m_temp.Path("m.zip")),
                                   {L"missing"}, L""));
  EXPECT_EQ(1, capture.Count(MID_DEBUG_MESSAGE, "CZip::createZipFile",
                             "Could not open " + m_temp.Path("missing") +
                                 ": No such file or directory"));
  EXPECT_EQ(0, capture.Count(MID_DEBUG_RETURN_CODE, "CZip::createZipFile", ""));
  // Sparse files: the size is what counts, not the blocks.
  std::string large = m_temp.WriteFile("large", "");
  for (long long size : {0xFFFFFFFEll, 0xFFFFFFFFll}) {
    ASSERT_EQ(0, truncate(large.c_str(), size));
    EXPECT_EQ(size == 0xFFFFFFFFll, CZip::isLargeFile(Widen(large)));
  }
}

}  // namespace
}  // namespace test
}  // namespace velt
