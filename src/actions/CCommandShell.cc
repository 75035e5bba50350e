#include "velt/actions/CCommandShell.h"

#include <cerrno>
#include <cstring>

#include "platform/Process.h"
#include "velt/platform/TextEncoding.h"
#include "velt/runtime/CAppLog.h"
#include "velt/runtime/ResultCodes.h"

namespace {
constexpr size_t kMaxCommandChars = 1023;
constexpr size_t kChunkBytes = 1023;
constexpr unsigned kEndGraceMs = 100;
}  // namespace

CCommandShell::CCommandShell(const wchar_t* command)
    : m_commandLine(command != nullptr ? command : L"") {}

CCommandShell::~CCommandShell() = default;

long CCommandShell::Execute(std::ostream& out) {
  if (m_commandLine.empty()) {
    return GLOBAL_ERROR_NOT_INITIALIZED;
  }
  return Execute(m_commandLine.c_str(), out);
}

long CCommandShell::Execute(const wchar_t* command, std::ostream& out) {
  if (command == nullptr) {
    return GLOBAL_ERROR_BAD_PARAMETER;
  }
  std::wstring buffer(command);
  if (buffer.size() > kMaxCommandChars) {
    buffer.resize(kMaxCommandChars);
  }
  std::string commandLine = velt::Narrow(buffer);

  velt::platform::ChildProcess child;
  int outputFd = -1;
  int error = velt::platform::StartCaptured(commandLine, child, outputFd);
  if (error == EMFILE || error == ENFILE) {
    VELT_LOG_CODE('E', "CreatePipe", error);
    return GLOBAL_ERROR_BAD_HANDLE;
  }
  if (error != 0) {
    VELT_LOG_CODE('E', "CreateProcessW", error, "Command Line: %s", commandLine.c_str());
    return GLOBAL_ERROR_UNEXPECTED;
  }
  // The child is not waited for: the output ends when it and everything
  // that inherited the pipe have closed it.
  char chunk[kChunkBytes + 1];
  for (;;) {
    size_t got = 0;
    if (velt::platform::ReadDescriptor(outputFd, chunk, kChunkBytes, got) != 0 || got == 0) {
      break;
    }
    chunk[got] = '\0';
    out.write(chunk, static_cast<std::streamsize>(std::strlen(chunk)));
  }
  velt::platform::CloseDescriptor(outputFd);
  // A child that closed its output is normally ending: collect it here if
  // it ends within a moment, else in the background.
  velt::platform::ChildWait outcome = velt::platform::ChildWait::kTimedOut;
  size_t wokenBy = 0;
  velt::platform::WaitChild(child, {}, kEndGraceMs, outcome, wokenBy);
  velt::platform::ReleaseChild(child);
  return 0;
}
