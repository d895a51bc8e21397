// Writes the fully filled benchmark report: write_filled_report DIR LINES.
// scripts/bench.sh uses it for the side-by-side export against an office suite.
#include <cstdio>
#include <cstdlib>

#include "filled_report.h"

int main(int argc, char** argv) {
  if (argc != 3 || std::atol(argv[2]) <= 0) {
    std::fprintf(stderr, "usage: write_filled_report DIR LINES\n");
    return 2;
  }
  return zel::bench::ensureFilledReport(argv[1], std::atol(argv[2])) ? 0 : 1;
}
