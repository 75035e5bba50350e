// Child processes on Windows: CreateProcessW of the program a line names,
// or of cmd.exe /c for a line that needs the interpreter; each child
// starts suspended and is put into a job object of its own before it runs,
// so that ending the job ends everything it started. Waits are
// WaitForMultipleObjects over the process, the events and the reads in
// flight on the commands' outputs (overlapped named pipes).
#include "platform/Process.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwctype>

#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/Random.h"
#include "platform/SystemError.h"
#include "platform/win32/CommandSearch.h"
#include "platform/win32/CommandWords.h"
#include "platform/win32/EventHandle.h"
#include "platform/win32/Win32Error.h"
#include "velt/platform/TextEncoding.h"
#include "velt/platform/VeltEvent.h"

namespace velt {
namespace platform {
namespace {

// The exit code of a command that was ended: what POSIX reports for one
// ended by SIGKILL, so that the bundle says the same on both systems.
constexpr UINT kEndedExitCode = 128 + 9;

// The limits of every child's job. Killing on close ends the children of
// an engine that dies without ending them itself; dying on an unhandled
// exception keeps a crashing command from waiting for someone to close
// the system's error dialog.
constexpr DWORD kJobLimits =
    JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;

bool SetJobLimits(HANDLE job, DWORD limits) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION information = {};
  information.BasicLimitInformation.LimitFlags = limits;
  return SetInformationJobObject(job, JobObjectExtendedLimitInformation, &information,
                                 sizeof(information)) != 0;
}

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : m_handle(handle) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return m_handle; }
  HANDLE release() {
    HANDLE handle = m_handle;
    m_handle = nullptr;
    return handle;
  }
  void reset(HANDLE handle = nullptr) {
    if (m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE) {
      CloseHandle(m_handle);
    }
    m_handle = handle;
  }
  bool valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }

 private:
  HANDLE m_handle;
};

}  // namespace

struct ChildProcess::Watch {
  HANDLE process = nullptr;
  HANDLE job = nullptr;  // null where the system refused the job

  ~Watch() {
    if (job != nullptr) {
      // The last handle of the job would end what still runs in it: a child
      // that is let go keeps running (KillChildGroup ends it on purpose).
      SetJobLimits(job, JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION);
      CloseHandle(job);
    }
    if (process != nullptr) {
      CloseHandle(process);
    }
  }
};

namespace {

// The server end of an overlapped named pipe, with the one read kept in
// flight on it: its event is signalled once that read has completed, with
// data or with the end of the output.
struct OutputPipe {
  HANDLE pipe = INVALID_HANDLE_VALUE;
  OVERLAPPED overlapped = {};  // hEvent: manual-reset
  char buffer[4096];
  size_t start = 0;  // what has arrived and is not read yet: [start, end)
  size_t end = 0;
  bool pending = false;  // a read in flight
  bool ended = false;    // every writer has closed the pipe
  int error = 0;

  OutputPipe() = default;
  OutputPipe(const OutputPipe&) = delete;
  OutputPipe& operator=(const OutputPipe&) = delete;
  ~OutputPipe() {
    if (pending) {
      // The read must be over before its buffer goes.
      CancelIoEx(pipe, &overlapped);
      DWORD ignored = 0;
      GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
    }
    if (pipe != INVALID_HANDLE_VALUE) {
      CloseHandle(pipe);
    }
    if (overlapped.hEvent != nullptr) {
      CloseHandle(overlapped.hEvent);
    }
  }

  bool Ready() const { return start < end || ended || error != 0; }

  // Takes the result of the read in flight if it has completed, then keeps
  // a read in flight while nothing waits to be read.
  void Advance() {
    Collect();
    if (!pending && !Ready()) {
      if (ReadFile(pipe, buffer, sizeof(buffer), nullptr, &overlapped) ||
          GetLastError() == ERROR_IO_PENDING) {
        pending = true;
        Collect();  // it may have completed at once
      } else {
        Finish(GetLastError());
      }
    }
  }

 private:
  void Collect() {
    if (!pending) {
      return;
    }
    DWORD got = 0;
    if (GetOverlappedResult(pipe, &overlapped, &got, FALSE)) {
      pending = false;
      start = 0;
      end = got;
    } else if (GetLastError() != ERROR_IO_INCOMPLETE) {
      pending = false;
      Finish(GetLastError());
    }
  }

