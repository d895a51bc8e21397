// The million-line report the render and export benchmarks share: where it
// lives (ZEL_BENCH_DATA, else the build's bench-data folder) and writing it
// once with the project's report writer. ZEL_BENCH_DATA_DIR comes from CMake.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "sample_reports.h"

namespace zel::bench {

inline constexpr long kLargeLines = 1000000;
inline constexpr char kLargeReport[] = "P_RPTB02_LARGE.dbf";

inline std::string dataDir() {
  const char* env = std::getenv("ZEL_BENCH_DATA");
  return env && *env ? env : std::string(ZEL_BENCH_DATA_DIR);
}

inline bool ensureLargeReport() {
  const std::string dir = dataDir();
  if (std::filesystem::exists(std::filesystem::path(dir) / kLargeReport)) return true;
  std::filesystem::create_directories(dir);
  std::fprintf(stderr, "writing %ld lines into %s ...\n", kLargeLines, dir.c_str());
  const Status s = reportwriter::writeReport(dir, reportwriter::largeReport(kLargeLines, 'P'));
  if (!s) std::fprintf(stderr, "cannot write the report: %s\n", s.message().c_str());
  return static_cast<bool>(s);
}

}  // namespace zel::bench
