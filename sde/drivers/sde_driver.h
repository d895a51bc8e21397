/*
 * The contract between sde32 and its index driver libraries (sdecdx32,
 * sdentx32, sdensx32). Each driver exports sde_DriverDescribe(), which returns
 * a static description of the driver; sde32 loads the library the first time
 * a table is used with that driver kind.
 */
#ifndef SDE_DRIVER_H
#define SDE_DRIVER_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#  define SDE_DRIVER_API __declspec(dllexport)
#else
#  define SDE_DRIVER_API __attribute__((visibility("default")))
#endif

#define SDE_DRIVER_ABI 1
#define SDE_DRIVER_DESCRIBE "sde_DriverDescribe"

typedef struct SdeDriverInfo {
  int abi; /* SDE_DRIVER_ABI */
  int kind; /* SX_NTX, SX_FOX or SX_NSX */
  const char* name; /* "NTX", "CDX", "NSX" */
  const char* indexExt; /* ".ntx", ".cdx", ".nsx" */
  int compound; /* 1 when one index file holds many tags */
} SdeDriverInfo;

typedef const SdeDriverInfo* (*SdeDriverDescribeFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* SDE_DRIVER_H */
