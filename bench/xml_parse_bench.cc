// Tree building against expat's own speed on a generated configuration of
// about 20 MB: the time to read the file into a tree, as a ratio to a bare
// expat loop over the same file in the same run, and the memory the tree
// takes per node.
#include <benchmark/benchmark.h>
#include <expat.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <limits>
#include <list>
#include <string>

#include "velt/model/XMLObject.h"
#include "velt/platform/TextEncoding.h"
#include "velt/xml/VeltParser.h"

namespace {

constexpr size_t kTargetBytes = 20u * 1024 * 1024;

// A configuration with thousands of file entries, each with an operating
// system branch, file and external actions, attributes and text.
std::string GenerateConfiguration() {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<configure>\n"
                    "  <title>Generated configuration</title>\n";
  for (int i = 0; xml.size() < kTargetBytes; ++i) {
    const std::string id = std::to_string(i);
    xml += "  <file id=\"log-" + id + "\">\n"
           "    <description>Log file number " + id + " of the client &amp; its service</description>\n"
           "    <name>client-" + id + ".log</name>\n"
           "    <default>" + (i % 3 == 0 ? "true" : "false") + "</default>\n"
           "    <velt>\n";
    for (const char* os : {"linux", "windows-10", "windows-11"}) {
      xml += std::string("      <os opsys=\"") + os + "\">\n"
             "        <file_copy_action>\n"
             "          <action><loc gather_newest=\"true\">%ProgramData%\\Vendor\\Client\\logs\\client-" + id +
             "*.log</loc><clear_log apply=\"false\"/><truncate_type>end</truncate_type></action>\n"
             "        </file_copy_action>\n"
             "        <use_extern_action>\n"
             "          <action><path>%SystemRoot%\\system32\\ipconfig.exe</path><args>/all</args>"
             "<stdout>ipconfig-" + id + ".txt</stdout></action>\n"
             "        </use_extern_action>\n"
             "      </os>\n";
    }
    xml += "    </velt>\n  </file>\n";
  }
  xml += "</configure>\n";
  return xml;
}

struct Fixture {
  std::string path;
  size_t bytes = 0;
  Fixture() {
    const char* tmp = std::getenv("TMPDIR");
    path = std::string(tmp && *tmp ? tmp : "/tmp") + "/velt_xml_parse_bench.xml";
    const std::string xml = GenerateConfiguration();
    std::ofstream(path, std::ios::binary) << xml;
    bytes = xml.size();
  }
  ~Fixture() { std::remove(path.c_str()); }
};

Fixture& Data() {
  static Fixture fixture;
  return fixture;
}

// Best wall-clock and processor times of each side. The machine may be
// shared, so the processor-time ratio is the steadier figure.
struct Best {
  double wall = std::numeric_limits<double>::max();
  double cpu = std::numeric_limits<double>::max();
};
Best g_expat;
Best g_tree;

struct Stopwatch {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  std::clock_t cpu = std::clock();
  void Record(Best& best) const {
    best.wall = std::min(
        best.wall, std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count());
    best.cpu = std::min(best.cpu, double(std::clock() - cpu) / CLOCKS_PER_SEC);
  }
};

// The bare reader: the same file, the same chunk size, handlers that only
// count.
void XMLCALL CountStart(void* data, const char*, const char**) { ++*static_cast<long*>(data); }
void XMLCALL NoEnd(void*, const char*) {}
void XMLCALL NoText(void*, const char*, int) {}

long ExpatOnly(const std::string& path) {
  long elements = 0;
  XML_Parser parser = XML_ParserCreateNS(nullptr, '\x01');
  XML_SetUserData(parser, &elements);
  XML_SetElementHandler(parser, CountStart, NoEnd);
  XML_SetCharacterDataHandler(parser, NoText);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  for (;;) {
    void* buffer = XML_GetBuffer(parser, 64 * 1024);
    const size_t got = std::fread(buffer, 1, 64 * 1024, file);
    if (XML_ParseBuffer(parser, static_cast<int>(got), got == 0) != XML_STATUS_OK) elements = -1;
    if (got == 0 || elements < 0) break;
  }
  std::fclose(file);
  XML_ParserFree(parser);
  return elements;
}

void BM_ExpatOnly(benchmark::State& state) {
  Fixture& data = Data();
  for (auto _ : state) {
    const Stopwatch watch;
    benchmark::DoNotOptimize(ExpatOnly(data.path));
    watch.Record(g_expat);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.bytes));
}

void BM_BuildTree(benchmark::State& state) {
  Fixture& data = Data();
  const std::wstring path = velt::Widen(data.path);
  for (auto _ : state) {
    const Stopwatch watch;
    auto* parser = new VeltParser();
    std::list<XMLObject*> out;
    if (parser->Parse(path, VELT_PARSER_INPUT_FILE, out) == nullptr) state.SkipWithError("parse failed");
    watch.Record(g_tree);
    state.PauseTiming();  // releasing the tree is not part of reading it
    delete parser;
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.bytes));
}

BENCHMARK(BM_ExpatOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BuildTree)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Heap growth while one tree is alive, per node and per input byte.
void ReportMemory() {
  Fixture& data = Data();
  malloc_trim(0);
  const size_t before = mallinfo2().uordblks;
  auto* parser = new VeltParser();
  std::list<XMLObject*> out;
  parser->Parse(velt::Widen(data.path), VELT_PARSER_INPUT_FILE, out);
  const size_t after = mallinfo2().uordblks;
  const long nodes = out.empty() ? 0 : out.front()->GetRoot()->GetSize();
  delete parser;
  std::printf("document: %zu bytes, %ld nodes\n", data.bytes, nodes);
  std::printf("tree memory: %zu bytes = %.1f bytes per node, %.2f bytes per input byte\n",
              after - before, nodes ? double(after - before) / nodes : 0.0,
              double(after - before) / double(data.bytes));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_expat.wall < std::numeric_limits<double>::max() &&
      g_tree.wall < std::numeric_limits<double>::max()) {
    std::printf("best bare expat: %.1f ms wall, %.1f ms cpu\n", g_expat.wall * 1e3,
                g_expat.cpu * 1e3);
    std::printf("best tree build: %.1f ms wall, %.1f ms cpu\n", g_tree.wall * 1e3,
                g_tree.cpu * 1e3);
    std::printf("ratio: %.2fx wall, %.2fx cpu (target 2.5x)\n", g_tree.wall / g_expat.wall,
                g_tree.cpu / g_expat.cpu);
  }
  ReportMemory();
  return 0;
}
