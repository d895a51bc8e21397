// The installation without windows: the same steps as the wizard (WIN.INI check,
// unpacking, library placement) into a directory given on the command line,
// created without asking; no restart. Messages go to the service the program
// gives (standard error). Toolkit-free.
#pragma once

#include <cstdio>

#include "progress_view.h"
#include "setup_options.h"
#include "setup_services.h"

namespace zel::setup {

// Returns the process exit status: 0 when everything was installed. Questions
// put to messages are to be answered yes (directories are made without asking).
// A stop requested by a signal (or a console event) ends the process as that
// signal would, after the run is taken back. view: who watches the gauges
// (none by default). state: the run's values, fresh from the caller.
int runSilentInstall(const SetupOptions& options, MessageService& messages, SetupState& state,
                     ProgressView* view = nullptr);

// setup --uninstall: removes the installation in options.target, else the one
// recorded for this user, else the default directory's, and writes what it
// removed and kept to out. 0 also when there was nothing to remove (it says so).
int runUninstall(const SetupOptions& options, std::FILE* out);

// The same from the desktop's action, through the services' message boxes and
// platform: asks first ("ZelRpt 제거"), then says what it removed and kept.
// 1 when the user said no.
int runUninstallAsking(const SetupServices& services, const SetupOptions& options);

}  // namespace zel::setup
