#pragma once

#include <QString>

class QCoreApplication;

// Where the program folder keeps hushwave_<language>.qm.
inline const char* const kTranslationsFolder = "/translations";

// Installs the program's translation for the first of the desktop's UI
// languages (QLocale::uiLanguages(), which follows LANGUAGE and LANG) that
// is English or has one, with Qt's own for the standard buttons. Returns the
// language taken, empty for English.
QString loadTranslations(QCoreApplication& app, const QString& programFolder);
