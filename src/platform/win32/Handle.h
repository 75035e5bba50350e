// A kernel handle owned by one object and closed by its destructor; for the
// Windows implementation only (the portable headers never show handles).
#pragma once

#include <windows.h>

#include <utility>

namespace velt {
namespace platform {
namespace win32 {

class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(Valid(handle)) {}
  ~Handle() { Reset(); }
  Handle(Handle&& other) noexcept : m_handle(other.Release()) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Reset(other.Release());
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const { return m_handle; }
  bool ok() const { return m_handle != INVALID_HANDLE_VALUE; }
  HANDLE Release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }
  void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (ok()) CloseHandle(m_handle);
    m_handle = Valid(handle);
  }

 private:
  // Some calls fail with a null handle, others with INVALID_HANDLE_VALUE.
  static HANDLE Valid(HANDLE handle) { return handle == nullptr ? INVALID_HANDLE_VALUE : handle; }

  HANDLE m_handle;
};

}  // namespace win32
}  // namespace platform
}  // namespace velt
