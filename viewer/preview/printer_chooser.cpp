#include "printer_chooser.h"

#include <QInputDialog>
#include <algorithm>

namespace zel {

QString askForPrinter(QWidget* parent, const QStringList& names, const QString& current) {
  bool ok = false;
  const int index = std::max(0, static_cast<int>(names.indexOf(current)));
  const QString chosen =
      QInputDialog::getItem(parent, QStringLiteral("프린터 선택"), QStringLiteral("프린터:"), names, index, false, &ok);
  return ok ? chosen : QString();
}

}  // namespace zel
