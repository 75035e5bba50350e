// The velt program driven as a user drives it: on a terminal, through a
// pipe and as JSON Lines; usage errors; the bundle and its checksum file;
// clear's plan; secrets; and runs stopped by signals or a full disk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/RunFixture.h"
#include "support/posix/Unprivileged.h"

namespace {

namespace fs = std::filesystem;
using velt::test::ReadFile;
using velt::test::RunCommand;
using velt::test::ShellQuote;

// The velt of this build, or an installed one (VELT_TEST_PROGRAM, as CI
// sets it for the copy it installs).
const std::string kVelt =
    std::getenv("VELT_TEST_PROGRAM") != nullptr ? std::getenv("VELT_TEST_PROGRAM") : VELT_PROGRAM;
const std::string kDrive = "python3 " VELT_SOURCE_DIR "/tests/cli/drive.py ";

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class VeltProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    m_fixture.dir().WriteFile("logs/app.log", "application log line\n");
    m_fixture.dir().WriteFile("logs/old.log", "old line\n");
    m_fixture.dir().WriteFile("extra/keep.log", "not a default entry's\n");
    m_fixture.AddConfig(
        "app.xml",
        "<config><configure><title>App</title></configure>"
        "<file id=\"app-logs\"><description>App logs</description><default>true</default><velt>"
        "<os opsys=\"linux\"><file_copy_action><action><loc>" + Path("logs") +
        "/*.log</loc><clear_log apply=\"true\"/></action></file_copy_action>"
        "<use_extern_action><action><args>echo hello from a command</args>"
        "<temp_out>echo.txt</temp_out><stdout/><clear_log apply=\"true\">echo cleared %HOME%"
        "</clear_log></action></use_extern_action></os></velt></file>" +
        Entry("app-extra", "<file_copy_action><action><loc>" + Path("extra") +
                               "/*.log</loc><clear_log apply=\"true\"/></action></file_copy_action>") +
        Entry("app-env", "<use_extern_action><action><args>env</args><temp_out>env.txt</temp_out>"
                         "<stdout/></action></use_extern_action>") +
        Entry("app-slow", "<use_extern_action><action><args>sh -c \"sleep 37.37; echo x\"</args>"
                          "<temp_out>slow.txt</temp_out><stdout/></action></use_extern_action>") +
        Entry("app-nap", "<use_extern_action><action><args>sleep 2</args></action>"
                         "</use_extern_action>") +
        "</config>");
  }

  // A non-default entry whose Linux branch holds `actions`.
  static std::string Entry(const std::string& id, const std::string& actions) {
    return "<file id=\"" + id + "\"><description>" + id + "</description><default>false"
           "</default><velt><os opsys=\"linux\">" + actions + "</os></velt></file>";
  }
  std::string Path(const std::string& relative) { return m_fixture.dir().Path(relative); }

  // velt with the fixture's install folder and a private log file; `err`
  // receives standard error.
  int Velt(const std::string& arguments, std::string* out = nullptr, std::string* err = nullptr,
           const std::string& prefix = "") {
    const int status = RunCommand(
        prefix + kVelt + " " + arguments + " --install-dir " +
            ShellQuote(m_fixture.installFolder()) + " --log-file " + ShellQuote(Path("velt.log")) +
            " 2>" + ShellQuote(Path("stderr")),
        out);
    if (err != nullptr) {
      *err = ReadFile(Path("stderr"));
    }
    return status;
  }

  velt::test::RunFixture m_fixture;
};

