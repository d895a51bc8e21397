// The toolkit's own words (standard buttons, the directory chooser, the file
// dialogs) in Korean, like the rest of the programs: loads Debian's
// qtbase_ko.qm (package qt6-translations-l10n) from Qt's translation directory.
#pragma once

class QCoreApplication;
class QTranslator;

namespace zel {

// Installs the Korean translation of the toolkit on app; the translator is
// owned by app. Returns nullptr (and the toolkit stays English) when the
// translation file is missing.
QTranslator* installQtTranslations(QCoreApplication& app);

}  // namespace zel
