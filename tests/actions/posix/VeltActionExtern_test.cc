// External commands: their instances, both ways of running them, where
// their output lands, progress, the time-out and a stop in the middle.
#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <sstream>
#include <tuple>

#include "actions/ActionTestSupport.h"
#include "actions/CollectControls.h"
#include "support/ScopedEnv.h"

namespace {

using velt::test::Element;
using velt::test::W;
using Seen = std::vector<std::wstring>;

// The banner before captured output, as a text-mode stream writes it.
std::string Banner(const std::string& args) {
  const std::string stars(75, '*');
  return "\r\n\r" + stars + "\r\n\"" + args + "\" output:\r\n" + stars + "\r\n\r\r\n";
}

// An external action running `args` (from `path` and with "temp_out" when
// they are given), captured when asked.
VeltComponent* Extern(const std::wstring& args, bool captured = false,
                      const std::wstring& tempOut = L"", const std::wstring& path = L"") {
  std::vector<VeltComponent*> params = {Element(L"args", args)};
  if (!path.empty()) params.push_back(Element(L"path", path));
  if (!tempOut.empty()) params.push_back(Element(L"temp_out", tempOut));
  if (captured) params.push_back(Element(L"stdout"));
  return velt::test::Kind(L"use_extern_action", params);
}

// Folder names reach the program as written, whatever the shell makes of
// their characters.
const char kOddFolder[] = "it's $HOME `x` \"q\"";

class ExternTest : public velt::test::ActionTest {
 protected:
  std::string Bundled(const char* name) { return velt::test::ReadFile(m_bundle.Path(name)); }
};

TEST_F(ExternTest, CapturedOutputFollowsATextModeBannerInTheBundleFolder) {
  EXPECT_EQ(Seen{L"echo_result.txt 189"}, Outcome(Perform({Extern(L"echo hello", true)})));
  EXPECT_EQ(Banner("echo hello") + "hello\r\n", Bundled("echo_result.txt"));
  // A bare "temp_out" names a file in the bundle; a second command appends.
  // Arguments keep their backslashes: only "%NAME%" pairs are expanded.
  velt::test::ScopedEnv folder("VELT_TEST_FOLDER", "/srv/velt");
  m_attributes.dstName = L"ignored.txt";
  Perform({Extern(L"printf 'x\\r\\ny'", true, L"n.txt"),
           Extern(L"printf %VELT_TEST_FOLDER%\\a", true, L"n.txt")});
  EXPECT_EQ(Banner("printf 'x\\r\\ny'") + "x\r\r\ny" + Banner("printf /srv/velt/a") + "/srv/velt/a",
            Bundled("n.txt"));
  // A folder with blanks and quotes runs the program inside it.
  Tool(std::string(kOddFolder) + "/hello", "echo from \"$0\"\n");
  m_attributes.dstName = L"";
  Perform({Extern(L"hello", true, L"", W(m_tools.Path(kOddFolder)))});
  EXPECT_EQ(Banner("hello") + "from " + m_tools.Path(kOddFolder) + "/hello\r\n",
            Bundled("hello_result.txt"));
  // Names that would leave the bundle folder fall back to the default one.
  std::list<truncAttributes> files;
  for (auto names : {std::make_pair(L"Net.txt", L""), std::make_pair(L"../escape.txt", L""),
                     std::make_pair(L"", L".."), std::make_pair(L"", L"a\x1b[2J.txt")}) {
    m_attributes.dstName = names.first;
    files.splice(files.end(), Perform({Extern(L"echo hello", true, names.second)}));
  }
  const std::wstring used = L"; \"echo_result.txt\" was used instead.";
  EXPECT_EQ((Seen{L"Net.txt 189", L"echo_result.txt 378", L"echo_result.txt 567",
                  L"echo_result.txt 756",
                  L"The file name \"../escape.txt\" was refused (it holds a path separator)" + used,
                  L"The file name \"..\" was refused (it names a folder)" + used,
                  L"The file name \"a?[2J.txt\" was refused (it holds a control character)" +
                      used}),
            Outcome(files));
}

TEST_F(ExternTest, LaunchedOutputIsCopiedFromWhereTheProgramWroteIt) {
  Tool("sub/report.sh", "echo \"report $1\" > \"$2\"\n");
  std::wstring report = W(m_tools.Path("report.log")), tools = W(m_tools.path());
  std::wstring never = W(m_tools.Path("never.log"));
  m_attributes.dstName = L"Net.txt";
  EXPECT_EQ((Seen{L"Net__report__log.txt 12", L"never.log: VELT cannot access temporary output "
                                              L"at: " + never + L" as specified by Config"}),
            // A program named with a folder runs from that folder inside the path.
            Outcome(Perform({Extern(L"sub/report.sh full " + report, false, report, tools),
                             Extern(L"true"),  // nothing named: nothing collected
                             Extern(L"true", false, never)})));
  EXPECT_EQ("report full\n", Bundled("Net__report__log.txt"));
  EXPECT_NE(0, access(m_tools.Path("report.log").c_str(), F_OK));  // deleted after the kind
  EXPECT_TRUE(m_log.Contains("helperUtil::fileCopy"));
}

TEST_F(ExternTest, ProgramsThatCannotRunAreNotedAndTheNextInstanceRuns) {
  m_tools.WriteFile("noexec.sh", "#!/bin/sh\n");
  std::string marker = m_tools.Path("ran");
  VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{false, true});  // skip MSInfo32.exe
  EXPECT_EQ((Seen{L"N/A: Failed to execute no-such-tool-velt",
                  L"N/A: Failed to execute no-such-tool-velt", L"N/A: Failed to execute tool",
                  L"N/A: Failed to execute noexec.sh", L"N/A: Failed to execute msinfo32.exe"}),
            Outcome(Perform({Extern(L"no-such-tool-velt -v", true), Extern(L"no-such-tool-velt -v"),
                             Extern(L"tool", false, L"", W(m_tools.Path("nofolder"))),
                             Extern(L"noexec.sh", false, L"", W(m_tools.path())),
                             Extern(L"MSInfo32.exe /report"), Extern(L"msinfo32.exe /report"),
                             velt::test::Kind(L"use_extern_action",
                                              {Element(L"args", L"", {Element(L"x")})}),
                             Extern(L"touch " + W(marker))})));
  EXPECT_TRUE(m_log.Contains("Skipping MSInfo32.exe"));
  EXPECT_TRUE(m_log.Contains("inside the <args></args> tag pairs"));
  EXPECT_EQ(0, access(marker.c_str(), F_OK));
  // No output file with a banner alone is left behind.
  EXPECT_NE(0, access(m_bundle.Path("no-such-tool-velt_result.txt").c_str(), F_OK));
  EXPECT_TRUE(m_log.Contains("VeltAction::callExtern"));
  EXPECT_FALSE(m_log.Contains("runCaptured") || m_log.Contains("runLaunched"));
}

