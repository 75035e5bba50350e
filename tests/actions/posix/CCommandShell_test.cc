// Captured commands: what their command lines mean, what reaches the
// output, their environment, and the bounds on their output.
#include <sstream>

#include "actions/ActionTestSupport.h"
#include "support/ScopedEnv.h"

namespace {

std::string Capture(const std::string& command, long expected = 0) {
  std::ostringstream out;
  EXPECT_EQ(expected, CCommandShell(velt::Widen(command).c_str()).Execute(out)) << command;
  return out.str();
}

// Lines without shell syntax start the program directly, others go through
// the shell; either way the words are what the shell makes of them, and a
// program that does not exist is a command that cannot be started.
TEST(CommandShellTest, OutputArrivesAsTheShellWouldRunTheLine) {
  velt::test::TempDir dir;
  chmod(dir.WriteFile("plain script", "echo from script\n").c_str(), 0755);  // no #! line
  const std::pair<std::string, std::string> cases[] = {
      {"printf -%s- x%sy a=b", "-x%sy--a=b-"},
      {"\"printf\" '<%s>' \"a\\\\b \\\"c\\\"\" ''", "<a\\b \"c\"><>"},
      {"echo out; echo err >&2; cat; echo \"read:$(cat)\"", "out\nerr\nread:\n"},
      {"printf 'ab\\000cd'", "ab"},  // one chunk, cut at its first zero byte
      {"echo " + std::string(2000, 'a'), std::string(1018, 'a') + "\n"},  // the line is cut
      {"\"" + dir.Path("plain script") + "\"", "from script\n"}};
  for (const auto& c : cases) EXPECT_EQ(c.second, Capture(c.first));
  for (const char* missing : {"no-such-program-velt", "no-such-program-velt \"$HOME\" | wc"}) {
    EXPECT_EQ("", Capture(missing, GLOBAL_ERROR_UNEXPECTED));
  }
}

TEST(CommandShellTest, CommandsGetAFixedEnvironmentWithoutTheEnginesSecrets) {
  velt::test::ScopedEnv secret("VELT_TEST_PASSWORD", "hunter2"), locale("LC_ALL", "de_DE.UTF-8"),
      path("PATH", "/opt/evil/bin:/bin"), home("HOME", "/home/v"), user("USER", nullptr),
      logname("LOGNAME", nullptr), tmpdir("TMPDIR", nullptr), tz("TZ", nullptr);
  EXPECT_EQ("LC_ALL=C\nPATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin\n"
            "HOME=/home/v\n", Capture("env"));
  EXPECT_STREQ("de_DE.UTF-8", getenv("LC_ALL"));  // the engine's own is untouched
}

// The command has ended: its background job, which holds the output open,
// is not waited for but ended.
TEST(CommandShellTest, BackgroundJobsDoNotKeepTheCommandRunning) {
  std::string out = Capture("sh -c 'sleep 7777 & echo $!; echo started'");
  EXPECT_EQ("started\n", out.substr(out.find('\n') + 1));
  EXPECT_TRUE(velt::test::Eventually([&]() { return velt::test::Ended(std::stoi(out)); }));
}

TEST(CommandShellTest, RunawayOutputIsCutAndTheCommandEnded) {
  velt::ActionLimits::LimitOutput(100000);
  EXPECT_EQ(std::string(100000, 'x'), Capture("head -c 100000 /dev/zero | tr '\\000' x"));
  std::string cut = Capture("sh -c 'echo $$; exec yes'");
  velt::ActionLimits::Restore();
  EXPECT_EQ("\n[VELT: output cut after 100000 bytes; the rest was dropped and the command ended]\n",
            cut.substr(100000));
  EXPECT_TRUE(velt::test::Ended(std::stoi(cut)));
}

}  // namespace
