// NativePlatform: the toolkit-free SetupPlatform of the machine the installer
// is built for (WindowsPlatform on Windows, PosixPlatform elsewhere).
#pragma once

#ifdef _WIN32
#  include "windows_platform.h"
namespace zel::setup {
using NativePlatform = WindowsPlatform;
}  // namespace zel::setup
#else
#  include "posix_platform.h"
namespace zel::setup {
using NativePlatform = PosixPlatform;
}  // namespace zel::setup
#endif
