// Rendering speed on a generated report of a million lines (about 28,600
// portrait pages): time to the first previewed page, one middle page on the
// engine's recording canvas, into the page picture and into an 80-dpi image,
// and PDF export speed; the same on a fully filled bill (every line priced,
// bench/filled_report.h). The reports are written once into the data
// directory (ZEL_BENCH_DATA, default the build's bench-data) and reused.
//
//   render_bench [benchmark flags]   the timings
//   render_bench --peak-memory       exports the whole filled bill of a million
//                                    lines to PDF and prints the time and the
//                                    peak resident set size (ru_maxrss)
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <sys/resource.h>
#include <zlib.h>

// The library asks its users to say they follow its smart-pointer transition.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filled_report.h"
#include "message_service.h"
#include "page_heap.h"
#include "page_recorder.h"
#include "painter_canvas.h"
#include "preview_handover.h"
#include "printer.h"
#include "printer_layer.h"
#include "recording_canvas.h"
#include "report_runner.h"
#include "large_report.h"
#include "sample_reports.h"
#include "run_services.h"

namespace {

namespace fs = std::filesystem;
namespace rw = zel::reportwriter;

constexpr long kLines = zel::bench::kLargeLines;
constexpr const char* kReportName = zel::bench::kLargeReport;
using zel::bench::dataDir;
bool ensureReport() { return zel::bench::ensureLargeReport(); }

// A preview that only runs the given job when shown.
class JobPreview : public zel::ReportPreview {
 public:
  using Job = std::function<void(JobPreview&)>;
  explicit JobPreview(Job job) : job_(std::move(job)) {}
  void SetPageInfo(const std::string&, const std::string& last, zel::ReportTable* table, const std::string&) override {
    lastPage = std::stoi(last);
    this->table = table;
  }
  void SetPaperOrientation(int) override {}
  void SetOnDrawPage(zel::DrawPageProc proc) override { draw = std::move(proc); }
  void SetOnPrintJob(zel::PrintJobProc proc) override { print = std::move(proc); }
  void ShowModal() override { job_(*this); }

  int lastPage = 0;
  zel::ReportTable* table = nullptr;
  zel::DrawPageProc draw;
  zel::PrintJobProc print;