TEST_F(VeltProgram, UsageErrorsExitTwoNamingThePathAndTheReason) {
  m_fixture.dir().WriteFile("exists.zip", "x");
  m_fixture.dir().WriteFile("nl", "\n");
  const struct {
    std::string arguments;
    int status;
    std::string says;
  } cases[] = {
      {"collect --bundel x.zip", 2, "unknown option '--bundel' (did you mean '--bundle'?)"},
      {"colect", 2, "unknown command 'colect' (did you mean 'collect'?)"},
      {"collect --request r.xml --id a", 2, "--id excludes --request"},
      {"collect --id app-logs --id nope --id gone", 2, "nope, gone; 'velt list'"},
      {"collect --request /nonexistent/r.xml", 2, "/nonexistent/r.xml: No such file or directory"},
      {"collect --request " + Path("logs/app.log"), 2, "not a valid request document (XML"},
      {"collect -o /nonexistent/b.zip", 2, "/nonexistent: No such file or directory"},
      {"collect -o " + Path("exists.zip"), 2, Path("exists.zip") + " already exists; add --force"},
      {"collect -o " + Path("x") + " --password-file " + Path("nl"), 2, "is empty"},
      {"collect -o " + Path("x") + " --password-env VELT_EMPTY", 2, "VELT_EMPTY is empty"},
      {"collect --skip-msinfo32", 2, "unknown option '--skip-msinfo32'"},
      {"collect --since yesterday", 2, "--since: 'yesterday' is neither a span back from now"},
      {"collect --since 2999-01-01", 2, "--since: '2999-01-01' lies in the future"},
      {"collect --max-size 10X", 2, "--max-size: '10X' is not a size"},
      {"collect --case 'CS 1'", 2, "--case: the case ID 'CS 1' must be 1 to 64 letters"},
      {"collect --exclude-id nope", 2, "--exclude-id: no configuration offers the file ID(s) nope"},
      {"collect --timeout 0", 2, "--timeout: Value 0 not in range"},
      {"clear --skip-msinfo32", 2, "unknown option '--skip-msinfo32'"},
  };
  for (const auto& c : cases) {
    std::string err;
    EXPECT_EQ(c.status, Velt(c.arguments, nullptr, &err, "VELT_EMPTY= ")) << c.arguments;
    EXPECT_TRUE(Has(err, c.says)) << c.arguments << "\n" << err;
  }
  EXPECT_FALSE(fs::exists(Path("x.zip")));
  std::string out;
  EXPECT_EQ(2, RunCommand(kVelt + " list --install-dir /nonexistent 2>&1", &out));
  EXPECT_TRUE(Has(out, "/nonexistent/xml/config/: No such file or directory")) << out;
  EXPECT_EQ(2, RunCommand(kVelt + " describe nonsense 2>&1", &out));
  EXPECT_TRUE(Has(out, "'nonsense' is not a 32-bit result code")) << out;
  for (const char* code : {"0xFEB0000C", "-22020084", "4272947212"}) {
    EXPECT_EQ(0, RunCommand(kVelt + " describe -- " + code, &out));
    EXPECT_EQ("VELTENGINE_ERROR_FILE_NOT_FOUND:Error: File not found\n", out);
  }
  EXPECT_EQ(0, RunCommand(kVelt + " help clear", &out));
  EXPECT_TRUE(Has(out, "-y,--yes")) << out;
  EXPECT_EQ(0, RunCommand(kVelt + " collect -h", &out));
  EXPECT_TRUE(Has(out, "--password-env VAR")) << out;
}

