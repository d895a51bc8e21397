#include "shell_preview.h"

#include <memory>

#include "main_window.h"
#include "preview_window.h"
#include "run_services.h"

namespace zel {

void installShellPreview(MainWindow& mainWindow) {
  RunServices& services = mainWindow.services();
  services.preview = [&mainWindow, &services]() -> std::unique_ptr<ReportPreview> {
    return std::make_unique<PreviewWindow>(services, &mainWindow.previewContext(), &mainWindow);
  };
}

}  // namespace zel
