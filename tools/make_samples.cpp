// make-samples: writes the bundled sample reports into a directory.
//   make-samples DIR                 the sample set
//   make-samples DIR --large N [L]   also one generated report of N lines (L: landscape)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sample_reports.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make-samples DIR [--large LINES [L]]\n");
    return 2;
  }
  const std::string dir = argv[1];
  zel::Status s = zel::reportwriter::writeSampleSet(dir);
  if (s && argc >= 4 && std::string(argv[2]) == "--large") {
    const long lines = std::atol(argv[3]);
    const char orientation = argc >= 5 && argv[4][0] == 'L' ? 'L' : 'P';
    s = zel::reportwriter::writeReport(dir, zel::reportwriter::largeReport(lines, orientation));
  }
  if (!s) {
    std::fprintf(stderr, "make-samples: %s\n", s.message().c_str());
    return 1;
  }
  return 0;
}
