#include "shell_preview.h"

#include <memory>

#include "run_services.h"
#include "s_preview.h"
#include "zel_rpt_main.h"

namespace zel {

void installShellPreview(TfrmZelRptMain* mainWindow) {
  RunServices& services = installedServices();
  services.preview = [mainWindow, &services]() -> std::unique_ptr<PreviewWindow> {
    return std::make_unique<TFM_Preview>(services, mainWindow);
  };
}

}  // namespace zel
