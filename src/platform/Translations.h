#pragma once
// Qt's own texts (the file, colour and input dialogs, standard button captions, the
// context menu of a text box) in the user's language, from the catalogs Qt installs
// (qtbase_*.qm in Qt's translations folder).

#include <QString>

class QCoreApplication;

namespace Translations {

// Installs Qt's catalog for the default locale (QLocale(): the system's unless a default
// was set). The program's own texts are Japanese, so a locale Qt has no catalog for, and
// the C, POSIX and English locales, get the Japanese one. A second call replaces what
// the first installed. Returns the catalog's language ("ja", "de", ...), or an empty
// string when no catalog could be loaded (Qt's translations are not installed): Qt's
// texts then stay English.
QString install(QCoreApplication& app);

// Takes away what install() put in place.
void uninstall(QCoreApplication& app);

}  // namespace Translations