TEST_F(VeltProgram, PipeTerminalAndJsonEachShowTheRunTheirWay) {
  // Through a pipe: one plain line per status, then the bundle, whose
  // checksum file verifies where it lies.
  fs::create_directory(Path("out"));
  std::string out;
  ASSERT_EQ(0, Velt("collect -o " + ShellQuote(Path("out") + "/"), &out)) << out;
  EXPECT_FALSE(Has(out, "\r"));
  // The display shows the engine's status as it stands when a progress
  // message is read, so a busy machine may skip a short step, never reorder.
  std::istringstream lines(out);
  int previous = 0;
  for (std::string line; std::getline(lines, line) && line.rfind("Bundle:", 0) != 0;) {
    ASSERT_GT(line.size(), 5u) << out;
    ASSERT_EQ("% ", line.substr(3, 2)) << out;
    const int percent = std::stoi(line.substr(0, 3));
    EXPECT_LE(previous, percent) << out;
    previous = percent;
  }
  EXPECT_TRUE(Has(out, "100% VELT has finished")) << out;
  EXPECT_TRUE(Has(out, "Bundle:   " + Path("out/velt-"))) << out;
  EXPECT_EQ(0, RunCommand("cd " + ShellQuote(Path("out")) + " && sha256sum -c --strict *.sha256"));
  EXPECT_EQ(0, RunCommand("cd " + ShellQuote(Path("out")) + " && unzip -tq velt-*.zip >/dev/null"));

  // On a terminal 40 columns wide: one line redrawn within the width.
  ASSERT_EQ(0, Velt("collect -o " + ShellQuote(Path("tty.zip")), &out, nullptr,
                    kDrive + "--cols 40 "));
  ASSERT_TRUE(Has(out, "Bundle:")) << out;
  // Every redraw fills the line but its last column; the percentage on it
  // never falls.
  std::istringstream redraws(out.substr(0, out.find("\r\n")));
  std::string line, shown = "  0";
  while (std::getline(redraws, line, '\r')) {
    ASSERT_TRUE(line.empty() || line.size() == 39u) << "[" << line << "]";
    EXPECT_GE(line.empty() ? shown : line.substr(29, 3), shown) << line;
    shown = line.empty() ? shown : line.substr(29, 3);
  }

  // JSON Lines: every line parses, the percentage never falls, and the
  // result names the bundle with its size and SHA-256.
  const std::string check =
      "import json,sys,hashlib,os\n"
      "lines=[json.loads(l) for l in sys.stdin]\n"
      "p=[l['percent'] for l in lines if l['event']=='progress']\n"
      "r=lines[-1]; b=open(r['bundle'],'rb').read()\n"
      "assert p==sorted(p) and p[-1]==100 and r['code']==0 and r['name']=='SUCCESS'\n"
      "assert r['size']==len(b) and r['sha256']==hashlib.sha256(b).hexdigest()\n"
      "print(os.path.basename(r['bundle']))\n";
  ASSERT_EQ(0, Velt("collect --json -o " + ShellQuote(Path("j")) + " | python3 -c " +
                        ShellQuote(check),
                    &out));
  EXPECT_EQ("j.zip\n", out);
  EXPECT_EQ(ReadFile(Path("j.zip.sha256")).substr(64), "  j.zip\n");
  ASSERT_EQ(0, Velt("collect -q --force -o " + ShellQuote(Path("j.zip")), &out));
  EXPECT_EQ(Path("j.zip") + "\n", out);

  // A bundle name that is not UTF-8: the "_bytes" fields name the very files.
  const std::string bytes =
      "import json,sys,base64,os\n"
      "r=json.loads(sys.stdin.readlines()[-1])\n"
      "for k in ('bundle','checksum_file','hosts_map'):\n"
      "  assert os.path.isfile(base64.b64decode(r[k+'_bytes'])), k\n"
      "print(r['bundle'].endswith('caf\\ufffd.zip'), r['hosts_map']==r['bundle']+'.hosts-map.txt')\n";
  ASSERT_EQ(0, Velt("collect -q --json --mask-hosts -o " + ShellQuote(Path("caf\xE9")) +
                        " | python3 -c " + ShellQuote(bytes),
                    &out));
  EXPECT_EQ("True True\n", out);
}

TEST_F(VeltProgram, CommentAloneMakesTheDefaultBundleWithComments) {
  ASSERT_EQ(0, Velt("collect --comment 'It broke' -o " + ShellQuote(Path("c.zip"))));
  std::vector<std::string> entries = velt::test::ZipEntries(Path("c.zip"));
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ((std::vector<std::string>{"App/app.log", "App/echo.txt", "App/old.log",
                                      "comments.txt", "manifest.json", "summary.txt"}),
            entries);
  EXPECT_EQ("Comments from Orvalink user:\r\nIt broke",
            velt::test::ZipEntry(Path("c.zip"), "comments.txt"));
  EXPECT_TRUE(Has(velt::test::ZipEntry(Path("c.zip"), "summary.txt"),
                  "app-extra is/are not included by default"));
}

