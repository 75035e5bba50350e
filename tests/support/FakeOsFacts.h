// Operating-system facts chosen by a test (a Windows 7 workstation, a
// server, ...), installed for the test's lifetime.
#pragma once

#include <memory>
#include <string>

#include "platform/OsFacts.h"

namespace velt {
namespace test {

class FakeOsFacts : public platform::OsFactsSource {
 public:
  FakeOsFacts() : m_previous(platform::CurrentOsFacts()) { platform::SetOsFactsSource(this); }
  // Puts back the facts that were in force before.
  ~FakeOsFacts() override { platform::SetOsFactsSource(&m_previous); }
  FakeOsFacts(const FakeOsFacts&) = delete;
  FakeOsFacts& operator=(const FakeOsFacts&) = delete;

  // A Windows NT release.
  void Windows(unsigned major, unsigned minor, unsigned build, unsigned productType,
               const std::wstring& servicePack = L"") {
    facts = platform::OsVersionFacts();
    facts.kind = platform::OsKind::kWinNT;
    facts.major = major;
    facts.minor = minor;
    facts.build = build;
    facts.productType = productType;
    facts.servicePack = servicePack;
    facts.extendedAvailable = true;
    versionReadable = true;
  }

  // A Linux host, with the system's user name and rights.
  void Linux() {
    facts = platform::OsVersionFacts();
    facts.kind = platform::OsKind::kLinux;
    facts.release = "6.1.0";
    facts.distribution = "Debian GNU/Linux 12 (bookworm)";
    versionReadable = true;
    userNameError = m_previous.UserName(userName);
    elevated = m_previous.IsElevated();
  }

  bool ReadVersion(platform::OsVersionFacts& out) const override {
    out = facts;
    return versionReadable;
  }
  int UserName(std::wstring& name) const override {
    name = userName;
    return userNameError;
  }
  bool IsElevated() const override { return elevated; }

  platform::OsVersionFacts facts;
  bool versionReadable = true;
  std::wstring userName = L"tester";
  int userNameError = 0;
  bool elevated = false;

 private:
  const platform::OsFactsSource& m_previous;
};

// The facts of a Linux host where the host is another system (Windows), so
// that the tests' configurations, written for Linux, choose their Linux
// branches on every system; nothing where the host is Linux.
inline std::unique_ptr<FakeOsFacts> LinuxFactsElsewhere() {
  platform::OsVersionFacts host;
  if (platform::CurrentOsFacts().ReadVersion(host) && host.kind == platform::OsKind::kLinux) {
    return nullptr;
  }
  std::unique_ptr<FakeOsFacts> facts(new FakeOsFacts());
  facts->Linux();
  return facts;
}

}  // namespace test
}  // namespace velt
