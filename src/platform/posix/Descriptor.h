// A descriptor owned by one object and closed by its destructor; for the
// POSIX implementation only (the portable headers never show descriptors).
#pragma once

#include <unistd.h>

#include <utility>

namespace velt {
namespace platform {
namespace posix {

class Fd {
 public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset(std::exchange(other.m_fd, -1));
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }
  bool ok() const { return m_fd >= 0; }
  int Release() { return std::exchange(m_fd, -1); }
  void Reset(int fd = -1) {
    if (m_fd >= 0) close(m_fd);
    m_fd = fd;
  }

 private:
  int m_fd;
};

}  // namespace posix
}  // namespace platform
}  // namespace velt
