#include "run_services.h"

#include "message_service.h"
#include "progress_dialog.h"
#include "status_progress.h"

namespace zel {
namespace {

class NullStatusProgress : public StatusProgress {
 public:
  void ShowStatusProgress(int) override {}
  void SetStatusProgress(int) override {}
  void HideStatusProgress() override {}
};

// Headless: never cancels, so a job without a dialog runs to its end.
class NullProgressDialog : public ProgressDialog {
 public:
  bool ShowProgress(int, const std::string&) override { return true; }
  bool StepProgress(int, int, const std::string&) override { return true; }
  bool CloseProgress() override { return true; }
  void ProcessPendingMessages() override {}
};

NullStatusProgress gNullStatus;
NullProgressDialog gNullDialog;
SilentMessageService gSilentMessages;

}  // namespace

MessageService& RunServices::box() const { return messages ? *messages : gSilentMessages; }
ProgressDialog& RunServices::progressDialog() const { return progress ? *progress : gNullDialog; }
StatusProgress& RunServices::statusProgress() const { return status ? *status : gNullStatus; }

}  // namespace zel
