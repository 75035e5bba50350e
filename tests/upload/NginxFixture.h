// Runs tests/upload/nginx_fixture.sh for a test: a real HTTPS upload service
// on loopback with a test PKI, stopped by its process id when the fixture
// goes. If the test process dies instead, the script sees its owner gone and
// stops nginx itself. The fixture also holds a loopback port that takes
// connections and never answers them (Host("PORT_SILENT")).
#pragma once

#include <arpa/inet.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "support/TempDir.h"

namespace velt::test {

class NginxFixture {
 public:
  ~NginxFixture() { Stop(); }

  // Starts the service and waits until it has answered its own check.
  // False, with the script's output in `why`, when it does not come up.
  bool Start(std::string& why) {
    const std::string script = std::string(VELT_SOURCE_DIR) + "/tests/upload/nginx_fixture.sh";
    const std::string work = m_dir.path(), log = m_dir.Path("fixture.log");
    const std::string owner = std::to_string(getpid());
    if ((m_pid = fork()) == 0) {  // bash SCRIPT WORK OWNER >WORK/fixture.log 2>&1
      execl("/bin/sh", "sh", "-c", "exec bash \"$0\" \"$1\" \"$2\" >\"$1/fixture.log\" 2>&1",
            script.c_str(), work.c_str(), owner.c_str(), nullptr);
      _exit(127);
    }
    // The script gives up by itself when nginx does not come up.
    while (!std::filesystem::exists(work + "/fixture.env")) {
      if (waitpid(m_pid, nullptr, WNOHANG) != 0) {
        Stop();
        why = "the upload service did not start:\n" + ReadFile(log);
        return false;
      }
      usleep(50000);
    }
    std::ifstream in(work + "/fixture.env");
    for (std::string line; std::getline(in, line);) {
      m_values[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    }
    // Connections to the silent port wait in its backlog, unanswered.
    m_silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    bind(m_silent, reinterpret_cast<sockaddr*>(&address), length);
    listen(m_silent, 8);
    getsockname(m_silent, reinterpret_cast<sockaddr*>(&address), &length);
    m_values["PORT_SILENT"] = std::to_string(ntohs(address.sin_port));
    return true;
  }

  // Stops the script, which stops nginx by its pid, and reaps it.
  void Stop() {
    if (m_pid > 0 && kill(m_pid, SIGTERM) == 0) {
      waitpid(m_pid, nullptr, 0);
    }
    m_pid = -1;
    close(m_silent);
    m_silent = -1;
  }

  // A value of fixture.env (PORT_GOOD, CA_FILE, PASSWORD, UPLOAD_DIR, ...).
  std::string Value(const std::string& key) { return m_values[key]; }
  // "localhost:<port>" of one of the servers, e.g. Host("PORT_GOOD").
  std::string Host(const std::string& portKey, const std::string& name = "localhost") {
    return name + ":" + Value(portKey);
  }
  // What the service stored under /home/.
  std::string StoredPath(const std::string& name) { return Value("UPLOAD_DIR") + "/" + name; }
  std::string AccessLog() { return ReadFile(Value("ACCESS_LOG")); }
  const TempDir& dir() const { return m_dir; }

 private:
  TempDir m_dir;
  pid_t m_pid = -1;
  int m_silent = -1;
  std::map<std::string, std::string> m_values;
};

}  // namespace velt::test
