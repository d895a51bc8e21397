// The process-wide instances the windows install for the engine, with their
// do-nothing defaults, and the one run state.
#include "preview_handover.h"
#include "printer.h"
#include "progress_dialog.h"
#include "report_run.h"
#include "status_progress.h"

#include <utility>

namespace zel {
namespace {

class NullStatusProgress : public StatusProgress {
 public:
  void ShowStatusProgress(int) override {}
  void SetStatusProgress(int) override {}
  void HideStatusProgress() override {}
};

// Headless: never cancels, so a job without a dialog runs to its end.
class NullProgressDialog : public ProgressDialog {
 public:
  bool ShowProgress(int, const std::string&) override { return true; }
  bool StepProgress(int, int, const std::string&) override { return true; }
  bool CloseProgress() override { return true; }
  void ProcessPendingMessages() override {}
};

Printer* gPrinter = nullptr;
NullStatusProgress gNullStatus;
StatusProgress* gStatus = &gNullStatus;
NullProgressDialog gNullDialog;
ProgressDialog* gDialog = &gNullDialog;
PreviewFactory gPreviewFactory;

}  // namespace

Printer* currentPrinter() { return gPrinter; }
void installPrinter(Printer* printer) { gPrinter = printer; }

StatusProgress& statusProgress() { return *gStatus; }
void installStatusProgress(StatusProgress* progress) { gStatus = progress ? progress : &gNullStatus; }

ProgressDialog& progressDialog() { return *gDialog; }
void installProgressDialog(ProgressDialog* dialog) { gDialog = dialog ? dialog : &gNullDialog; }

void installPreviewFactory(PreviewFactory factory) { gPreviewFactory = std::move(factory); }
const PreviewFactory& previewFactory() { return gPreviewFactory; }

ReportRun& reportRun() {
  static ReportRun run;
  return run;
}

}  // namespace zel
