// Running the real zip clients that check the archives (Info-ZIP unzip,
// 7-Zip, bsdtar and Python's zipfile), and the folder the zip tests pack.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>

#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "velt/platform/TextEncoding.h"
#include "velt/zip/CZip.h"

namespace velt {
namespace test {

struct ClientResult {
  int status = -1;  // the command's exit status, -1 when it did not exit
  std::string output;
};

// A shell command with standard input closed and its errors in its output.
inline ClientResult RunClient(const std::string& command) {
  ClientResult result;
  result.status = RunCommand("(" + command + ") 0<&- 2>&1", &result.output);
  return result;
}

// Whether the client run by `command` accepted (exit status 0) the archive;
// its output goes into the failure message.
inline ::testing::AssertionResult ClientAccepts(const std::string& command) {
  ClientResult run = RunClient(command);
  if (run.status == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << command << " exited with " << run.status << ":\n"
                                       << run.output;
}

// One line per entry: name|mode (octal)|date-time|"same" when the bytes
// equal the file of that name under the folder and the entry is encrypted
// exactly when a password is given and it is not empty, and flagged UTF-8
// exactly when its name is not ASCII ("flags" when not), else its text.
const char kChecker[] = R"PY(
import os, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
z.setpassword(sys.argv[3].encode())
for i in z.infolist():
    data, path = z.read(i.filename), os.path.join(sys.argv[2], i.filename)
    flags = (1 if sys.argv[3] and data else 0) | (0 if i.filename.isascii() else 0x800)
    same = os.path.isfile(path) and open(path, "rb").read() == data
    print("%s|%o|%s|%s" % (i.filename, i.external_attr >> 16, "-".join(map(str, i.date_time)),
          ("same" if i.flag_bits & 0x801 == flags else "flags") if same else data.decode("latin-1")))
)PY";

// A folder to zip ("bundle"), its entry names in archive order (byte order
// of names, depth first) and the archive's path.
class CZipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string random(300 * 1024, '\0'), log;
    std::generate(random.begin(), random.end(), std::mt19937(12345));
    for (int i = 0; i < 40000; ++i) log += "12:00:" + std::to_string(i % 60) + " [INFO] packet " +
                                           std::to_string(i * 7919) + " forwarded\n";
    struct tm local = {};
    strptime("2021-03-04 05:06:08", "%Y-%m-%d %H:%M:%S", &local);  // local time
    local.tm_isdst = -1;
    struct utimbuf times = {mktime(&local), mktime(&local)};
    for (const auto& file : std::vector<std::pair<std::string, std::string>>{
             {"binary.bin", random}, {"empty.log", ""},
             {"na\xC3\xAFve/\xE6\x97\xA5\xE6\x9C\xAC \xE3\x83\xAD\xE3\x82\xB0.txt", "non-ASCII"},
             {"sub dir/a b c.txt", "spaces\n"}, {"sub dir/nested/deep.txt", log.substr(0, 900)},
             {"top.txt", log},  // several deflate blocks
             {"z_last.txt", "last\n"}}) {
      std::string path = m_temp.WriteFile("bundle/" + file.first, file.second);
      chmod(path.c_str(), file.first == "z_last.txt" ? 0640 : 0644);
      utime(path.c_str(), &times);
      m_names.push_back(file.first);
    }
    std::filesystem::create_directories(m_temp.Path("bundle/emptydir/inner"));
  }
  void TearDown() override { unsetenv("VELT_ZIP_THREADS"); }

  long ZipFolder(const std::string& folder, const std::string& password = "",
                 const char* threads = "2") {
    std::filesystem::remove(m_archive);
    setenv("VELT_ZIP_THREADS", threads, 1);
    return CZip::Zip(Widen(folder), Widen(m_archive), Widen(password), true);
  }

  // Every client tests the archive; the checker's lines are returned.
  std::vector<std::string> EveryClientReads(const std::string& folder,
                                            const std::string& password) {
    std::string archive = ShellQuote(m_archive), quoted = ShellQuote(password);
    EXPECT_TRUE(ClientAccepts("unzip -t -P " + quoted + " " + archive));
    EXPECT_TRUE(ClientAccepts("7z t -p" + quoted + " " + archive));
    EXPECT_TRUE(ClientAccepts("bsdtar " + (password.empty() ? "" : "--passphrase " + quoted) +
                              " -xOf " + archive + " >/dev/null"));
    EXPECT_TRUE(password.empty() || RunClient("unzip -t -P wrong " + archive).status != 0);
    EXPECT_TRUE(password.empty() || RunClient("7z t -pwrong " + archive).status != 0);
    ClientResult run = RunClient("python3 -c " + ShellQuote(kChecker) + " " + archive + " " +
                                 ShellQuote(folder) + " " + quoted);
    EXPECT_EQ(0, run.status) << run.output;
    std::vector<std::string> lines;
    std::istringstream stream(run.output);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
  }

  TempDir m_temp;
  std::string m_source = m_temp.Path("bundle");
  std::string m_archive = m_temp.Path("bundle.zip");
  std::vector<std::string> m_names;
};

}  // namespace test
}  // namespace velt
