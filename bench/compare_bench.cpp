// The comparison of two million-line reports: the shared generated bill
// (large_report.h) against its revision with 1 % of the item lines changed
// (every hundredth item's quantity and amounts), written once beside it.
// Each comparison runs in a fresh child process of this program, so its
// peak resident set size is the comparison's own: seconds, lines/s and peak
// RSS (goal: under 10 s and under 200 MB) are the counters, with the
// child's processor seconds beside the clock's, with the counts
// of changed lines as the proof of the same work.
//
//   compare_bench [benchmark flags]
//   compare_bench --compare-child count|xlsx OUT   (what each child runs)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine_settings.h"
#include "compare_sheet.h"
#include "child_run.h"
#include "large_report.h"
#include "message_service.h"
#include "report_compare.h"
#include "sample_reports.h"

namespace {

namespace fs = std::filesystem;
using zel::bench::dataDir;
using zel::bench::ensureLargeReport;
using zel::bench::kLargeLines;
using zel::bench::kLargeReport;

constexpr char kRevisedReport[] = "P_RPTB02_LARGE_REV.dbf";
constexpr long kChangeEvery = 100;  // of the item lines: 1 %

bool isItem(const zel::reportwriter::Line& line) {
  for (const auto& [k, v] : line)
    if (k == "F_TYPE") return v == "D" || v == "J";
  return false;
}

// The revision: every hundredth item line's quantity and amounts grow by one
// unit, so its numbers differ on the page.
bool ensureRevisedReport() {
  const std::string dir = dataDir();
  if (fs::exists(fs::path(dir) / kRevisedReport)) return true;
  std::fprintf(stderr, "writing the revision of %ld lines into %s ...\n", kLargeLines, dir.c_str());
  zel::reportwriter::ReportSpec spec = zel::reportwriter::largeReport(kLargeLines, 'P');
  spec.fileName = kRevisedReport;
  auto generate = spec.generate;
  long items = 0;
  spec.generate = [generate, &items](long index, zel::reportwriter::Line& line) {
    generate(index, line);
    if (!isItem(line) || items++ % kChangeEvery != 0) return;
    for (auto& [k, v] : line)
      if (k == "F_QQTY" || k == "F_MAK" || k == "F_HAK") v = std::to_string(std::stod(v) + 1);
  };
  const zel::Status s = zel::reportwriter::writeReport(dir, spec);
  if (!s) std::fprintf(stderr, "cannot write the revision: %s\n", s.message().c_str());
  return static_cast<bool>(s);
}

class CountingSink : public zel::CompareSink {
 public:
  void begin(const zel::CompareShape&) override {}
  void line(const zel::CompareLine&) override { ++lines; }
  void finish(const zel::CompareSummary& s) override { summary = s; }
  long lines = 0;
  zel::CompareSummary summary;
};

int compareChild(const std::string& what, const std::string& out) {
  zel::RecordingMessageService quiet;
  zel::EngineSettings env;
  env.SetDeleted(true);
  env.SetExact(true);
  const std::string oldPath = dataDir() + "/" + kLargeReport, newPath = dataDir() + "/" + kRevisedReport;
  zel::CompareSummary summary;
  if (what == "xlsx") {
    zel::CompareFileRequest request;
    request.path = out;
    const zel::CompareFilesOutcome o = zel::CompareToFiles(quiet, oldPath, newPath, {request});
    if (o.status != zel::CompareStatus::kDone) return 1;
    summary = o.summary;
  } else {
    CountingSink sink;
    if (zel::CompareReports(quiet, oldPath, newPath, sink) != zel::CompareStatus::kDone) return 1;
    summary = sink.summary;
  }
  for (const zel::Message& m : quiet.shown) std::fprintf(stderr, "message: %s\n", m.text.c_str());
  // The proof of the same work, read back by the parent.
  std::printf("%ld %ld %ld %ld\n", summary.matched, summary.changed, summary.added, summary.removed);
  return 0;
}

void compareWhole(benchmark::State& state, const char* what) {
  if (!ensureLargeReport() || !ensureRevisedReport()) return state.SkipWithError("no reports");
  const std::string out = (fs::path(dataDir()) / "compare.xlsx").string();
  const std::string counts = (fs::path(dataDir()) / "compare.counts").string();
  double peakMb = 0, seconds = 0, cpu = 0;
  for (auto _ : state) {
    const zel::bench::ChildRun run = zel::bench::runSelf({"--compare-child", what, out}, counts);
    if (!run.started) return state.SkipWithError("cannot start the comparison");
    state.SetIterationTime(run.seconds);
    seconds += run.seconds;
    if (!run.succeeded) return state.SkipWithError("the comparison failed");
    peakMb = std::max(peakMb, run.peakMb);
    cpu += run.cpuSeconds;
  }
  long matched = 0, changed = 0, added = 0, removed = 0;
  if (std::FILE* f = std::fopen(counts.c_str(), "r")) {
    if (std::fscanf(f, "%ld %ld %ld %ld", &matched, &changed, &added, &removed) != 4) matched = -1;
    std::fclose(f);
  }
  state.counters["seconds"] = seconds / static_cast<double>(state.iterations());
  // On a shared machine the child's processor time says more than the clock.
  state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
  state.counters["lines/s"] =
      2.0 * static_cast<double>(kLargeLines) * static_cast<double>(state.iterations()) / seconds;
  state.counters["peakRSS_MB"] = peakMb;
  state.counters["matched"] = static_cast<double>(matched);
  state.counters["changed"] = static_cast<double>(changed);
  state.counters["added"] = static_cast<double>(added + removed);
  if (fs::exists(out)) {
    state.counters["file_MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
    fs::remove(out);
  }
}

void BM_Compare1MLines(benchmark::State& state) { compareWhole(state, "count"); }
BENCHMARK(BM_Compare1MLines)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

void BM_CompareToXlsx1MLines(benchmark::State& state) { compareWhole(state, "xlsx"); }
BENCHMARK(BM_CompareToXlsx1MLines)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--compare-child") == 0) return compareChild(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
