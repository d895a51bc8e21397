// Preview window speed on a generated report of a million lines (about 28,600
// portrait pages): changing the shown page to a middle page through the page
// field (record the page picture once, then paint the surface at 100 %), and
// repainting the same page after a zoom change (no recording). The report is
// written once into the data directory (ZEL_BENCH_DATA, default the build's bench-data)
// and reused; ZEL_BENCH_LINES changes its size.
//
//   preview_bench [benchmark flags]
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArrayView>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "message_service.h"
#include "num_edit.h"
#include "preview_handover.h"
#include "printer_layer.h"
#include "report_runner.h"
#include "preview_window.h"
#include "page_view.h"
#include "preview_toolbar.h"
#include "sample_reports.h"
#include "run_services.h"

namespace {

namespace fs = std::filesystem;
namespace rw = zel::reportwriter;

long lineCount() {
  const char* env = std::getenv("ZEL_BENCH_LINES");
  return env && *env ? std::atol(env) : 1000000;
}

std::string dataDir() {
  const char* env = std::getenv("ZEL_BENCH_DATA");
  const std::string base = env && *env ? env : std::string(ZEL_BENCH_DATA_DIR);
  // The million-line file is shared with the other benchmarks; other sizes get their own folder.
  return lineCount() == 1000000 ? base : base + "/lines-" + std::to_string(lineCount());
}

constexpr char kReportName[] = "P_RPTB02_LARGE.dbf";

bool ensureReport() {
  const std::string dir = dataDir();
  if (fs::exists(fs::path(dir) / kReportName)) return true;
  fs::create_directories(dir);
  std::fprintf(stderr, "writing %ld lines into %s ...\n", lineCount(), dir.c_str());
  const zel::Status s = rw::writeReport(dir, rw::largeReport(lineCount(), 'P'));
  if (!s) std::fprintf(stderr, "cannot write the report: %s\n", s.message().c_str());
  return static_cast<bool>(s);
}

// Opens the report in a real preview window and runs body while it is shown.
void withPreview(const std::function<void(zel::PreviewWindow&)>& body) {
  auto printer = zel::PrinterLayer::pdfPrinter(QString());
  // The preview window asks the run's services for its printer.
  zel::RecordingMessageService quiet;
  zel::RunServices services;
  services.messages = &quiet;
  services.printer = printer.get();
  zel::PreviewContext context;
  context.hooks.runPreview = [&](zel::PreviewWindow& window) {
    window.resize(1280, 1024);
    QApplication::processEvents();
    body(window);
  };
  services.preview = [&services, &context] { return std::make_unique<zel::PreviewWindow>(services, &context); };
  zel::RunReport(services, dataDir(), kReportName);
  for (const zel::Message& m : quiet.shown) std::fprintf(stderr, "message: %s\n", m.text.c_str());
}

// Page change to a middle page: the field's change handler records the page
// picture, then the surface is painted at 100 %. Two neighbouring pages take
// turns so that every iteration is a real change.
void BM_PreviewMiddlePageChange(benchmark::State& state) {
  if (!ensureReport()) return state.SkipWithError("no report");
  quint16 checksum = 0;
  int pages = 0;
  withPreview([&](zel::PreviewWindow& w) {
    pages = w.session()->lastPage;
    const int middle = w.session()->lastPage / 2;
    const int before = w.recordCount();
    int turn = 0;
    for (auto _ : state) {
      w.toolBar->pageField->SetValue(middle + (turn++ & 1));
      w.pageView->surface->repaint();
    }
    if (w.recordCount() - before != turn) state.SkipWithError("a page change did not record");
    w.toolBar->pageField->SetValue(middle);
    const QByteArray data(w.pageView->picture().data(), static_cast<qsizetype>(w.pageView->picture().size()));
    checksum = qChecksum(QByteArrayView(data));
  });
  state.counters["pages"] = pages;
  state.counters["picture_checksum"] = checksum;
}
BENCHMARK(BM_PreviewMiddlePageChange)->Unit(benchmark::kMillisecond);

// Zooming replays the recorded picture only.
void BM_PreviewZoomRepaint(benchmark::State& state) {
  if (!ensureReport()) return state.SkipWithError("no report");
  withPreview([&](zel::PreviewWindow& w) {
    w.toolBar->pageField->SetValue(w.session()->lastPage / 2);
    const int before = w.recordCount();
    int turn = 0;
    for (auto _ : state) {
      if (turn++ & 1) {
        w.pageView->zoomIn();
      } else {
        w.pageView->zoomOut();
      }
      w.pageView->surface->repaint();
    }
    if (w.recordCount() != before) state.SkipWithError("zooming recorded the page again");
  });
}
BENCHMARK(BM_PreviewZoomRepaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
