// The zoom of the preview's two fit buttons, worked out from plain sizes: the
// largest zoom step at which the page (whole page) or its width (fit width)
// fits the scroll area, kept within the zoom limits. Sizes are device pixels;
// the page is the recorded picture at 100 %. No state, any thread.
#pragma once

namespace zel {

enum class FitKind { kWholePage, kWidth };

struct ZoomLimits {
  int min = 50;
  int max = 250;
  int step = 10;
};

struct FitArea {
  int width = 0;  // the scroll area's inside without scroll bars
  int height = 0;
  int scrollBarExtent = 0;  // taken off the width when the page is taller than the area
};

// The page at zoom Z covers round(page × Z / 100) pixels, the blank strip the
// preview leaves above and left of a scaled page included. Below the smallest
// step (an area smaller than the page at the minimum zoom) the minimum applies.
int fitZoom(FitKind kind, int pageWidth, int pageHeight, const FitArea& area, const ZoomLimits& limits = {});

}  // namespace zel