 private:
  Job job_;
};

bool ensureFilledReport() { return zel::bench::ensureFilledReport(dataDir(), kLines); }

// Runs the report with job as the preview's showing; the printer is the
// built-in PDF printer writing to pdfFile (may be empty when nothing prints).
void runReport(const std::string& pdfFile, JobPreview::Job job, const char* reportName = kReportName) {
  auto printer = zel::PrinterLayer::pdfPrinter(QString::fromStdString(pdfFile));
  zel::RecordingMessageService quiet;
  zel::RunServices services;
  services.messages = &quiet;
  services.printer = printer.get();
  services.preview = [job] { return std::make_unique<JobPreview>(job); };
  zel::RunReport(services, dataDir(), reportName);
  for (const zel::Message& m : quiet.shown) std::fprintf(stderr, "message: %s\n", m.text.c_str());
}

// The engine's recording canvas as the page picture: what the renderer costs
// without any drawing.
class RecordingPageRecorder : public zel::PageRecorder {
 public:
  zel::Canvas& beginPage(int, int) override {
    canvas = zel::RecordingCanvas();
    return canvas;
  }
  void paintPaper() override {}
  void setPageWindow(int, int) override {}
  void restoreMapping() override {}
  void endPage() override {}
  zel::RecordingCanvas canvas;
};

// Draws straight into an image of the picture's size (80 pixels per inch).
class ImagePageRecorder : public zel::PageRecorder {
 public:
  zel::Canvas& beginPage(int width, int height) override {
    image = QImage(width, height, QImage::Format_RGB32);
    painter = std::make_unique<QPainter>(&image);
    canvas = std::make_unique<zel::PainterCanvas>(*painter);
    return *canvas;
  }
  void paintPaper() override { painter->fillRect(image.rect(), Qt::white); }
  void setPageWindow(int w, int h) override { canvas->setAnisotropicMapping(QSizeF(w, h), QSizeF(image.size())); }
  void restoreMapping() override { canvas->setDeviceMapping(); }
  void endPage() override {
    canvas.reset();
    painter->end();
    painter.reset();
  }
  QImage image;
  std::unique_ptr<QPainter> painter;
  std::unique_ptr<zel::PainterCanvas> canvas;
};

// Checks, open, settings, layout, page order, and page 1 recorded into the
// page picture: what the user waits for before the preview shows.
void BM_TimeToFirstPage(benchmark::State& state) {
  if (!ensureReport()) return state.SkipWithError("no report");
  long pages = 0;
  for (auto _ : state) {
    runReport({}, [&](JobPreview& p) {
      zel::PicturePageRecorder picture;
      p.draw(picture, 1, p.table);
      pages = p.lastPage;
      benchmark::DoNotOptimize(picture.picture().size());
      // Measured up to the recorded page; closing the run is not waited for.
      state.PauseTiming();
    });
    state.ResumeTiming();
  }
  state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_TimeToFirstPage)->Unit(benchmark::kMillisecond)->Iterations(3);

template <typename Recorder>
void drawMiddlePage(benchmark::State& state, Recorder& recorder, const std::function<void(Recorder&)>& after,
                    const char* reportName = kReportName) {
  if (!(reportName == kReportName ? ensureReport() : ensureFilledReport())) return state.SkipWithError("no report");
  runReport(
      {},
      [&](JobPreview& p) {
        const int middle = p.lastPage / 2;
        for (auto _ : state) {
          p.draw(recorder, middle, p.table);
          if (after) after(recorder);
        }
      },
      reportName);
}

void BM_MiddlePageRecordingCanvas(benchmark::State& state) {
  RecordingPageRecorder recorder;
  drawMiddlePage<RecordingPageRecorder>(state, recorder, {});
  state.counters["calls"] = static_cast<double>(recorder.canvas.calls.size());
}
BENCHMARK(BM_MiddlePageRecordingCanvas)->Unit(benchmark::kMicrosecond);

void BM_MiddlePagePicture(benchmark::State& state) {
  zel::PicturePageRecorder recorder;
  drawMiddlePage<zel::PicturePageRecorder>(state, recorder, {});
  state.counters["bytes"] = static_cast<double>(recorder.picture().size());
}
BENCHMARK(BM_MiddlePagePicture)->Unit(benchmark::kMicrosecond);

void BM_MiddlePageImage80Dpi(benchmark::State& state) {
  ImagePageRecorder recorder;
  drawMiddlePage<ImagePageRecorder>(state, recorder, {});
}
BENCHMARK(BM_MiddlePageImage80Dpi)->Unit(benchmark::kMillisecond);

void BM_FilledMiddlePageImage80Dpi(benchmark::State& state) {
  ImagePageRecorder recorder;
  drawMiddlePage<ImagePageRecorder>(state, recorder, {}, zel::bench::kFilledReportName);
}
BENCHMARK(BM_FilledMiddlePageImage80Dpi)->Unit(benchmark::kMillisecond);

// The preview path in full: record the picture, then play it at 100 %.
void BM_MiddlePagePictureShown(benchmark::State& state) {
  zel::PicturePageRecorder recorder;
  QImage shown;
  drawMiddlePage<zel::PicturePageRecorder>(state, recorder, [&shown](zel::PicturePageRecorder& r) {
    shown = QImage(r.pageSize(), QImage::Format_RGB32);
    shown.fill(Qt::white);
    QPainter painter(&shown);
    painter.drawPicture(0, 0, r.picture());
  });
}
BENCHMARK(BM_MiddlePagePictureShown)->Unit(benchmark::kMillisecond);

// The same on the fully filled bill, whose cells are squeezed to fit.
void BM_FilledMiddlePagePictureShown(benchmark::State& state) {
  zel::PicturePageRecorder recorder;
  QImage shown;
  drawMiddlePage<zel::PicturePageRecorder>(
      state, recorder,
      [&shown](zel::PicturePageRecorder& r) {
        shown = QImage(r.pageSize(), QImage::Format_RGB32);
        shown.fill(Qt::white);
        QPainter painter(&shown);
        painter.drawPicture(0, 0, r.picture());
      },
      zel::bench::kFilledReportName);
  state.counters["bytes"] = static_cast<double>(recorder.picture().size());
}
BENCHMARK(BM_FilledMiddlePagePictureShown)->Unit(benchmark::kMillisecond);

// PrintPages over 1,000 pages into a PDF file.
void BM_PdfExport1000Pages(benchmark::State& state) {
  if (!ensureReport()) return state.SkipWithError("no report");
  const std::string pdf = (fs::path(dataDir()) / "export.pdf").string();
  constexpr int kPages = 1000;
  for (auto _ : state) {
    runReport(pdf, [&](JobPreview& p) { p.print(zel::PrintJob{p.lastPage / 2, p.lastPage / 2 + kPages - 1, 1, 1}); });
  }
  state.counters["pages/s"] = benchmark::Counter(double(kPages) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["MB"] = static_cast<double>(fs::file_size(pdf)) / 1e6;
  fs::remove(pdf);
}
BENCHMARK(BM_PdfExport1000Pages)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// The same over 1,000 pages of the fully filled bill.
void BM_FilledPdfExport1000Pages(benchmark::State& state) {
  if (!ensureFilledReport()) return state.SkipWithError("no report");
  const std::string pdf = (fs::path(dataDir()) / "export-filled.pdf").string();
  constexpr int kPages = 1000;
  for (auto _ : state) {
    runReport(
        pdf,
        [&](JobPreview& p) {
          p.print(zel::PrintJob{p.lastPage / 2, p.lastPage / 2 + kPages - 1, 1, 1});
        },
        zel::bench::kFilledReportName);
  }
  state.counters["pages/s"] = benchmark::Counter(double(kPages) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["MB"] = static_cast<double>(fs::file_size(pdf)) / 1e6;
  fs::remove(pdf);
}
BENCHMARK(BM_FilledPdfExport1000Pages)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The page contents of 200 filled pages as Qt's PDF writer makes them,
// uncompressed: what its compression costs, and what another compressor or
// level would cost at what size.
const std::vector<std::string>& filledPageContents() {
  static std::vector<std::string> contents;
  if (!contents.empty() || !ensureFilledReport()) return contents;
  const std::string pdf = (fs::path(dataDir()) / "contents.pdf").string();
  runReport(
      pdf,
      [&](JobPreview& p) {
        p.print(zel::PrintJob{p.lastPage / 2, p.lastPage / 2 + 199, 1, 1});
      },
      zel::bench::kFilledReportName);
  QPDF file;
  file.processFile(pdf.c_str());
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(file).getAllPages()) {
    const std::shared_ptr<Buffer> data = page.getObjectHandle().getKey("/Contents").getStreamData(qpdf_dl_generalized);
    contents.emplace_back(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
  }
  fs::remove(pdf);
  return contents;
}

// Arguments: the compressor (0 zlib, 1 libdeflate) and its level.
void BM_PageContentDeflate(benchmark::State& state) {
  const std::vector<std::string>& contents = filledPageContents();
  if (contents.empty()) return state.SkipWithError("no report");
  const bool fast = state.range(0) == 1;
  const int level = static_cast<int>(state.range(1));
  libdeflate_compressor* compressor = fast ? libdeflate_alloc_compressor(level) : nullptr;
  std::vector<unsigned char> out;
  std::size_t in = 0, packed = 0;
  for (auto _ : state) {
    for (const std::string& page : contents) {
      out.resize(compressBound(static_cast<uLong>(page.size())) + 64);
      std::size_t size = out.size();
      if (fast) {
        size = libdeflate_zlib_compress(compressor, page.data(), page.size(), out.data(), out.size());
      } else {
        uLongf length = static_cast<uLongf>(out.size());
        compress2(out.data(), &length, reinterpret_cast<const Bytef*>(page.data()), static_cast<uLong>(page.size()),
                  level);
        size = length;
      }
      in += page.size();
      packed += size;
    }
  }
  if (compressor) libdeflate_free_compressor(compressor);
  state.SetLabel(fast ? "libdeflate" : "zlib");
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(in) / 1e6, benchmark::Counter::kIsRate);
  state.counters["size%"] = 100.0 * static_cast<double>(packed) / static_cast<double>(in);
  state.counters["page KB"] = static_cast<double>(in) / 1e3 / static_cast<double>(state.iterations() * contents.size());
}
BENCHMARK(BM_PageContentDeflate)
    ->ArgsProduct({{0}, {1, 5, 6}})
    ->ArgsProduct({{1}, {1, 3, 4, 5, 6}})
    ->Unit(benchmark::kMillisecond);

int peakMemoryRun() {
  if (!ensureFilledReport()) return 1;
  const std::string pdf = (fs::path(dataDir()) / "whole.pdf").string();
  int pages = 0;
  const auto start = std::chrono::steady_clock::now();
  runReport(
      pdf,
      [&](JobPreview& p) {
        pages = p.lastPage;
        p.print(zel::PrintJob{1, p.lastPage, 1, 1});
      },
      zel::bench::kFilledReportName);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("whole filled report: %d pages to PDF in %.1f s (%.0f pages/s), %.1f MB file, peak RSS %.1f MB\n", pages,
              seconds, pages / seconds, fs::exists(pdf) ? fs::file_size(pdf) / 1e6 : 0.0, usage.ru_maxrss / 1024.0);
  fs::remove(pdf);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  zel::KeepPageBuffersInTheHeap();  // as the programs do
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "--peak-memory") == 0) return peakMemoryRun();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
