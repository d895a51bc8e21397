// The NTX index driver: describes ntx index files to sde32.
#include "sde_driver.h"

extern "C" SDE_DRIVER_API const SdeDriverInfo* sde_DriverDescribe(void) {
  static const SdeDriverInfo kInfo = {SDE_DRIVER_ABI, 1, "NTX", ".ntx", 0};
  return &kInfo;
}
