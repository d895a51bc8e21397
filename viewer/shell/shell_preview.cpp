#include "shell_preview.h"

#include <memory>

#include "run_services.h"
#include "s_preview.h"
#include "zel_rpt_main.h"

namespace zel {

void installShellPreview(TfrmZelRptMain* mainWindow) {
  installedServices().preview = [mainWindow]() -> std::unique_ptr<PreviewWindow> {
    return std::make_unique<TFM_Preview>(mainWindow);
  };
}

}  // namespace zel