  void Finish(DWORD code) {
    if (code == ERROR_BROKEN_PIPE || code == ERROR_PIPE_NOT_CONNECTED) {
      ended = true;
    } else {
      error = ErrnoFromWin32(code);
    }
  }
};

}  // namespace

struct CommandOutput::Pipe : OutputPipe {};

struct CommandOutputAccess {
  static OutputPipe* PipeOf(const CommandOutput& output) { return output.m_pipe.get(); }
  static OutputPipe& MakePipe(CommandOutput& output) {
    output.m_pipe.reset(new CommandOutput::Pipe());
    return *output.m_pipe;
  }
};

namespace {

bool HasRunnableExtension(const std::wstring& path, bool& batch) {
  const size_t dot = path.rfind(L'.');
  const size_t separator = path.find_last_of(L"\\/:");
  if (dot == std::wstring::npos || (separator != std::wstring::npos && dot < separator)) {
    return false;
  }
  std::wstring extension;
  for (wchar_t c : path.substr(dot)) {
    extension += static_cast<wchar_t>(std::towlower(c));
  }
  batch = extension == L".bat" || extension == L".cmd";
  return batch || extension == L".exe" || extension == L".com";
}

bool HasExtension(const std::wstring& name) {
  const size_t dot = name.rfind(L'.');
  const size_t separator = name.find_last_of(L"\\/:");
  return dot != std::wstring::npos && (separator == std::wstring::npos || dot > separator);
}

// Whether `path` is a file that CreateProcessW or the interpreter can run:
// 0, ENOENT, ENOTDIR (a folder on the way is missing) or EACCES (a folder,
// or a file of another kind). `resolved` is then its full path.
int CheckRunnable(const std::wstring& path, std::wstring& resolved, bool& batch) {
  wchar_t full[MAX_PATH + 1];
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH + 1, full, nullptr);
  if (length == 0 || length > MAX_PATH) {
    return ENOENT;
  }
  const DWORD attributes = GetFileAttributesW(full);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return GetLastError() == ERROR_PATH_NOT_FOUND ? ENOTDIR : ENOENT;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !HasRunnableExtension(full, batch)) {
    return EACCES;
  }
  resolved.assign(full, length);
  return 0;
}

// The file that `program` names: itself when it holds a folder or drive,
// else the first of that name in the folders commands run with. A name
// without an extension is tried with .com, .exe, .bat and .cmd, as the
// interpreter does. The engine's working folder is not searched. 0,
// ENOENT, ENOTDIR or EACCES.
int ResolveProgram(const std::wstring& program, std::wstring& resolved, bool& batch) {
  if (program.empty()) {
    return ENOENT;
  }
  std::vector<std::wstring> candidates;
  if (program.find_first_of(L"\\/:") != std::wstring::npos) {
    candidates.push_back(program);
  } else {
    const std::wstring folders = CommandSearchPath();
    size_t start = 0;
    while (start <= folders.size()) {
      size_t stop = folders.find(L';', start);
      if (stop == std::wstring::npos) {
        stop = folders.size();
      }
      if (stop > start) {
        candidates.push_back(folders.substr(start, stop - start) + L"\\" + program);
      }
      start = stop + 1;
    }
  }
  int found = ENOENT;
  for (const std::wstring& candidate : candidates) {
    std::vector<std::wstring> names = {candidate};
    if (!HasExtension(program)) {
      // Last the name itself, which can then only be a folder or a file of
      // another kind.
      names = {candidate + L".com", candidate + L".exe", candidate + L".bat", candidate + L".cmd",
               candidate};
    }
    for (const std::wstring& name : names) {
      const int error = CheckRunnable(name, resolved, batch);
      if (error == 0) {
        return 0;
      }
      if (error == EACCES) {
        found = EACCES;  // present but not runnable; keep looking
      } else if (error == ENOTDIR && found == ENOENT && candidates.size() == 1) {
        found = ENOTDIR;  // the folder of a path does not exist
      }
    }
  }
  return found;
}

