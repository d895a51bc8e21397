// DriverLoader: finds and loads the index driver library of a driver kind the
// first time it is needed, and keeps it loaded for the life of the process.
// Search order: $SDE_DRIVER_DIR alone when set; otherwise the directory that
// holds libsde32 itself, then the system's normal library search path.
#pragma once

#include <string>

#include "sde_driver.h"
#include "status.h"

namespace sde {

// The driver's description; a clear error naming the library when it is missing.
zel::Result<const SdeDriverInfo*> loadDriver(int kind);
// Library file name of a driver kind ("libsdecdx32.so"); "" for an unknown kind.
std::string driverLibraryName(int kind);

}  // namespace sde
