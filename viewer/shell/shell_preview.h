// The preview window factory the shell registers with the engine. With the
// preview window built in, the runner gets a TFM_Preview owned by the main
// window; without it, a stand-in that only reports the laid-out page count in
// the main window's status bar.
#pragma once

namespace zel {

class TfrmZelRptMain;

void installShellPreview(TfrmZelRptMain* mainWindow);

}  // namespace zel
