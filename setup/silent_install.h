// The installation without windows: the same steps as the wizard (WIN.INI check,
// unpacking, library placement) into a directory given on the command line,
// created without asking; no restart. Messages go to stderr. Toolkit-free.
#pragma once

#include "setup_options.h"

namespace zel::setup {

// Returns the process exit status: 0 when everything was installed.
int runSilentInstall(const SetupOptions& options);

}  // namespace zel::setup
