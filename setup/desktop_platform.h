// DesktopPlatform: PosixPlatform with the desktop's "open" action and the
// restart request to the session's login manager.
#pragma once

#include "posix_platform.h"

namespace zel::setup {

class DesktopPlatform : public PosixPlatform {
 public:
  using PosixPlatform::PosixPlatform;
  void openUrl(const std::string& url) override;
  bool restartSystem() override;
};

}  // namespace zel::setup