// The environment block of CommandEnvironment(): sorted by name without
// regard to case, as Windows expects it, a later entry of a name replacing
// an earlier one.
std::wstring EnvironmentBlock() {
  std::vector<std::wstring> entries;
  for (const std::string& entry : CommandEnvironment()) {
    entries.push_back(Widen(entry));
  }
  auto nameOf = [](const std::wstring& entry) { return entry.substr(0, entry.find(L'=')); };
  auto before = [&nameOf](const std::wstring& a, const std::wstring& b) {
    const std::wstring x = nameOf(a);
    const std::wstring y = nameOf(b);
    return CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(),
                                static_cast<int>(y.size()), TRUE) == CSTR_LESS_THAN;
  };
  std::stable_sort(entries.begin(), entries.end(), before);
  std::wstring block;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i + 1 < entries.size() && !before(entries[i], entries[i + 1])) {
      continue;  // the same name again: the later one counts
    }
    block += entries[i];
    block += L'\0';
  }
  block += L'\0';
  return block;
}

// A pipe for a command's output: the overlapped server end for the engine,
// the client end, inheritable, for the command. Its name cannot be guessed
// and it takes one client, from this machine only.
int MakeOutputPipe(OutputPipe& server, Handle& client) {
  static LONG counter = 0;
  const std::wstring name = L"\\\\.\\pipe\\velt-output-" + std::to_wstring(GetCurrentProcessId()) +
                            L"-" + std::to_wstring(InterlockedIncrement(&counter)) + L"-" +
                            Widen(RandomHex(16));
  server.overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (server.overlapped.hEvent == nullptr) {
    return LastErrno();
  }
  server.pipe = CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 65536, 0,
      nullptr);
  if (server.pipe == INVALID_HANDLE_VALUE) {
    return LastErrno();
  }
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  client.reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!client.valid()) {
    return LastErrno();
  }
  // The client above is the one the pipe takes; anyone before it would
  // have made its open fail.
  if (!ConnectNamedPipe(server.pipe, &server.overlapped) &&
      GetLastError() != ERROR_PIPE_CONNECTED) {
    const DWORD code = GetLastError();
    server.pending = code == ERROR_IO_PENDING;  // waited for as the pipe goes
    return ErrnoFromWin32(code);
  }
  return 0;
}

// Starts the command line as cmd.exe /c would run it, with standard output
// and error on `output`, or on NUL when it is null, and the commands' own
// environment. A line that needs nothing of the interpreter starts its
// program directly.
int Spawn(const std::string& commandLine, HANDLE output, ChildProcess& child) {
  const std::wstring line = Widen(commandLine);
  // A program that the line names plainly must exist: a missing one is a
  // failure to start, not the interpreter's complaint collected as output.
  std::wstring program;
  std::wstring resolved;
  bool batch = false;
  if (NamedProgram(line, program)) {
    const int error = ResolveProgram(program, resolved, batch);
    if (error != 0) {
      return error;
    }
  }
  std::wstring application = resolved;
  std::wstring arguments = line;
  if (batch || NeedsInterpreter(line)) {
    // /d: no AutoRun commands from the registry; /s: the line between the
    // outer quotes is taken as it is.
    application = CommandInterpreter();
    arguments = L"\"" + application + L"\" /d /s /c \"" + line + L"\"";
  }
  std::vector<wchar_t> writableArguments(arguments.begin(), arguments.end());
  writableArguments.push_back(L'\0');
  std::wstring environment = EnvironmentBlock();

  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  Handle null(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inheritable, OPEN_EXISTING, 0, nullptr));
  if (!null.valid()) {
    return LastErrno();
  }
  // Only these handles reach the child, so that no child holds another
  // command's output open.
  std::vector<HANDLE> inherited = {null.get()};
  if (output != nullptr) {
    inherited.push_back(output);
  }
  SIZE_T listSize = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
  std::vector<char> listBuffer(listSize);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listBuffer.data());
  if (!InitializeProcThreadAttributeList(list, 1, 0, &listSize)) {
    return LastErrno();
  }
  int rc = 0;
  if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited.data(),
                                 inherited.size() * sizeof(HANDLE), nullptr, nullptr)) {
    rc = LastErrno();
  }

  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof(startup);
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = SW_HIDE;
  startup.StartupInfo.hStdInput = null.get();
  startup.StartupInfo.hStdOutput = output != nullptr ? output : null.get();
  startup.StartupInfo.hStdError = startup.StartupInfo.hStdOutput;
  startup.lpAttributeList = list;
  // A captured command gets a console of its own without a window (its
  // console programs share it); a launched one runs detached, as the
  // launcher starts programs. Neither sees the engine's console, so the
  // console's Ctrl+C reaches the engine only, which ends them.
  const DWORD flags = CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT |
                      (output != nullptr ? CREATE_NO_WINDOW : DETACHED_PROCESS);
  PROCESS_INFORMATION started = {};
  if (rc == 0 &&
      !CreateProcessW(application.c_str(), writableArguments.data(), nullptr, nullptr, TRUE, flags,
                      &environment[0], nullptr, &startup.StartupInfo, &started)) {
    rc = LastErrno();
  }
  DeleteProcThreadAttributeList(list);
  if (rc != 0) {
    return rc;
  }

  // Where the system refuses a job (an engine in a job of its own before
  // Windows 8), the command runs without one: ending it then ends it alone.
  Handle job(CreateJobObjectW(nullptr, nullptr));
  if (job.valid() && !(SetJobLimits(job.get(), kJobLimits) &&
                       AssignProcessToJobObject(job.get(), started.hProcess))) {
    job.reset();
  }
  if (ResumeThread(started.hThread) == static_cast<DWORD>(-1)) {
    rc = LastErrno();
    TerminateProcess(started.hProcess, kEndedExitCode);
  }
  CloseHandle(started.hThread);
  if (rc != 0) {
    CloseHandle(started.hProcess);
    return rc;
  }
  child = ChildProcess();
  child.pid = static_cast<int>(started.dwProcessId);
  child.watch.reset(new ChildProcess::Watch());
  child.watch->process = started.hProcess;
  child.watch->job = job.release();
  return 0;
}

