// End-to-end runs of the engine among POSIX files and processes: links
// that other users planted or own, the file-size limit as a full disk,
// modes and locks of temporary folders and partial archives, and runs
// whose controls and stops are driven through shell commands.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstring>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/EngineRun.h"
#include "platform/LocalTime.h"
#include "support/posix/Unprivileged.h"
#include "velt/engine/BundleFiles.h"
#include "velt/engine/VeltControlText.h"
#include "velt/platform/SystemError.h"
#include "velt/runtime/ResultCodes.h"

namespace {

using namespace velt::test;
using velt::Widen;

// Text without its white space: a summary's reason column, wrapped over
// lines, compares as one text.
std::string Squeezed(const std::string& text) {
  std::string squeezed;
  for (char c : text) {
    if (!std::isspace(static_cast<unsigned char>(c))) squeezed += c;
  }
  return squeezed;
}

// manifest.json of `zip` checked against the schema in docs/; "valid" or
// the validator's complaint.
std::string ManifestVerdict(const std::string& zip) {
  std::string verdict;
  velt::test::RunCommand(
      "unzip -p " + velt::test::ShellQuote(zip) + " manifest.json | python3 -c 'import json,sys,"
      "jsonschema; s=json.load(open(sys.argv[1])); jsonschema.validate(json.load(sys.stdin), s, "
      "cls=jsonschema.Draft202012Validator); print(\"valid\")' " VELT_SOURCE_DIR
      "/docs/manifest.schema.json 2>&1",
      &verdict);
  return verdict;
}

// A user who owns a folder on the way to a configured location swaps the
// folder below it for a link to a root-only folder: neither run reaches
// that folder's files. Links that root owns, or whose owner owns their
// target, still lead on.
TEST_F(EngineRun, LinksAboveTheWildcardFollowTheOwnerRuleInBothRuns) {
  VELT_REQUIRE_ATTACKER();
  velt::test::TempDir& dir = m_fixture.dir();
  const std::string secret = dir.WriteFile("vault/root.log", "root only");
  chmod(dir.Path("vault").c_str(), 0700);
  dir.WriteFile("srv/own/user.log", "the user's");
  namespace fs = std::filesystem;
  fs::create_directory_symlink(dir.Path("vault"), dir.Path("srv/logs"));
  fs::create_directory_symlink(dir.Path("srv/own"), dir.Path("srv/mine"));
  fs::create_directory_symlink(m_source, dir.Path("honest"));  // root's
  for (const char* path : {"srv", "srv/own", "srv/own/user.log", "srv/logs", "srv/mine"}) {
    velt::test::GiveTo(dir.Path(path), velt::test::Attacker());
  }
  std::string entries;
  for (const char* entry : {"attacked:srv/logs", "honest:honest", "mine:srv/mine"}) {
    const std::string id(entry, std::strchr(entry, ':'));
    entries += "<file id='" + id + "'><description>" + id + "</description><default>true"
               "</default><velt><os opsys='linux'><file_copy_action><action><loc>" +
               dir.Path(std::strchr(entry, ':') + 1) + "/*.log</loc><clear_log apply='true'/>"
               "</action></file_copy_action></os></velt></file>";
  }
  m_fixture.AddConfig("links.xml", "<config><configure><title>Links</title></configure>" +
                                       entries + "</config>");
  ASSERT_EQ(0, Run("", m_bundle));
  EXPECT_EQ((std::vector<std::string>{"Links/one.log", "Links/two.log", "Links/user.log",
                                      "manifest.json", "summary.txt"}),
            velt::test::ZipEntries(m_bundle));
  EXPECT_NE(std::string::npos,
            Squeezed(Summary())
                .find(Squeezed("attacked N/A attacked " + dir.Path("srv/logs/*.log") + " " +
                               dir.Path("srv/logs") + " is a link owned by another user than "
                               "its target's owner; not followed")))
      << Summary();
  ASSERT_EQ(0, Run("", "", "", true));
  EXPECT_EQ("root only", ReadFile(secret));
  EXPECT_FALSE(fs::exists(dir.Path("srv/own/user.log")) || fs::exists(m_source + "/one.log"));
}

// Writes refused for want of room (under the file-size limit, as a full
// disk refuses them): no summary fails every configuration; files left out
// are counted; a bundle of nothing but its summary, or a host map that
// cannot be written, fails the run. The bundle then stays; nothing else
// does, and the run ends cleanly instead of dying of the signal.
TEST_F(EngineRun, NoRoomIsCountedAndFailsRunsThatWouldLoseEverything) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  std::string addresses;  // their host map is twice their size
  for (int i = 0; i < 20000; ++i) {
    addresses += "11." + std::to_string(i / 250 % 250 + 1) + "." + std::to_string(i / 62500 + 1) +
                 "." + std::to_string(i % 250 + 1) + "\n";
  }
  const std::string map = m_bundle + ".hosts-map.txt";
  struct Case {
    rlim_t limit;
    std::string one;
    bool hosts;
    long code;
    unsigned dropped;
    std::string status, failure;
  } cases[] = {
      {0, "", false, VELTENGINE_ERROR_INTERNAL, 0, "", ""},  // "all configs failed", unseen:
                                                              // the console is a file too
      {100000, "small", false, 0, 1, "finished", ""},
      {100000, std::string(150000, 'y'), false, VELTENGINE_ERROR_WRITE_FAILURE, 2,
       "the temporary folder ran out of space", "2 file(s) were left out for lack of space in " +
       m_fixture.tempFolder() + "; the bundle " + m_bundle + " holds only its summary"},
      {300000, addresses, true, VELTENGINE_ERROR_WRITE_FAILURE, 0, "failed to write the host map",
       map + ": File too large; the bundle " + m_bundle + " was written without it"},
  };
  std::signal(SIGXFSZ, SIG_IGN);
  for (const Case& c : cases) {
    m_fixture.dir().WriteFile("logs/one.log", c.one);
    m_fixture.dir().WriteFile("logs/two.log", std::string(200000, 'x'));
    VeltCollectExtras extras;
    extras.maskHosts = c.hosts;
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit limit = {c.limit, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    const long result = Run("", m_bundle, "", false, extras);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(c.code, result) << c.limit;
    EXPECT_EQ(c.dropped, m_report.droppedForSpace);
    EXPECT_NE(std::string::npos, m_console.find(c.status)) << m_console;
    EXPECT_NE(std::string::npos, velt::Narrow(m_report.failure).find(c.failure))
        << velt::Narrow(m_report.failure);
    EXPECT_TRUE(m_fixture.TempEntries().empty());
    EXPECT_FALSE(std::filesystem::exists(map));
    const bool bundled = c.code != VELTENGINE_ERROR_INTERNAL;
    EXPECT_EQ(bundled ? 1 : 0, std::distance(std::filesystem::directory_iterator(
                                                 m_fixture.dir().Path("out")),
                                             std::filesystem::directory_iterator()));
    if (c.dropped == 2) {
      EXPECT_EQ((std::vector<std::string>{"manifest.json", "summary.txt"}),
                velt::test::ZipEntries(m_bundle));
    }
    std::filesystem::remove(m_bundle);
  }
}

// Links another user planted at the bundle's names are never written
// through; an existing bundle is replaced only when the front end says so.
TEST_F(EngineRun, PlantedLinksAtTheBundleAreNeverFollowed) {
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  const std::string victim = m_fixture.dir().WriteFile("victim", "precious");
  std::filesystem::create_symlink(victim, m_bundle + ".partial");
  ASSERT_EQ(0, Run("", m_bundle));
  EXPECT_EQ("precious", ReadFile(victim));
  EXPECT_TRUE(std::filesystem::is_symlink(m_bundle + ".partial"));
  struct stat info;
  ASSERT_EQ(0, lstat(m_bundle.c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 07777);

  // The host map's name is held to the same rule.
  std::filesystem::remove(m_bundle);
  const std::string map = m_bundle + ".hosts-map.txt";
  std::filesystem::create_symlink(victim, map);
  VeltCollectExtras hosts;
  hosts.maskHosts = true;
  for (int taken = 0; taken < 2; ++taken) {
    if (taken == 1) std::filesystem::create_symlink(victim, m_bundle);
    EXPECT_EQ(VELTENGINE_ERROR_WRITE_FAILURE, Run("", m_bundle, "", false, hosts));
    EXPECT_NE(std::string::npos, m_console.find("Internal Error: the bundle file exists already..."));
    EXPECT_EQ((taken == 1 ? m_bundle : map) + " exists already", velt::Narrow(m_report.failure));
    EXPECT_TRUE(m_fixture.TempEntries().empty());  // refused before collecting
  }
  hosts.replaceBundle = true;
  ASSERT_EQ(0, Run("", m_bundle, "", false, hosts));
  EXPECT_FALSE(std::filesystem::is_symlink(m_bundle) || std::filesystem::is_symlink(map));
  EXPECT_EQ(map, velt::Narrow(m_report.hostsMapPath));
  EXPECT_EQ("precious", ReadFile(victim));

  // So are the files a front end writes beside the bundle: a taken name is
  // replaced only when asked, a link there as itself; nothing stays behind.
  const std::string sum = m_bundle + ".sha256";
  std::filesystem::create_symlink(victim, sum);
  bool created = false;
  EXPECT_EQ(velt::platform::ErrorNumber(velt::platform::ErrorKind::kExists),
            velt::engine::WriteBesideBundle(sum, "sum\n", false, created));
  EXPECT_TRUE(created && std::filesystem::is_symlink(sum));
  ASSERT_EQ(0, velt::engine::WriteBesideBundle(sum, "sum\n", true, created));
  EXPECT_EQ("sum\n", ReadFile(sum));
  ASSERT_EQ(0, lstat(sum.c_str(), &info));
  EXPECT_EQ(S_IFREG | 0600u, info.st_mode);
  EXPECT_EQ("precious", ReadFile(victim));
  EXPECT_NE(0, velt::engine::WriteBesideBundle(m_bundle + ".none/x", "", true, created));
  EXPECT_FALSE(created);
  EXPECT_EQ(4u, std::distance(std::filesystem::directory_iterator(m_fixture.dir().Path("out")),
                              std::filesystem::directory_iterator()));
}

// Temporary folders and partial archives beside the bundle: each run makes
// its own; names and links others made in advance are left alone; what a
// killed run of this user left is removed, a live run's is not.
TEST_F(EngineRun, TemporaryFoldersAndPartialArchivesAreNeverShared) {
  VELT_REQUIRE_ATTACKER();
  m_fixture.AddConfig("alpha.xml", AlphaConfig(m_source));
  const std::string temp = m_fixture.tempFolder();
  std::filesystem::create_directories(temp + "/VELT_Temp_Bundle_planted");
  velt::test::GiveTo(temp + "/VELT_Temp_Bundle_planted", velt::test::Attacker());
  std::filesystem::create_directory_symlink(m_source, temp + "/VELT_Temp_Bundle_link");
  std::filesystem::create_directories(temp + "/VELT_Temp_Bundle_abandoned/Alpha");
  std::filesystem::create_directories(temp + "/VELT_Temp_Bundle_live");
  const int live = open((temp + "/VELT_Temp_Bundle_live").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(0, flock(live, LOCK_EX));
  const std::string hex = ".zip.0123456789abcdef.partial";
  for (const char* name : {"abandoned", "live", "planted", "twice", "other"}) {
    m_fixture.dir().WriteFile("out/" + std::string(name) + hex, "PK");
  }
  std::filesystem::rename(m_fixture.dir().Path("out/other" + hex),
                          m_fixture.dir().Path("out/other.partial"));
  velt::test::GiveTo(m_fixture.dir().Path("out/planted" + hex), velt::test::Attacker());
  std::filesystem::create_hard_link(m_fixture.dir().Path("out/twice" + hex),
                                    m_fixture.dir().Path("twice"));
  std::filesystem::create_symlink(m_source + "/one.log", m_fixture.dir().Path("out/link" + hex));
  const int livePartial = open(m_fixture.dir().Path("out/live" + hex).c_str(), O_RDONLY);
  ASSERT_EQ(0, flock(livePartial, LOCK_EX));
  ASSERT_EQ(0, Run("", m_bundle));
  std::vector<std::string> left = m_fixture.TempEntries();
  for (const auto& entry : std::filesystem::directory_iterator(m_fixture.dir().Path("out"))) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ((std::vector<std::string>{"VELT_Temp_Bundle_link", "VELT_Temp_Bundle_live",
                                      "VELT_Temp_Bundle_planted", "bundle.zip", "link" + hex,
                                      "live" + hex, "other.partial", "planted" + hex,
                                      "twice" + hex}),
            left);
  EXPECT_TRUE(std::filesystem::exists(m_source + "/one.log"));
  close(live);
  close(livePartial);
}

// The controls of a run, and the estimate of the same run: a time window
// leaves out files a wildcard matches that are older and hands its start
// to commands; a budget cuts the largest file to its newest part; a time
// limit kills a command whose output is still listed; an excluded ID and a
// case ID are noted. A command that fails is noted whatever the controls.
// The estimate walks exactly what the run copies, and collects nothing.
TEST_F(EngineRun, ControlsShapeTheRunAndTheSummarySaysHow) {
  std::string big;
  for (int i = 0; i < 400; ++i) big += "line " + std::to_string(i) + "\n";
  m_fixture.dir().WriteFile("logs/big.log", big);
  m_fixture.dir().WriteFile("logs/old.log", "old\n");
  const std::string old = m_source + "/old.log";
  ASSERT_EQ(0, velt::test::RunCommand("touch -d '3 days ago' " + velt::test::ShellQuote(old)));
  auto entry = [](const std::string& id, const std::string& actions) {
    return "<file id='" + id + "'><description>" + id + "</description><default>true</default>"
           "<velt><os opsys='linux'>" + actions + "</os></velt></file>";
  };
  auto command = [](const std::string& args, const std::string& out) {
    return "<use_extern_action><action><args>" + args + "</args><temp_out>" + out +
           "</temp_out><stdout/></action></use_extern_action>";
  };
  m_fixture.AddConfig(
      "ctl.xml", "<config><configure><title>Ctl</title></configure>" +
                     entry("logs", "<file_copy_action><action><loc>" + m_source +
                                       "/*.log</loc></action></file_copy_action>") +
                     entry("since", command("sh -c 'echo \"since=$VELT_SINCE\"; exit 4'",
                                            "since.txt")) +
                     entry("slow", command("sh -c 'echo started; sleep 3'", "slow.txt")) +
                     "</config>");
  const int64_t now = velt::platform::SecondsSinceEpoch();
  VeltCollectExtras window;
  window.since = now - 86400;
  window.excludeIds = {L"slow"};
  window.caseId = L"CS-7";
  VeltCollectExtras budget;
  budget.maxSize = 5000;  // two.log (2000 bytes) fits it whole
  budget.commandTimeout = 1;
  struct Case {
    VeltCollectExtras extras;
    std::vector<std::string> files, notes;
  } cases[] = {
      {window, {"big.log", "one.log", "since.txt", "two.log"},
       {"1 file(s) matching " + m_source + "/*.log were left out: last modified before " +
            velt::Narrow(VeltControlText::LocalTime(now - 86400)),
        "The file(s) of ID slow are left out: it was excluded from this run.",
        "Case ID:                      CS-7", "Excluded from this run: slow."}},
      {budget, {"big.log", "old.log", "one.log", "since.txt", "slow.txt", "two.log"},
       {"big.log (ID logs) was cut from 3.41K to", "its newest part kept) to keep the bundle "
        "within its size budget of 4.88K.", "slow.txt: the command was killed after 1 s",
        "Size budget 4.88K: 1 file(s) were cut"}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(0, Run("", m_bundle, "", false, c.extras));
    std::vector<std::string> files;
    for (const std::string& name : velt::test::ZipEntries(m_bundle)) {
      if (name.compare(0, 4, "Ctl/") == 0) files.push_back(name.substr(4));
    }
    EXPECT_EQ(c.files, files);
    const std::string summary = Summary();
    for (const std::string& note : c.notes) {
      EXPECT_NE(std::string::npos, Squeezed(summary).find(Squeezed(note))) << note << summary;
    }
    EXPECT_NE(std::string::npos, summary.find("since.txt: the command exited with status 4"));
    EXPECT_EQ("valid\n", ManifestVerdict(m_bundle));
    const std::string manifest = velt::test::ZipEntry(m_bundle, "manifest.json");
    const std::string since = velt::test::ZipEntry(m_bundle, "Ctl/since.txt");
    if (c.extras.since != 0) {
      EXPECT_EQ(1u, m_report.leftOutByWindow);
      EXPECT_NE(std::string::npos,
                since.find("since=" + velt::Narrow(VeltControlText::LocalTime(c.extras.since))));
      EXPECT_NE(std::string::npos, manifest.find("\"case_id\":\"CS-7\""));
    } else {
      // Everything the summary lists fits the budget; the cut file kept
      // its end.
      const std::string cut = velt::test::ZipEntry(m_bundle, "Ctl/big.log");
      EXPECT_EQ(big.substr(big.size() - cut.size()), cut);
      size_t listed = 0;
      for (const std::string& name : files) {
        listed += velt::test::ZipEntry(m_bundle, "Ctl/" + name).size();
      }
      EXPECT_LE(listed, c.extras.maxSize);
      EXPECT_GT(listed + 50, c.extras.maxSize);  // no more cut than needed
      EXPECT_EQ(1u, m_report.cutForBudget);
      EXPECT_NE(std::string::npos, manifest.find("\"killed_after_seconds\":1,"));
      EXPECT_NE(std::string::npos, manifest.find("\"cut_from\":" + std::to_string(big.size())));
      EXPECT_EQ(std::string::npos, since.find("since=2"));
    }
    EXPECT_EQ(c.extras.since != 0 ? 1u : 2u, m_report.commandsFailed);
    std::filesystem::remove(m_bundle);

    // The estimate of the same run: the same files with their sizes now,
    // the commands, nothing collected.
    VeltEngine planner(L"", Widen(m_fixture.installFolder()), L"", L"", false, false);
    planner.setExtras(c.extras);
    VeltCollectPlan plan;
    ASSERT_EQ(0, planner.planCollect(plan));
    std::vector<std::string> planned;
    for (const VeltCollectPlan::Entry& e : plan.entries()) {
      for (const VeltCollectPlan::Step& step : e.steps) {
        planned.push_back(velt::Narrow(step.bundleName));
        if (!step.isCommand) {
          EXPECT_EQ(std::filesystem::file_size(velt::Narrow(step.source)), step.size);
        }
      }
    }
    std::sort(planned.begin(), planned.end());
    EXPECT_EQ(c.files, planned);
    EXPECT_TRUE(m_fixture.TempEntries().empty());
    EXPECT_FALSE(std::filesystem::exists(m_bundle));
  }
}

// Window mode: progress never goes back and ends with the result; a failure,
// a direct call of the public run, a stop and a second start each post
// their result and leave nothing behind.
TEST_F(EngineRun, WindowModeResultsAndStops) {
  m_fixture.AddConfig("1.xml", AlphaConfig(m_source));
  m_fixture.AddConfig("2.xml", AlphaConfig(m_source));
  VeltWindow window;
  VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
  VeltThread::SetMainThreadHandle(&window);
  VeltEvent* exitEvent = VeltEvent::Create(L"ExitVeltEvent", true, false);
  VeltThread::OpenExitEvent();
  std::vector<unsigned> percents;
  // Runs `run` on a worker; returns the last posted result (1 for none: a
  // stop posts nothing), records the percents, stops a run at its sleeper.
  auto postedResult = [&](std::function<long(VeltEngine&)> run, long& returned) {
    std::atomic<bool> done(false);
    std::thread worker([&] {
      VeltEngine engine(L"", Widen(m_fixture.installFolder()), Widen(m_bundle), L"", false, false);
      returned = run(engine);
      done = true;
    });
    WindowMessage message{};
    uintptr_t result = 1;
    percents.clear();
    for (;;) {
      if (!window.Get(message, 100)) {
        if (done) break;
        continue;
      }
      if (message.message == WM_VELT_RESULT) {
        result = message.wParam;
        continue;
      }
      EXPECT_EQ(1u, result) << "progress after a result";
      percents.push_back(VeltThread::CopyProgressStatus().percent);
      if (VeltThread::CopyProgressStatus().status.find(L"Processing sleeper") == 0) exitEvent->Set();
    }
    worker.join();
    return static_cast<long>(result);
  };
  long returned = -1;
  EXPECT_EQ(0, postedResult([](VeltEngine& e) { return e.start(); }, returned));
  EXPECT_EQ(0, returned);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(100u, percents.back());
  EXPECT_EQ(L"VELT has finished... ", VeltThread::CopyProgressStatus().status);
  std::filesystem::remove(m_bundle);

  const long again = postedResult([](VeltEngine& e) { e.start(); return e.start(); }, returned);
  EXPECT_EQ(VELTENGINE_ERROR_ALREADY_INITIALIZED, returned);
  EXPECT_EQ(VELTENGINE_ERROR_ALREADY_INITIALIZED, again);
  std::filesystem::remove(m_bundle);

  m_fixture.AddConfig("2.xml", "<config>");
  m_fixture.AddConfig("1.xml", "<config><file id='s'><description>sleeper</description>"
                               "<default>true</default><velt><os opsys='linux'><use_extern_action>"
                               "<action><args>/bin/sleep 120</args></action></use_extern_action>"
                               "</os></velt></file></config>");
  EXPECT_EQ(1, postedResult([](VeltEngine& e) { return e.collectLogs(); }, returned));
  EXPECT_EQ(VELTENGINE_ERROR_ACTION_CANCELED_BY_USER, returned);
  EXPECT_TRUE(m_fixture.TempEntries().empty());
  EXPECT_EQ(1, velt::test::RunCommand("pgrep -f '^/bin/sleep 120$' >/dev/null"));
  exitEvent->Reset();

  m_fixture.AddConfig("1.xml", "<config>");
  EXPECT_EQ(VELTENGINE_ERROR_INTERNAL,
            postedResult([](VeltEngine& e) { return e.clearLogs(); }, returned));
  EXPECT_EQ(VELTENGINE_ERROR_INTERNAL, returned);
  EXPECT_EQ(L"Internal Error: no valid configuration XML found...",
            VeltThread::CopyProgressStatus().status);
  VeltEvent::Close(exitEvent);
  VeltEvent::Close(VeltThread::m_ExitVeltEvent);
  VeltThread::m_ExitVeltEvent = nullptr;
}

}  // namespace
