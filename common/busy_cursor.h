// BusyCursor: the wait cursor for as long as it lives, around steps that can
// block the window for a noticeable time (a find over a long report, drawing
// a page, reading a directory). The window does not process events meanwhile,
// so the cursor is set at the start rather than after a delay. Message boxes
// shown inside such a step lift it (QtMessageService). User-interface thread only.
#pragma once

#include <QGuiApplication>

namespace zel {

class BusyCursor {
 public:
  BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace zel