TEST_F(VeltProgram, PasswordFromTheEnvironmentReachesNoCommand) {
  ASSERT_EQ(0, Velt("collect --id app-env --password-env VELT_TEST_PW -o " +
                        ShellQuote(Path("pw.zip")),
                    nullptr, nullptr, "VELT_TEST_PW='pw 1' "));
  const std::string env = velt::test::ZipEntry(Path("pw.zip"), "App/env.txt", "pw 1");
  EXPECT_TRUE(Has(env, "PATH=")) << env;
  EXPECT_FALSE(Has(env, "VELT_TEST_PW"));
  EXPECT_FALSE(Has(ReadFile(Path("velt.log")), "pw 1"));
}

TEST_F(VeltProgram, StopSignalsEndTheRunCleanlyWithTheShellsStatus) {
  for (const auto& [name, status] : {std::pair<std::string, int>{"SIGTERM", 143}, {"SIGINT", 130}}) {
    std::string err;
    const std::string bundle = Path(name + ".zip");
    EXPECT_EQ(status, Velt("collect --id app-slow -o " + ShellQuote(bundle), nullptr, &err,
                           kDrive + "--signal " + name + " --when 'Processing app-slow' "));
    EXPECT_TRUE(Has(err, "collect stopped by " + name)) << err;
    EXPECT_TRUE(m_fixture.TempEntries().empty());
    EXPECT_FALSE(fs::exists(bundle) || fs::exists(bundle + ".partial"));
    // The signal reaches the whole group at once, but only the shell is
    // reaped: on a busy machine its child may take a moment to die.
    EXPECT_EQ(0, RunCommand("for i in $(seq 50); do grep -qsa '37[.]37' /proc/[0-9]*/cmdline || "
                            "exit 0; sleep 0.1; done; exit 1"))
        << "a command still runs";
  }
}

TEST_F(VeltProgram, AKilledRunLeavesNothingTheNextRunKeeps) {
  // Killed while a command runs: its run folder stays, unlocked; no file
  // anywhere holds the request (the IDs and the comment).
  const std::string bundle = Path("killed.zip");
  EXPECT_EQ(137, Velt("collect --id app-nap --comment 'secret words' -o " + ShellQuote(bundle),
                      nullptr, nullptr, kDrive + "--signal SIGKILL --when 'Processing app-nap' "));
  const std::vector<std::string> left = m_fixture.TempEntries();
  ASSERT_EQ(1u, left.size());
  EXPECT_EQ(0u, left[0].find("VELT_Temp_Bundle_"));
  EXPECT_NE(0, RunCommand("grep -rqs '<request>' " + ShellQuote(m_fixture.dir().path())));
  // The next run removes it, and a partial archive a killed zip left.
  const std::string partial = m_fixture.dir().WriteFile("killed.zip.0123456789abcdef.partial", "PK");
  ASSERT_EQ(0, Velt("collect --id app-logs -o " + ShellQuote(bundle)));
  EXPECT_TRUE(m_fixture.TempEntries().empty());
  EXPECT_FALSE(fs::exists(partial));
}

