#include "velt/runtime/CAppLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/SystemError.h"
#include "platform/SystemLogger.h"
#include "runtime/MessageCatalog.h"
#include "runtime/ResultCodeNames.h"
#include "velt/runtime/ResultCodes.h"

namespace {

constexpr std::size_t kTextBufferSize = 8193;
constexpr std::size_t kMessageBufferSize = 8705;

struct LogState {
  std::mutex lock;
  unsigned users = 0;
  std::shared_ptr<ILogger> logger;
};

LogState& State() {
  static LogState* state = new LogState();  // outlives every static user
  return *state;
}

std::shared_ptr<ILogger> CurrentLogger() {
  LogState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  return state.logger;
}

// Formats into the calling thread's buffer for callers' texts, cutting at
// the buffer's size.
const char* FormatText(const char* format, va_list args) {
  thread_local char buffer[kTextBufferSize];
  buffer[0] = '\0';
  if (format != nullptr) {
    std::vsnprintf(buffer, sizeof(buffer), format, args);
  }
  return buffer;
}

// Formats catalogue message `messageId` into the calling thread's buffer
// (cut at its size) and hands it to the installed logger.
void WriteMessageV(unsigned messageId, Logging::DebugImportance importance, va_list args) {
  std::shared_ptr<ILogger> logger = CurrentLogger();
  if (!logger) {
    return;
  }
  const velt::CatalogEntry& entry = velt::LookupMessage(messageId);
  thread_local char message[kMessageBufferSize];
  std::vsnprintf(message, sizeof(message), entry.format, args);
  logger->Log(entry.severity, message, entry.name, messageId, importance);
}

// `importance` is an int: the last named parameter before "..." must not
// be one that undergoes default promotion.
void WriteMessage(unsigned messageId, int importance, ...) {
  va_list args;
  va_start(args, importance);
  WriteMessageV(messageId, static_cast<Logging::DebugImportance>(importance), args);
  va_end(args);
}

}  // namespace

CAppLog::CAppLog(long& result, const std::string& sourceName, ILogger* logger) {
  result = 0;
  LogState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  if (state.users++ == 0) {
    state.logger.reset(logger != nullptr ? logger
                                         : velt::platform::CreateSystemLogger(sourceName));
  } else {
    delete logger;
  }
  // The message tables of the Windows networking libraries have no
  // counterpart here, so there is nothing further to load.
}

CAppLog::~CAppLog() {
  std::shared_ptr<ILogger> last;
  {
    LogState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.users > 0 && --state.users == 0) {
      last.swap(state.logger);
    }
  }
  // A message being written on another thread keeps its own reference.
}

long CAppLog::UpdateLogger(const std::string& sourceName) {
  {
    LogState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.users == 0) {
      return GLOBAL_ERROR_NO_INSTANCE;
    }
  }
  return InstallLogger(velt::platform::CreateSystemLogger(sourceName));
}

long CAppLog::InstallLogger(ILogger* logger) {
  std::shared_ptr<ILogger> replacement(logger);
  LogState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  if (state.users == 0) {
    return GLOBAL_ERROR_NO_INSTANCE;
  }
  state.logger.swap(replacement);
  return 0;
}

void CAppLog::LogDebugMessage(const char* function, const char* file, int line,
                              Logging::DebugImportance importance, const char* format, ...) {
  if (!CurrentLogger()) {
    return;
  }
  va_list args;
  va_start(args, format);
  const char* text = FormatText(format, args);
  va_end(args);
  WriteMessage(MID_DEBUG_MESSAGE, importance, function ? function : "", file ? file : "", line,
               text);
}

void CAppLog::LogReturnCode(const char* function, const char* file, int line,
                            Logging::DebugImportance importance, const char* invokedFunction,
                            unsigned long code, const char* description, const char* format,
                            ...) {
  if (!CurrentLogger()) {
    return;
  }
  va_list args;
  va_start(args, format);
  const char* text = FormatText(format, args);
  va_end(args);
  std::string described;
  if (description != nullptr) {
    described = description;
  } else if (code == 0) {
    // With no code to describe, the caller's text is the description.
    described = text[0] != '\0' ? text : "unknown";
    text = "";
  } else {
    described = DescribeCode(code);
  }
  const unsigned code32 = static_cast<unsigned>(code);
  WriteMessage(MID_DEBUG_RETURN_CODE, importance, function ? function : "", file ? file : "",
               line, invokedFunction ? invokedFunction : "", static_cast<int>(code32), code32,
               described.c_str(), text);
}

void CAppLog::LogMessage(unsigned messageId, ...) {
  va_list args;
  va_start(args, messageId);
  WriteMessageV(messageId, 'T', args);
  va_end(args);
}

std::string CAppLog::DescribeCode(unsigned long code) {
  code &= 0xFFFFFFFFul;
  if (code == 0) {
    return "unknown";
  }
  if (code >= 0xFE000000ul) {
    const unsigned module = static_cast<unsigned>((code - 0xFE000000ul) >> 16);
    const unsigned index = static_cast<unsigned>(code & 0xFFFF);
    const velt::ModuleNames& names = velt::ModuleNameTable(module);
    if (names.count == 0) {
      return "unknown";
    }
    return names.names[index < names.count ? index : names.count - 1];
  }
  // Everything else is a system error number. The Windows networking
  // libraries' ranges have no message tables on this system.
  std::string text = velt::platform::SystemErrorText(code);
  return text.empty() ? "WINDOWS_ERROR_CODE" : text;
}

std::string CAppLog::FunctionName(const char* pretty) {
  if (pretty == nullptr) {
    return std::string();
  }
  // "ret ns::Class::member(args) const" -> "Class::member": cut the argument
  // list, then keep the last two scope components of the name.
  std::string text(pretty);
  std::size_t depth = 0;
  std::size_t open = std::string::npos;
  for (std::size_t i = text.size(); i-- > 0;) {
    if (text[i] == ')') {
      ++depth;
    } else if (text[i] == '(' && depth > 0 && --depth == 0) {
      open = i;
      break;
    }
  }
  if (open != std::string::npos) {
    text.erase(open);
  }
  std::size_t start = text.rfind(' ');
  start = start == std::string::npos ? 0 : start + 1;
  text = text.substr(start);
  std::size_t last = text.rfind("::");
  if (last != std::string::npos && last > 0) {
    std::size_t previous = text.rfind("::", last - 1);
    if (previous != std::string::npos) {
      text = text.substr(previous + 2);
    }
  }
  return text;
}