HANDLE ProcessOf(const ChildProcess& child) {
  return child.watch != nullptr ? child.watch->process : nullptr;
}

}  // namespace

ChildProcess::ChildProcess() = default;
ChildProcess::~ChildProcess() = default;
ChildProcess::ChildProcess(ChildProcess&&) noexcept = default;
ChildProcess& ChildProcess::operator=(ChildProcess&&) noexcept = default;

CommandOutput::CommandOutput() = default;
CommandOutput::~CommandOutput() = default;

int CommandOutput::Read(char* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  if (!IsOpen()) {
    return EBADF;
  }
  Pipe& pipe = *m_pipe;
  pipe.Advance();
  if (pipe.start < pipe.end) {
    got = std::min(size, pipe.end - pipe.start);
    std::memcpy(buffer, pipe.buffer + pipe.start, got);
    pipe.start += got;
    return 0;
  }
  if (pipe.error != 0) {
    return pipe.error;
  }
  return pipe.ended ? 0 : EAGAIN;
}

int CommandOutput::WaitReadable(unsigned timeoutMs, bool& ready) {
  ready = false;
  if (!IsOpen()) {
    return EBADF;
  }
  m_pipe->Advance();
  if (!m_pipe->Ready()) {
    if (WaitForSingleObject(m_pipe->overlapped.hEvent, timeoutMs) == WAIT_FAILED) {
      return LastErrno();
    }
    m_pipe->Advance();
  }
  ready = m_pipe->Ready();
  return 0;
}

void CommandOutput::Close() { m_pipe.reset(); }

int FindProgram(const std::string& program) {
  std::wstring resolved;
  bool batch = false;
  return ResolveProgram(Widen(program), resolved, batch);
}

int StartDetached(const std::string& commandLine, ChildProcess& child) {
  return Spawn(commandLine, nullptr, child);
}

int StartCaptured(const std::string& commandLine, ChildProcess& child, CommandOutput& output) {
  Handle client;
  int rc = MakeOutputPipe(CommandOutputAccess::MakePipe(output), client);
  if (rc == 0) {
    rc = Spawn(commandLine, client.get(), child);
  }
  // The child holds its own copy of the client end.
  if (rc != 0) {
    output.Close();
  }
  return rc;
}

int PollChild(ChildProcess& child, bool& running) {
  running = false;
  if (child.reaped) {
    return 0;
  }
  HANDLE process = ProcessOf(child);
  if (process == nullptr) {
    child.reaped = true;
    return EINVAL;  // never started, or let go
  }
  const DWORD state = WaitForSingleObject(process, 0);
  if (state == WAIT_TIMEOUT) {
    running = true;
    return 0;
  }
  DWORD code = 0;
  if (state != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code)) {
    const int error = LastErrno();
    child.reaped = true;
    return error;
  }
  child.reaped = true;
  child.exitCode = code;
  return 0;
}

