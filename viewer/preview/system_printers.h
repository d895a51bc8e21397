// The system's printers (print queues) as the print step and the command line
// offer them: their names in the print server's order and the default one.
// Both are empty on a machine without printers or without a print server.
// Qt side; asks the print server each time, so a queue added or removed
// while the program runs is seen at the next print.
#pragma once

#include <QString>
#include <QStringList>

namespace zel {

struct SystemPrinters {
  QStringList names;
  QString defaultName;  // empty when the server names no default

  // The printer a job goes to when the user names none: the default, else
  // the first one; empty when there is none.
  QString preferred() const;
};

SystemPrinters systemPrinters();

}  // namespace zel
