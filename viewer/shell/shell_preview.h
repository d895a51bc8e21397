// The preview window factory the shell puts into the main window's run
// services: each run gets a PreviewWindow over the main window, sharing the
// main window's preview context (the zoom kept in Info.INI, the last export
// choice).
#pragma once

namespace zel {

class MainWindow;

void installShellPreview(MainWindow& mainWindow);

}  // namespace zel
