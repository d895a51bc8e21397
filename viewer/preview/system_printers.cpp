#include "system_printers.h"

#include <QPrinterInfo>

namespace zel {

QString SystemPrinters::preferred() const {
  if (!defaultName.isEmpty() && names.contains(defaultName)) return defaultName;
  return names.isEmpty() ? QString() : names.first();
}

SystemPrinters systemPrinters() {
  SystemPrinters printers;
  printers.names = QPrinterInfo::availablePrinterNames();
  printers.defaultName = QPrinterInfo::defaultPrinterName();
  return printers;
}

}  // namespace zel
