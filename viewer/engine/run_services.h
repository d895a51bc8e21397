// RunServices: what a report run talks to — the user (message boxes), the
// printer, the preview window and the two progress displays — in one object the
// caller passes to the runner. The ZelRpt program's main fills one for its main
// window; the command line, the benchmarks and the tests build their own.
// Nothing is owned; a missing service has a do-nothing stand-in.
#pragma once

#include <functional>

#include "preview_handover.h"

namespace zel {

class MessageService;
class Printer;
class ProgressDialog;
class StatusProgress;

struct RunServices {
  MessageService* messages = nullptr;  // nullptr: nothing shown, every question answered OK / Yes
  Printer* printer = nullptr;  // nullptr: no printer installed
  PreviewFactory preview;  // empty: the run prepares, shows nothing and cleans up
  ProgressDialog* progress = nullptr;  // nullptr: shows nothing and never cancels
  StatusProgress* status = nullptr;  // nullptr: no status bar
  // Asked during the walks over every record before a report is shown (an
  // interrupt on the command line); empty: never.
  std::function<bool()> stopRequested;

  MessageService& box() const;
  ProgressDialog& progressDialog() const;
  StatusProgress& statusProgress() const;
};

}  // namespace zel
