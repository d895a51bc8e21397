// The printer chooser of the print step: when the system has several
// printers, the print button lists them with the one in use selected, and the
// job goes to the one picked. Modal; an empty answer means the user cancelled.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace zel {

QString askForPrinter(QWidget* parent, const QStringList& names, const QString& current);

}  // namespace zel