// The estimate is the run's own walk and writes nothing; the run it
// estimated carries the case ID in its name and a manifest that its schema
// accepts.
TEST_F(VeltProgram, EstimateShowsTheRunsWalkAndTheRunItsManifest) {
  fs::create_directory(Path("out"));
  std::string out;
  ASSERT_EQ(0, Velt("collect --estimate --exclude-id app-logs --id app-logs --id app-env", &out));
  EXPECT_EQ("What velt collect would gather now (an estimate: nothing was collected, no bundle "
            "written):\n\nApp:\n  app-env: app-env\n    run   env -> env.txt\n  note: The file(s) "
            "of ID app-logs are left out: it was excluded from this run.\n\n1 ID(s): 0 file(s) of "
            "0 bytes now, and 1 command(s), whose output is known only when they run.\nExpected "
            "size before compression: at least 0 bytes, the commands' output on top.\n",
            out);
  const std::string check =
      "import json,sys\n"
      "e=json.loads(sys.stdin.read())\n"
      "s=[(x['kind'],x['name'],x['size']) for n in e['entries'] for x in n['steps']]\n"
      "print(e['files'],e['file_bytes'],e['commands'],e['max_size'],sorted(s,key=str))\n";
  ASSERT_EQ(0, Velt("collect --estimate --json --max-size 1K", &out));
  m_fixture.dir().WriteFile("estimate.json", out);
  ASSERT_EQ(0, RunCommand("python3 -c " + ShellQuote(check) + " <" + Path("estimate.json"), &out));
  EXPECT_EQ("2 30 1 1024 [('command', 'echo.txt', None), ('file', 'app.log', 21), "
            "('file', 'old.log', 9)]\n",
            out);
  EXPECT_TRUE(fs::is_empty(Path("out")) && m_fixture.TempEntries().empty());

  ASSERT_EQ(0, Velt("collect -q --case CS-42 -o " + ShellQuote(Path("out") + "/"), &out));
  EXPECT_EQ(0u, out.find(Path("out/velt-CS-42-"))) << out;
  const std::string bundle = out.substr(0, out.size() - 1);
  const std::string schema = VELT_SOURCE_DIR "/docs/manifest.schema.json";
  EXPECT_EQ(0, RunCommand("unzip -p " + ShellQuote(bundle) + " manifest.json | python3 -c "
                          "'import json,sys,jsonschema; jsonschema.validate(json.load(sys.stdin), "
                          "json.load(open(sys.argv[1])), cls=jsonschema.Draft202012Validator)' " +
                          schema));
  EXPECT_TRUE(Has(velt::test::ZipEntry(bundle, "summary.txt"), "Case ID:                      CS-42"));
}

// --password-prompt asks twice on the terminal; two answers that differ
// are refused before anything is collected.
TEST_F(VeltProgram, PasswordPromptAsksTwiceAndRefusesAMismatch) {
  for (const char* second : {"typed twice", "typed once"}) {
    const std::string bundle = Path(std::string(second).substr(6) + ".zip");
    std::string out, err;
    const int status =
        Velt("collect --password-prompt --id app-logs -o " + ShellQuote(bundle), &out, &err,
             kDrive + "--when 'password: ' --type 'typed twice' --type " + ShellQuote(second) + " ");
    EXPECT_TRUE(Has(out, "Bundle password: \r\nRepeat the bundle password: ")) << out;
    EXPECT_FALSE(Has(out, "typed")) << "echoed: " << out;
    if (std::string(second) == "typed twice") {
      EXPECT_EQ(0, status) << err;
      EXPECT_EQ("application log line\n",
                velt::test::ZipEntry(bundle, "App/app.log", "typed twice"));
    } else {
      EXPECT_EQ(2, status);
      EXPECT_TRUE(Has(err, "velt: the two entries differ")) << err;
      EXPECT_FALSE(fs::exists(bundle));
    }
  }
}

