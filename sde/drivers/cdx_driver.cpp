// The CDX index driver: describes cdx index files to sde32.
#include "sde_driver.h"

extern "C" SDE_DRIVER_API const SdeDriverInfo* sde_DriverDescribe(void) {
  static const SdeDriverInfo kInfo = {SDE_DRIVER_ABI, 2, "CDX", ".cdx", 1};
  return &kInfo;
}
