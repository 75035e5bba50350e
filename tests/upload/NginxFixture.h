// Runs tests/upload/nginx_fixture.sh for a test: a real HTTPS upload service
// on loopback with a test PKI, stopped by its process id when the fixture
// goes. If the test process dies instead, the script gets SIGTERM (parent
// death signal) and stops nginx itself.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "support/TempDir.h"

namespace velt {
namespace test {

class NginxFixture {
 public:
  NginxFixture() = default;
  ~NginxFixture() { Stop(); }
  NginxFixture(const NginxFixture&) = delete;
  NginxFixture& operator=(const NginxFixture&) = delete;

  // Starts the service and waits until it has answered its own check.
  // False, with the script's output in `why`, when it does not come up.
  bool Start(std::string& why) {
    const std::string script = std::string(VELT_SOURCE_DIR) + "/tests/upload/nginx_fixture.sh";
    // The script owns the whole folder: it removes it if this process dies.
    const std::string work = m_dir.path();
    const std::string log = m_dir.Path("fixture.log");
    const std::string owner = std::to_string(getpid());
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid < 0) {
      why = "fork failed";
      return false;
    }
    if (m_pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) {
        _exit(1);
      }
      const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
        close(out);
      }
      execl("/bin/bash", "bash", script.c_str(), work.c_str(), owner.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    const std::string env = work + "/fixture.env";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!std::filesystem::exists(env)) {
      int status = 0;
      if (waitpid(m_pid, &status, WNOHANG) == m_pid || std::chrono::steady_clock::now() > deadline) {
        Stop();
        why = "the upload service did not start:\n" + ReadFile(log);
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::ifstream in(env);
    std::string line;
    while (std::getline(in, line)) {
      const size_t equals = line.find('=');
      if (equals != std::string::npos) {
        m_values[line.substr(0, equals)] = line.substr(equals + 1);
      }
    }
    return true;
  }

  // Stops the script, which stops nginx by its pid, and reaps it.
  void Stop() {
    if (m_pid > 0) {
      kill(m_pid, SIGTERM);
      int status = 0;
      while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
      }
      m_pid = -1;
    }
  }

  // A value of fixture.env (PORT_GOOD, CA_FILE, PASSWORD, UPLOAD_DIR, ...).
  std::string Value(const std::string& key) const {
    const auto it = m_values.find(key);
    return it == m_values.end() ? std::string() : it->second;
  }
  // "localhost:<port>" of one of the servers, e.g. Host("PORT_GOOD").
  std::string Host(const std::string& portKey, const std::string& name = "localhost") const {
    return name + ":" + Value(portKey);
  }
  // What the service stored under /home/.
  std::string StoredPath(const std::string& name) const { return Value("UPLOAD_DIR") + "/" + name; }
  std::string AccessLog() const { return ReadFile(Value("ACCESS_LOG")); }
  const TempDir& dir() const { return m_dir; }

 private:
  TempDir m_dir;
  pid_t m_pid = -1;
  std::map<std::string, std::string> m_values;
};

}  // namespace test
}  // namespace velt
