// CanvasCall: one call made on a Canvas, written down to be looked at (tests'
// RecordingCanvas) or played again later (the command line's page tapes).
#pragma once

#include <string>

#include "canvas.h"

namespace zel {

struct CanvasCall {
  enum class Op {
    kPenWidth,
    kMoveTo,
    kLineTo,
    kRectangle,
    kSelectFont,
    kRestoreFont,
    kTextColor,
    kText,
    kWindowOrigin,
    // A printer's mapping changes, kept by page tapes between canvas calls.
    kMetricMapping,  // Printer::setMetricMapping
    kRestoreMapping,  // Printer::restoreMapping(a)
  };
  Op op = Op::kPenWidth;
  int a = 0, b = 0, c = 0, d = 0;  // coordinates / width / colour, by op
  std::string text;  // kText: CP949 text; kSelectFont: face name
  unsigned flags = 0;  // kText
  double scale = 1;  // kText: horizontal squeeze
  LogicalFont font;  // kSelectFont
};

}  // namespace zel
