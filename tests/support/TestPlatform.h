// What the tests ask of the operating system beyond the engine's own
// platform layer (src/platform/): the environment as getenv and the engine
// both see it, a base folder for temporary folders, symbolic links where
// the system can make them, read-only files, the shell, and standard
// output swapped for a file. posix/ and win32/ implement it.
#pragma once

#include <cstdio>
#include <string>

#include "velt/platform/PathSeparator.h"

namespace velt {
namespace test {

// `path` with each '/' the system's separator.
std::string NativePath(std::string path);

// What a text-mode stream writes for '\n': "\n", or "\r\n" on Windows.
extern const char kTextLineEnd[];

// Sets variable `name` to `value`, or removes it when `value` is null.
void SetEnvironment(const char* name, const char* value);

// Makes `folder` the one the engine's %TEMP% resolves to: TMPDIR, with
// TEMP and TMP unset (POSIX); TEMP and TMP (Windows). Null: the system's
// own again.
void PointTempAt(const char* folder);

// The folder the tests' temporary folders are made in ($TMPDIR or /tmp;
// Windows' folder for temporary files).
std::string TempBase();

// Makes `link` a symbolic link to `target` (a folder's link when
// `directory`). 0, or the system's error number; where the system makes
// none (Wine), every call fails.
int MakeSymlink(const std::string& target, const std::string& link, bool directory = false);
// Whether MakeSymlink can succeed here.
bool SymlinksAvailable();

// Sets the last-access time of `path` to `seconds` since 1970 (UTC),
// leaving its last-write time as it is. 0 or the error number.
int SetAccessTime(const std::string& path, long long seconds);

// A device every write to fails for want of room ("/dev/full"); empty
// where the system has none.
extern const char kFullDevice[];

// Whether the file system holds FIFOs (POSIX), and MakeFifo making one
// (0 or the error number; ENOSYS where there are none).
extern const bool kHasFifos;
int MakeFifo(const std::string& path);

// Whether `path` is a file only its owner, this user, may read or write
// (mode 0600; an access list that allows this user and the system alone).
bool IsPrivateFile(const std::string& path);

// Takes every write permission of `path` away (mode 0444, or the
// read-only attribute). 0 or the error number.
int MakeReadOnly(const std::string& path);

// Lets everyone run the file `path` (mode 0755; Windows runs files by
// their name's extension, and this does nothing). 0 or the error number.
int MakeExecutable(const std::string& path);

// A command line that creates the empty file `path`, as the platform's
// shell writes it.
std::string CreateFileCommand(const std::string& path);

// Whether the tests run with the system's full rights (as root; as an
// elevated administrator).
bool IsPrivileged();

// Runs a command line through the system's shell (/bin/sh -c, cmd.exe /c);
// returns its exit status (-1 when it could not start or was killed) and
// fills `output` with its standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);
// `text` as one word of the shell's command lines.
std::string ShellQuote(const std::string& text);

// A new file, open for reading and writing, that goes when it is closed;
// made whatever TMPDIR or TEMP a test set. Null when it cannot be made.
std::FILE* AnonymousFile();

// Points the process's standard output at `file`; returns what
// RestoreStdout needs to point it back.
int RedirectStdout(std::FILE* file);
void RestoreStdout(int saved);

}  // namespace test
}  // namespace velt

// Skips the calling test where the system makes no symbolic links.
#define VELT_REQUIRE_SYMLINKS()                 \
  if (!velt::test::SymlinksAvailable())         \
  GTEST_SKIP() << "this system makes no symbolic links"
