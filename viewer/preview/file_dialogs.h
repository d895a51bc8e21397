// The toolkit's file dialogs, sized and placed to fit the screen's available
// area: at a large scale factor the stock dialogs were taller than a small
// screen, with their buttons off it. Modal; user-interface thread only.
#pragma once

#include <QString>

class QWidget;

namespace zel {

// A file name to save to, starting at `suggested` (a folder and a proposed
// name); empty when cancelled. `filter` holds ";;"-separated filters; the
// chosen one is stored in *selectedFilter when given (its value on entry is
// selected first).
QString askSaveFileName(QWidget* parent, const QString& title, const QString& suggested, const QString& filter,
                        QString* selectedFilter = nullptr);

// An existing directory; empty when cancelled.
QString askExistingDirectory(QWidget* parent, const QString& title, const QString& start);

}  // namespace zel
