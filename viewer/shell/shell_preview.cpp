#include "shell_preview.h"

#include <QLabel>
#include <memory>

#include "preview_handover.h"
#include "zel_rpt_main.h"
#ifdef ZEL_HAVE_PREVIEW_WINDOW
#include "s_preview.h"
#endif

namespace zel {

namespace {

class StatusBarPreview : public PreviewWindow {
 public:
  explicit StatusBarPreview(TfrmZelRptMain* window) : window_(window) {}
  void SetPageInfo(const std::string&, const std::string& lastPage, TZelTable*, const std::string&) override {
    lastPage_ = lastPage;
  }
  void SetPaperOrientation(int) override {}
  void SetOnDrawPage(DrawPageProc) override {}
  void SetOnPrintJob(PrintJobProc) override {}
  void ShowModal() override {
    window_->StatusBar1Panel->setText(QString::fromStdString(lastPage_) + QStringLiteral(" 페이지"));
  }

 private:
  TfrmZelRptMain* window_;
  std::string lastPage_;
};

}  // namespace

void installShellPreview(TfrmZelRptMain* mainWindow) {
#ifdef ZEL_HAVE_PREVIEW_WINDOW
  installPreviewFactory([mainWindow]() -> std::unique_ptr<PreviewWindow> {
    return std::make_unique<TFM_Preview>(mainWindow);
  });
#else
  installPreviewFactory([mainWindow]() -> std::unique_ptr<PreviewWindow> {
    return std::make_unique<StatusBarPreview>(mainWindow);
  });
#endif
}

}  // namespace zel