// With the run's controls, how each command ended is noted and kept as its
// file's origin; without them nothing is noted. Output that found no room
// (here the file-size limit, as on a full disk) is listed as omitted with
// the system's reason, never kept cut off.
TEST_F(ExternTest, CommandEndsAreNotedAndOutputWithoutRoomIsOmitted) {
  Tool("fail.sh", "echo report > \"$1\"; exit 3\n");
  const std::wstring report = W(m_tools.Path("fail.out"));
  const std::vector<VeltComponent*> failing = {
      Extern(L"sh -c 'echo x; exit 4'", true, L"four.txt"),
      Extern(L"fail.sh " + report, false, report, W(m_tools.path()))};
  EXPECT_EQ((Seen{L"four.txt 197", L"fail.out 7"}), Outcome(Perform(failing)));
  velt::CollectControls controls;
  m_attributes.controls = &controls;
  std::list<truncAttributes> files = Perform({Extern(L"sh -c 'echo x; exit 4'", true, L"four.txt"),
                                              Extern(L"fail.sh " + report, false, report,
                                                     W(m_tools.path()))});
  const std::wstring since = L"; its output may be an error message rather than data: ";
  EXPECT_EQ((Seen{L"four.txt 394", L"fail.out 7",
                  L"four.txt: the command exited with status 4" + since + L"sh -c 'echo x; exit 4'",
                  L"fail.out: the command exited with status 3" + since + L"fail.sh " + report}),
            Outcome(files));
  const velt::FileOrigin* origin = controls.OriginOf(files.front().path);
  ASSERT_NE(nullptr, origin);
  EXPECT_TRUE(origin->isCommand && origin->ended && !origin->timedOut);
  EXPECT_EQ(4u, origin->exitStatus);

  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit limit = {8192, saved.rlim_max};
  std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limit);
  files = Perform({Extern(L"head -c 100000 /dev/zero | tr '\\0' x", true, L"big.txt")});
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_TRUE(files.empty());
  EXPECT_EQ(L"big.txt: The output of head was left out: writing " + W(m_bundle.Path("big.txt")) +
                L" failed: File too large",
            Outcome().front());
  EXPECT_NE(0, access(m_bundle.Path("big.txt").c_str(), F_OK));
}

