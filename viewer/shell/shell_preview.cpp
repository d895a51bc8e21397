#include "shell_preview.h"

#include <memory>

#include "preview_handover.h"
#include "s_preview.h"
#include "zel_rpt_main.h"

namespace zel {

void installShellPreview(TfrmZelRptMain* mainWindow) {
  installPreviewFactory(
      [mainWindow]() -> std::unique_ptr<PreviewWindow> { return std::make_unique<TFM_Preview>(mainWindow); });
}

}  // namespace zel
