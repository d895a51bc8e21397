// Test support: a printer that records what the job asks of it and draws on a
// RecordingCanvas; `usable` false makes every set-up call fail (no printer).
#pragma once

#include <string>
#include <vector>

#include "printer.h"
#include "recording_canvas.h"

namespace zel {

class FakePrinter : public Printer {
 public:
  bool usable = true;
  PrinterCaps deviceCaps{4961, 7016, 600, 600, 4725, 6780, 118, 119};  // A4 at 600 dpi
  PaperOrientation orientation = PaperOrientation::kPortrait;
  int copies = 1;
  bool deviceCopies = true;  // what makesCopies answers
  std::vector<std::string> log;  // "begin", "page", "end", "map", "unmap"
  RecordingCanvas recording;

  bool setOrientation(PaperOrientation o) override {
    if (!usable) return false;
    orientation = o;
    return true;
  }
  bool setCopies(int n) override {
    if (!usable) return false;
    copies = n;
    return true;
  }
  bool makesCopies() override { return deviceCopies; }
  bool caps(PrinterCaps& out) override {
    if (!usable) return false;
    out = deviceCaps;
    if (orientation == PaperOrientation::kLandscape) {
      std::swap(out.physicalWidth, out.physicalHeight);
      std::swap(out.horzRes, out.vertRes);
      std::swap(out.printingOffsetX, out.printingOffsetY);
    }
    return true;
  }
  bool beginDocument() override {
    log.push_back("begin");
    return usable;
  }
  bool newPage() override {
    log.push_back("page");
    return true;
  }
  void endDocument() override { log.push_back("end"); }
  Canvas& canvas() override { return recording; }
  int setMetricMapping() override {
    log.push_back("map");
    return 1;
  }
  void restoreMapping(int) override { log.push_back("unmap"); }
};

}  // namespace zel
