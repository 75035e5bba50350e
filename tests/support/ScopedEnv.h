// Sets or removes an environment variable for a test's lifetime.
#pragma once

#include <cstdlib>
#include <string>

#include "support/TestPlatform.h"

namespace velt {
namespace test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    const char* old = std::getenv(name);
    m_had = old != nullptr;
    if (m_had) m_old = old;
    SetEnvironment(name, value);
  }
  ~ScopedEnv() {
    SetEnvironment(m_name.c_str(), m_had ? m_old.c_str() : nullptr);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  std::string m_old;
  bool m_had = false;
};

}  // namespace test
}  // namespace velt
