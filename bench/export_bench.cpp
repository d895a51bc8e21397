// Export speed and memory on a generated report of a million lines (about
// 28,600 portrait pages; the report render_bench uses, written once into the
// data directory, ZEL_BENCH_DATA or the build's bench-data). Each export runs
// in a fresh child process of this program, so its peak resident set size is
// the export's own: lines/s and peak RSS (goal: >= 100,000 lines/s and
// < 100 MB) are the benchmark's counters.
//
//   export_bench [benchmark flags]
//   export_bench --export-child xlsx|csv|walk OUT   (what each child runs)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "run_services.h"
#include "engine_settings.h"
#include "export_file.h"
#include "export_layout.h"
#include "fake_printer.h"
#include "message_service.h"
#include "preview_handover.h"
#include "progress_dialog.h"
#include "report_lines.h"
#include "preview_session.h"
#include "report_runner.h"
#include "child_run.h"
#include "large_report.h"
#include "report_table.h"

namespace {

namespace fs = std::filesystem;
using zel::bench::dataDir;
using zel::bench::ensureLargeReport;
using zel::bench::kLargeLines;
using zel::bench::kLargeReport;

// The preview of the run: exports the whole report when shown.
class ExportingPreview : public zel::ReportPreview {
 public:
  ExportingPreview(zel::ExportRequest request, long& lines) : request_(std::move(request)), lines_(lines) {}
  void SetSession(const zel::PreviewSession& session) override { session_ = &session; }
  void SetPageInfo(const std::string&, const std::string& last, zel::ReportTable* table, const std::string&) override {
    request_.to = std::stoi(last);
    table_ = table;
  }
  void SetPaperOrientation(int) override {}
  void SetOnDrawPage(zel::DrawPageProc) override {}
  void SetOnPrintJob(zel::PrintJobProc) override {}
  void ShowModal() override {
    zel::ReportTableLines lines(*table_);
    const zel::TReportLayout& layout = session_->layout;
    if (request_.path.empty()) {
      // The walk alone: what reading the report costs without any file.
      struct Discard : zel::ExportSink {
        void line(const zel::ExportLine&) override {}
      } discard;
      lines_ = zel::ExportLines(layout, zel::MakeExportLayout(layout), lines, 1, request_.to, discard).lines;
      return;
    }
    lines_ = zel::ExportReportFile(layout, lines, request_, zel::RunServices{}.progressDialog()).lines;
  }

 private:
  zel::ExportRequest request_;
  long& lines_;
  const zel::PreviewSession* session_ = nullptr;
  zel::ReportTable* table_ = nullptr;
};

int exportChild(const std::string& format, const std::string& out) {
  zel::RecordingMessageService quiet;
  zel::EngineSettings env;
  env.SetDeleted(true);
  env.SetExact(true);
  zel::FakePrinter printer;
  zel::RunServices services;
  services.messages = &quiet;
  services.printer = &printer;
  zel::ExportRequest request;
  request.path = format == "walk" ? std::string() : out;
  request.format = format == "csv" ? zel::ExportFormat::kCsv : zel::ExportFormat::kXlsx;
  long lines = 0;
  services.preview = [&] { return std::make_unique<ExportingPreview>(request, lines); };
  zel::RunReport(services, dataDir(), kLargeReport);
  for (const zel::Message& m : quiet.shown) std::fprintf(stderr, "message: %s\n", m.text.c_str());
  return lines == kLargeLines ? 0 : 1;
}

void exportWhole(benchmark::State& state, const char* format) {
  if (!ensureLargeReport()) return state.SkipWithError("no report");
  const std::string out = (fs::path(dataDir()) / (std::string("export.") + format)).string();
  double peakMb = 0, seconds = 0;
  for (auto _ : state) {
    const zel::bench::ChildRun run = zel::bench::runSelf({"--export-child", format, out});
    if (!run.started) return state.SkipWithError("cannot start the export");
    state.SetIterationTime(run.seconds);
    seconds += run.seconds;
    if (!run.succeeded) return state.SkipWithError("the export failed");
    peakMb = std::max(peakMb, run.peakMb);
  }
  state.counters["lines/s"] = static_cast<double>(kLargeLines) * state.iterations() / seconds;
  state.counters["peakRSS_MB"] = peakMb;
  if (fs::exists(out)) {
    state.counters["file_MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
    fs::remove(out);
  }
}

void BM_ExportXlsx1MLines(benchmark::State& state) { exportWhole(state, "xlsx"); }
BENCHMARK(BM_ExportXlsx1MLines)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

void BM_ExportCsv1MLines(benchmark::State& state) { exportWhole(state, "csv"); }
BENCHMARK(BM_ExportCsv1MLines)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

// The lines read and their cells made, written nowhere: the share of the walk.
void BM_ExportWalkOnly1MLines(benchmark::State& state) { exportWhole(state, "walk"); }
BENCHMARK(BM_ExportWalkOnly1MLines)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--export-child") == 0) return exportChild(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