// How a command that keeps running ends, captured or not: by the time-out
// after a number of wait slices (the bar then stands an increment of
// 2 / (1 + 1.1^-n) - 1 of a portion of 10 above where it was), or, with no
// slices, by a stop request.
class EndTest : public ExternTest,
                public ::testing::WithParamInterface<std::tuple<bool, int, unsigned>> {};

TEST_P(EndTest, EverythingTheCommandStartedEndsWithIt) {
  const bool captured = std::get<0>(GetParam());
  const int slices = std::get<1>(GetParam());
  Tool("spin.sh", "sleep 300 & echo $$ $! > \"$1.tmp\"; mv \"$1.tmp\" \"$1\"; wait\n");
  std::string pids = m_tools.Path("pids");
  VeltWindow window;
  VeltThread::SetMainThreadHandle(&window);
  VeltThread::PostStatus(40, L"Before", VELTOFFLINE_ERROR_PROCESSING);
  VeltEvent* exitEvent = VeltEvent::Create(L"ExitVeltEvent", true, false);
  VeltThread::OpenExitEvent();
  // Each reading of the clock jumps one slice's share of the time-out; the
  // second waits until the command has started its job.
  auto readings = std::make_shared<std::atomic<int64_t>>(0);
  const int64_t step = slices > 0 ? 1200000 / slices : 0;
  velt::ActionLimits::Drive([=]() {
    if (*readings == 1) velt::test::AwaitLine(pids);
    return step * (*readings)++;
  }, 1);
  std::atomic<long> result{1};
  std::thread worker([&]() {
    result = VeltThread::RunWorker([&]() {
      Perform({Extern(L"spin.sh " + W(pids), captured, L"", W(m_tools.path())),
               velt::test::Kind(L"file_copy_action", {Element(L"loc", W(pids))})});
      return 0L;
    });
  });
  int command = 0, job = 0;
  std::istringstream(velt::test::AwaitLine(pids)) >> command >> job;
  if (slices == 0) exitEvent->Set();
  worker.join();
  // The command ended and was collected (no zombie), and its job with it.
  EXPECT_TRUE(velt::test::Ended(command, true));
  EXPECT_TRUE(velt::test::Eventually([&]() { return velt::test::Ended(job); }));
  // A stop ends the run; after a time-out the next instance runs.
  EXPECT_EQ(slices == 0 ? VELTENGINE_ERROR_ACTION_CANCELED_BY_USER : 0, result.load());
  EXPECT_EQ(slices == 0, access(m_bundle.Path("pids").c_str(), F_OK) != 0);
  if (slices > 0) {
    // The captured way posts no progress.
    EXPECT_EQ(40u + std::get<2>(GetParam()), VeltThread::CopyProgressStatus().percent);
    EXPECT_TRUE(m_log.Contains(captured ? "Executable spin.sh timed out after"
                                        : "Executable spin.sh timed out after 1200 seconds"));
    EXPECT_TRUE(Outcome().empty());
  }
  VeltEvent::Close(VeltThread::m_ExitVeltEvent);
  VeltThread::m_ExitVeltEvent = nullptr;
  VeltEvent::Close(exitEvent);
}

INSTANTIATE_TEST_SUITE_P(
    TimeOutOrStop, EndTest,
    ::testing::Values(std::make_tuple(false, 5, 2u), std::make_tuple(false, 10, 4u),
                      std::make_tuple(false, 20, 7u), std::make_tuple(false, 30, 8u),
                      std::make_tuple(false, 60, 9u), std::make_tuple(true, 10, 0u),
                      std::make_tuple(false, 0, 0u), std::make_tuple(true, 0, 0u)));

}  // namespace
