#include "velt/actions/CCommandShell.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "velt/runtime/ResultCodes.h"

namespace {

std::string Capture(const std::wstring& command, long expected = 0) {
  std::ostringstream out;
  EXPECT_EQ(expected, CCommandShell(command.c_str()).Execute(out));
  return out.str();
}

TEST(CommandShellTest, RejectsMissingCommands) {
  std::ostringstream out;
  EXPECT_EQ(GLOBAL_ERROR_NOT_INITIALIZED, CCommandShell(L"").Execute(out));
  EXPECT_EQ(GLOBAL_ERROR_NOT_INITIALIZED, CCommandShell(nullptr).Execute(out));
  EXPECT_EQ(GLOBAL_ERROR_BAD_PARAMETER, CCommandShell::Execute(nullptr, out));
  EXPECT_EQ("", out.str());
}

TEST(CommandShellTest, BothStreamsGoIntoOneOutputAndInputIsEmpty) {
  EXPECT_EQ("out\nerr\nread:\n", Capture(L"echo out; echo err >&2; cat; echo \"read:$(cat)\""));
  EXPECT_EQ("", Capture(L"true"));
  // A command the shell cannot find still "runs": its complaint is the output.
  EXPECT_NE(std::string::npos, Capture(L"no-such-program-velt").find("not found"));
}

TEST(CommandShellTest, EachChunkEndsAtItsFirstZeroByte) {
  // One small write is one chunk: only the text before the zero arrives.
  EXPECT_EQ("ab", Capture(L"printf 'ab\\000cd'"));
}

TEST(CommandShellTest, LargeOutputArrivesWhole) {
  std::string out = Capture(L"head -c 3000000 /dev/zero | tr '\\000' x");
  EXPECT_EQ(3000000u, out.size());
  EXPECT_EQ(std::string::npos, out.find_first_not_of('x'));
}

TEST(CommandShellTest, LongCommandsAreCutAt1023Characters) {
  std::wstring command = L"echo " + std::wstring(2000, L'a');
  EXPECT_EQ(std::string(1018, 'a') + "\n", Capture(command));
}

TEST(CommandShellTest, ReturnsOnlyWhenEveryWriterHasClosedTheOutput) {
  EXPECT_EQ("early\nlate\n", Capture(L"(sleep 0.2; echo late) & echo early"));
}

}  // namespace
