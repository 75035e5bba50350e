// Operating-system facts chosen by a test (a Windows 7 workstation, a
// server, ...), installed for the test's lifetime.
#pragma once

#include <string>

#include "platform/OsFacts.h"

namespace velt {
namespace test {

class FakeOsFacts : public platform::OsFactsSource {
 public:
  FakeOsFacts() { platform::SetOsFactsSource(this); }
  ~FakeOsFacts() override { platform::SetOsFactsSource(nullptr); }
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
};

}  // namespace test
}  // namespace velt
