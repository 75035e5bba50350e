// The world of the engine's end-to-end tests: summary.txt's pieces as the
// report code lays them out, a fixture configuration, and a fixture that
// runs the engine in console mode over an install folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "report/SummaryLayout.h"
#include "report/SummaryWriter.h"
#include "support/CaptureStdout.h"
#include "support/CapturingLogger.h"
#include "support/FakeOsFacts.h"
#include "support/RunFixture.h"
#include "velt/control/VeltThread.h"
#include "velt/engine/VeltCollectPlan.h"
#include "velt/engine/VeltEngine.h"
#include "velt/platform/TextEncoding.h"
#include "velt/report/collector.h"

namespace velt {
namespace test {

inline const std::string kCrlf = "\r\n";

using velt::report::SummaryTable;

// summary.txt's own bytes for `text`, and its pieces, laid out by the code
// that writes them (their widths are checked in tests/report).
inline std::string Bytes(const std::wstring& text) { return velt::report::SummaryWriter::Encode(text); }

inline std::string Row(SummaryTable table, const std::string& id, const std::string& name,
                const std::string& desc, const std::string& last) {
  return Bytes(velt::report::TableLine(table, {Widen(id), Widen(name), Widen(desc), Widen(last)}));
}

inline std::string IncludedRow(const std::string& id, const std::string& name, const std::string& desc,
                        const std::string& size) {
  return Row(SummaryTable::kIncluded, id, name, desc, size);
}

inline std::string OmittedRow(const std::string& id, const std::string& name, const std::string& desc,
                       const std::string& reason) {
  return Row(SummaryTable::kOmitted, id, name, desc, reason);
}

// The omitted table's rows of a reason that goes on below the first row,
// wrapped to the reason column as the summary wraps it.
struct SummaryWrap : collector {
  using collector::smartWordWrap;
};
inline std::string ReasonRows(const std::string& reason) {
  std::wstring rest = Widen(reason);
  std::string rows;
  const unsigned width =
      static_cast<unsigned>(velt::report::ColumnWidths(SummaryTable::kOmitted).back());
  while (!rest.empty()) {
    rows += Bytes(velt::report::TableLine(SummaryTable::kOmitted,
                                          {L"", L"", L"", SummaryWrap::smartWordWrap(rest, width)}));
  }
  return rows;
}

inline std::string TableEnd(SummaryTable table) { return Bytes(velt::report::TableRule(table)); }

inline std::string Heading(const std::string& bundle) {
  std::wstring text = L"VELT BUNDLE SUMMARY\n\n";
  for (const wchar_t* label : {L"Time:", L"OS:", L"User Name:"}) {
    text += velt::report::MainInfoLine(label, L"<masked>");
  }
  return Bytes(text + velt::report::MainInfoLine(L"Bundle on client computer:", Widen(bundle)));
}

inline std::string BlockStart(const std::string& title) {
  return Bytes(velt::report::BlockRule() + Widen(title) + L":\n\n" +
               velt::report::TableHead(SummaryTable::kIncluded));
}

inline std::string OmittedStart() {
  return Bytes(L"\n\n" + velt::report::TableHead(SummaryTable::kOmitted));
}

// A configuration whose entry copies <source>/*.log, one optional entry and
// one whose location matches nothing.
inline std::string AlphaConfig(const std::string& source) {
  return "<config><configure><title>Alpha</title></configure>\n"
         "<file id=\"a-logs\"><description>Alpha logs</description><default>true</default>"
         "<velt><os opsys=\"win7\"><file_copy_action><action><loc>C:\\x\\*.log</loc></action>"
         "</file_copy_action></os>"
         "<os opsys=\"linux\"><file_copy_action><action><loc>" + source + "/*.log</loc>"
         "<clear_log apply=\"true\"/></action></file_copy_action></os></velt></file>\n"
         "<file id=\"b-extra\"><description>Extra</description><default>false</default>"
         "<velt><os opsys=\"linux\"/></velt></file>\n"
         "<file id=\"c-missing\"><description>Alpha missing</description><default>true</default>"
         "<velt><os opsys=\"linux\"><file_copy_action><action><loc>" + source +
         "/nothing/*.txt</loc></action></file_copy_action></os></velt></file>\n"
         "</config>\n";
}

class EngineRun : public ::testing::Test {
 protected:
  // The configurations here are Linux ones.
  std::unique_ptr<FakeOsFacts> m_linux = LinuxFactsElsewhere();
  void SetUp() override {
    VELT_CLI_OPTIONS options;
    options.consoleMode = true;
    VeltThread::SetVeltCLIOptions(options);
    m_source = m_fixture.dir().Path("logs");
    m_fixture.dir().WriteFile("logs/one.log", "first log\n");
    m_fixture.dir().WriteFile("logs/two.log", std::string(2000, 'x'));
    m_bundle = m_fixture.dir().Path("out/bundle.zip");
    std::filesystem::create_directories(m_fixture.dir().Path("out"));
  }
  void TearDown() override {
    VeltThread::SetVeltCLIOptions(VELT_CLI_OPTIONS{});
    VeltThread::SetMainThreadHandle(nullptr);
  }

  // Runs the engine in console mode; returns its result, keeps its output.
  long Run(const std::string& request, const std::string& bundle, const std::string& password = "",
           bool clear = false, const VeltCollectExtras& extras = VeltCollectExtras()) {
    VeltEngine engine(Widen(request), Widen(m_fixture.installFolder()), Widen(bundle),
                      Widen(password), clear, false);
    engine.setExtras(extras);
    long result = 0;
    m_console = velt::test::CaptureStdout([&] { result = engine.start(); });
    m_finalBundle = velt::Narrow(engine.bundlePath());
    m_report = engine.report();
    return result;
  }

  std::string Summary() { return velt::test::ZipEntry(m_finalBundle, "summary.txt"); }

  RunFixture m_fixture;
  velt::test::ScopedLogCapture m_log;
  std::string m_source;
  std::string m_bundle;
  std::string m_console;
  std::string m_finalBundle;
  VeltCollectReport m_report;
};

inline std::string ProgressLine(const std::string& text, int percent) {
  char buffer[128];
  std::snprintf(buffer, sizeof(buffer), "\r%-50.50s %3d%%", text.c_str(), percent);
  return buffer;
}

}  // namespace test
}  // namespace velt