// Without root, a run collects what it can and says, on screen and in the
// summary, that it ran without root and what it could not read.
TEST_F(VeltProgram, WithoutRootTheRunSaysWhatItCouldNotRead) {
  VELT_REQUIRE_ATTACKER();
  if (RunCommand("runuser -u veltattacker -- " + kVelt + " --version >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << kVelt << " cannot be run by veltattacker (a private install folder)";
  }
  chmod(Path("logs/old.log").c_str(), 0600);  // root's alone
  chmod(m_fixture.dir().path().c_str(), 0755);
  const std::string home = Path("user");
  fs::create_directories(home + "/tmp");
  for (const std::string& path : {home, home + "/tmp"}) {
    velt::test::GiveTo(path, velt::test::Attacker());
  }
  std::string out;
  ASSERT_EQ(0, RunCommand("runuser -u veltattacker -- env HOME=" + ShellQuote(home) + " TMPDIR=" +
                              ShellQuote(home + "/tmp") + " " + kVelt +
                              " collect -q --install-dir " + ShellQuote(m_fixture.installFolder()) +
                              " --log-file " + ShellQuote(home + "/log") + " -o " +
                              ShellQuote(home + "/b.zip") + " 2>&1",
                          &out));
  EXPECT_TRUE(Has(out, "velt: collected without root privileges: 1 file(s) could not be read"))
      << out;
  const std::string summary = velt::test::ZipEntry(home + "/b.zip", "summary.txt");
  EXPECT_TRUE(Has(summary, " - Collected without administrative rights (user veltattacker)"))
      << summary;
  EXPECT_TRUE(Has(summary, "1 omission(s) above say a permission was refused"));
  EXPECT_EQ("application log line\n", velt::test::ZipEntry(home + "/b.zip", "App/app.log"));
}

// list and clear show the engine's own clear plan and follow a changed
// configuration; the run deletes only what the plan listed and names what
// changed while velt waited for "yes", even a folder swapped for a link.
TEST_F(VeltProgram, ListAndClearShowTheRunsPlanAndTheRunKeepsToIt) {
  fs::create_symlink(Path("extra/keep.log"), Path("logs/link.log"));
  fs::create_directory(Path("logs/folder.log"));
  std::string out, err;
  ASSERT_EQ(0, Velt("list", &out));
  EXPECT_TRUE(Has(out, "app-logs             App                yes     yes   App logs\n")) << out;
  EXPECT_TRUE(Has(out, "app-extra            App                no      no    app-extra\n"));
  // An ID and a title longer than their columns (the title not ASCII) widen
  // them for every row.
  m_fixture.AddConfig("long.xml", "<config><configure><title>Syst\xC3\xA8me d'exploitation</title>"
                                  "</configure>" + Entry("kernel-and-boot-messages", "") +
                                      "<file id='system-logs'><description>Journal</description>"
                                      "<default>true</default></file></config>");
  ASSERT_EQ(0, Velt("list", &out));
  for (const char* row : {"ID                       CONFIGURATION          DEFAULT CLEAR DESCRIPTION\n",
                          "app-logs                 App                    yes     yes   App logs\n",
                          "kernel-and-boot-messages Syst\xC3\xA8me d'exploitation no      no    "
                          "kernel-and-boot-messages\n",
                          // The summary's own words say why the system's logs stay out.
                          "system-logs              Syst\xC3\xA8me d'exploitation no      no    "
                          "Journal\n\nThe file(s) of ID system-logs are left out: a default run "
                          "collects the system's own logs only when they are included (velt "
                          "collect --include-system-logs).\n"}) {
    EXPECT_TRUE(Has(out, row)) << out;
  }
  EXPECT_EQ(1, Velt("clear", &out, nullptr, "echo no | "));
  EXPECT_EQ("A clear run would do the following:\napp-logs (App):\n  delete what matches " +
                Path("logs") + "/*.log (3 now)\n    " + Path("logs/app.log") + "\n    " +
                Path("logs/link.log") + " -> " + Path("extra/keep.log") + " (the link only)\n    " +
                Path("logs/old.log") + "\n  run echo cleared %HOME%\nDelete these files and run "
                "these commands? Type \"yes\" to go on: Nothing was cleared.\n",
            out);
  std::string config = ReadFile(m_fixture.installFolder() + "xml/config/app.xml");
  const std::string extra = "app-extra</description><default>";
  config.replace(config.find(extra + "false"), extra.size() + 5, extra + "true");
  m_fixture.AddConfig("app.xml", config);
  ASSERT_EQ(0, Velt("list", &out));
  EXPECT_TRUE(Has(out, "app-extra                App                    yes     yes   app-extra\n"))
      << out;
  const std::string vault = m_fixture.dir().WriteFile("vault/keep.log", "root's");
  const std::string meanwhile =
      "cd " + ShellQuote(Path("")) + " && rm logs/old.log && echo new >logs/app.new && "
      "mv logs/app.new logs/app.log && echo new >logs/new.log && mv extra extra.old && "
      "ln -s " + ShellQuote(Path("vault")) + " extra";
  ASSERT_EQ(0, Velt("clear", &out, &err,
                    kDrive + "--when 'to go on: ' --answer yes --meanwhile " +
                        ShellQuote(meanwhile) + " "));
  EXPECT_TRUE(Has(out, "app-extra (App):\n  delete what matches " + Path("extra") +
                           "/*.log (1 now)\n    " + Path("extra/keep.log") + "\n"))
      << out;
  for (const std::string& skipped :
       {Path("logs/app.log") + ": another file took its name since the plan was made",
        Path("logs/old.log") + ": it is gone since the plan was made",
        Path("extra/keep.log") + ": its folder changed since the plan was made"}) {
    EXPECT_TRUE(Has(err, "velt: clear: not deleted: " + skipped + "\n")) << err;
  }
  EXPECT_EQ("new\n", ReadFile(Path("logs/app.log")));
  EXPECT_EQ("root's", ReadFile(vault));
  EXPECT_TRUE(fs::exists(Path("logs/new.log")) && fs::exists(Path("extra.old/keep.log")) &&
              fs::is_directory(Path("logs/folder.log")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(Path("logs/link.log"))));
}

TEST_F(VeltProgram, FullDisksFailRunsThatWouldLoseFilesAndSayWhere) {
  // Incompressible files whose zip is above the file-size limit or a small
  // file system (velt ignores SIGXFSZ, so writes fail as on a full disk),
  // and addresses whose host map is twice their size.
  uint32_t state = 2463534242u;
  for (const char* name : {"logs/noise1.log", "logs/noise2.log", "extra/noise3.log"}) {
    std::string noise(1000000, '\0');
    for (char& byte : noise) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      byte = static_cast<char>(state);
    }
    m_fixture.dir().WriteFile(name, noise);
  }
  std::string addresses;
  for (int i = 0; i < 30000; ++i) {
    addresses += "11." + std::to_string(i / 250 % 250 + 1) + "." + std::to_string(i / 62500 + 1) +
                 "." + std::to_string(i % 250 + 1) + "\n";
  }
  m_fixture.dir().WriteFile("logs/addresses.log", addresses);
  fs::remove(Path("extra/keep.log"));  // app-extra: the noise alone
  // A real full disk where the machine lets tests mount a small one.
  fs::create_directories(Path("small"));
  const bool mounted =
      RunCommand("mount -t tmpfs -o size=1m velt-test " + ShellQuote(Path("small")) + " 2>&1") == 0;
  const std::string limit = "ulimit -f 1200; ";  // 600 KiB in 512-byte blocks
  const struct {
    std::string prefix, arguments;
    int status;
    std::string says, out;
    bool bundle;
  } cases[] = {
      {"ulimit -f 3000; ", "-o " + Path("full.zip"), 1,
       "/App/noise2.log into " + Path("full.zip") + " failed: File too large\n", "", false},
      {"", "-o " + Path("small/full.zip"), 1,
       " into " + Path("small/full.zip") + " failed: No space left on device\n", "", false},
      {limit, "--json -o " + Path("drop.zip"), 0,
       "velt: 2 file(s) were left out of the bundle for lack of space in " + Path("tmp"),
       "\"dropped_for_space\":2,", true},
      {limit, "--id app-extra -o " + Path("only.zip"), 1,
       "velt: 1 file(s) were left out for lack of space in " + Path("tmp") + "; the bundle " +
           Path("only.zip") + " holds only its summary", "", true},
      {limit, "--mask-hosts -o " + Path("map.zip"), 1,
       "velt: cannot write the pseudonym mapping " + Path("map.zip.hosts-map.txt") +
           ": File too large; the bundle " + Path("map.zip") + " was written without it", "",
       true},
  };
  for (const auto& c : cases) {
    if (!mounted && c.prefix.empty()) continue;
    std::string out, err;
    EXPECT_EQ(c.status, Velt("collect " + c.arguments, &out, &err, c.prefix)) << c.arguments;
    EXPECT_TRUE(Has(err, c.says)) << c.arguments << "\n" << err;
    EXPECT_TRUE(Has(out, c.out)) << out;
    const std::string bundle = c.arguments.substr(c.arguments.rfind(' ') + 1);
    EXPECT_EQ(c.bundle, fs::exists(bundle)) << bundle;
    EXPECT_FALSE(fs::exists(bundle + ".hosts-map.txt"));
    EXPECT_TRUE(m_fixture.TempEntries().empty());
    EXPECT_EQ("", (RunCommand("find " + ShellQuote(m_fixture.dir().path()) + " -name '*.partial'",
                              &out),
                   out));
  }
  if (mounted) RunCommand("umount " + ShellQuote(Path("small")));
}

}  // namespace
