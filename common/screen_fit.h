// Keeps a top-level window inside the screen's available area (the screen less
// panels and docks): no larger than the area, frame included, and never placed
// off it. For windows whose designed size can exceed a small screen or a
// large scale factor. User-interface thread only.
#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace zel {

// The frame a window manager adds around a window not yet shown (title bar and
// borders); a shown window's real frame replaces it.
inline constexpr int kAssumedFrameWidth = 8;
inline constexpr int kAssumedFrameHeight = 32;

// The client rectangle for a window that wants `wanted` and sits at `current`
// (client coordinates), with `frame` the size its frame adds: shrunk to fit
// `area`, then moved inside it. Plain geometry, any thread.
QRect fitClientRect(const QRect& current, const QSize& wanted, const QSize& frame, const QRect& area);

// Applies fitClientRect to window on its screen (the primary one before it is
// shown). A window that must shrink loses its minimum size, so it can.
void keepOnScreen(QWidget& window);

}  // namespace zel
