// The NSX index driver: describes nsx index files to sde32.
#include "sde_driver.h"

extern "C" SDE_DRIVER_API const SdeDriverInfo* sde_DriverDescribe(void) {
  static const SdeDriverInfo kInfo = {SDE_DRIVER_ABI, 3, "NSX", ".nsx", 1};
  return &kInfo;
}
