// Toolbar pictures of the preview window, drawn with QPainter from simple
// vector shapes so they stay crisp at any size and device pixel ratio. The
// icons are value types (QIcon); each owns its own small engine.
#pragma once

#include <QIcon>

class QPainter;
class QRectF;

namespace zel {

enum class ToolbarIcon {
  kClose,
  kPrint,
  kFitPage,
  kFitWidth,
  kZoomIn,
  kZoomOut,
  kFirst,
  kPrior,
  kNext,
  kLast,
  kSearch,
  kExport,  // the lines saved as a spreadsheet
};

QIcon toolbarIcon(ToolbarIcon which);

// Draws the picture into rect; disabled pictures are drawn in grey.
void paintToolbarIcon(QPainter& painter, const QRectF& rect, ToolbarIcon which, QIcon::Mode mode);

}  // namespace zel