int WaitChild(ChildProcess& child, const std::vector<WakeSource>& wakes, unsigned timeoutMs,
              ChildWait& outcome, std::size_t& wokenBy) {
  const int64_t deadline = WallClockMs() + timeoutMs;
  std::vector<HANDLE> handles;
  std::vector<std::size_t> owners;  // the wake each handle stands for
  for (;;) {
    bool running = false;
    int rc = PollChild(child, running);
    if (!running) {
      outcome = ChildWait::kEnded;
      return rc;
    }
    handles.clear();
    owners.clear();
    for (std::size_t i = 0; i < wakes.size(); ++i) {
      HANDLE handle = nullptr;
      if (wakes[i].event() != nullptr) {
        handle = VeltEventAccess::Handle(*wakes[i].event());
      } else if (wakes[i].output() != nullptr) {
        OutputPipe* pipe = CommandOutputAccess::PipeOf(*wakes[i].output());
        if (pipe != nullptr) {
          pipe->Advance();
          if (pipe->Ready()) {
            rc = PollChild(child, running);
            outcome = running ? ChildWait::kWoken : ChildWait::kEnded;
            wokenBy = i;
            return rc;
          }
          handle = pipe->overlapped.hEvent;
        }
      }
      if (handle != nullptr) {
        handles.push_back(handle);
        owners.push_back(i);
      }
    }
    handles.push_back(ProcessOf(child));
    const int64_t remaining = std::max<int64_t>(0, deadline - WallClockMs());
    const DWORD signalled = WaitForMultipleObjects(
        static_cast<DWORD>(handles.size()), handles.data(), FALSE, static_cast<DWORD>(remaining));
    if (signalled == WAIT_FAILED) {
      return LastErrno();
    }
    if (signalled == WAIT_TIMEOUT && remaining == 0) {
      rc = PollChild(child, running);
      outcome = running ? ChildWait::kTimedOut : ChildWait::kEnded;
      return rc;
    }
    const DWORD index = signalled - WAIT_OBJECT_0;
    if (index < owners.size()) {
      // A set event, or a read on an output that has completed (with data
      // or with the end): the child, checked first, may have ended too.
      rc = PollChild(child, running);
      outcome = running ? ChildWait::kWoken : ChildWait::kEnded;
      wokenBy = owners[index];
      return rc;
    }
  }
}

int KillChildGroup(ChildProcess& child) {
  HANDLE process = ProcessOf(child);
  if (process == nullptr) {
    return 0;
  }
  // The job holds the child and everything it started (that did not leave
  // the job on purpose); an empty job is ended without complaint.
  if (child.watch->job != nullptr) {
    if (!TerminateJobObject(child.watch->job, kEndedExitCode)) {
      return LastErrno();
    }
  } else if (!child.reaped && !TerminateProcess(process, kEndedExitCode)) {
    const int error = LastErrno();
    bool running = false;
    if (PollChild(child, running) == 0 && running) {
      return error;
    }
  }
  if (!child.reaped) {
    ChildWait outcome;
    std::size_t wokenBy = 0;
    return WaitChild(child, {}, 5000, outcome, wokenBy);
  }
  return 0;
}

void ReleaseChild(ChildProcess& child) {
  bool running = false;
  PollChild(child, running);
  // Nothing to collect on Windows: closing the handles is all, and a child
  // still running goes on (see Watch).
  child.watch.reset();
  child.reaped = true;
}

ProcessErrorKind ClassifyProcessError(unsigned long error) {
  switch (ErrorKindOf(static_cast<int>(error))) {
    case ErrorKind::kNotFound:
      return ProcessErrorKind::kFileNotFound;
    case ErrorKind::kNotAFolder:
      return ProcessErrorKind::kPathNotFound;
    case ErrorKind::kInvalid:
    case ErrorKind::kBadHandle:
      return ProcessErrorKind::kInvalidProcessId;
    case ErrorKind::kTryAgain:
      return ProcessErrorKind::kNoProcessSlots;
    case ErrorKind::kNotPermitted:
      return ProcessErrorKind::kInsufficientPrivilege;
    default:
      return ProcessErrorKind::kOther;
  }
}

}  // namespace platform
}  // namespace velt
