#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString loadTranslations(QCoreApplication& app, const QString& programFolder)
{
    const QString folder = programFolder + kTranslationsFolder;
    for (QString language : QLocale().uiLanguages()) {
        language.replace('-', '_');
        // The texts are written in English: a desktop that puts English
        // before another language gets them as they are.
        if (language == "C" || language.startsWith("en"))
            return {};
        // de_AT falls back to de, as QTranslator strips the last part.
        auto* own = new QTranslator(&app);
        if (!own->load("hushwave_" + language, folder) || own->isEmpty()) {
            delete own;
            continue;
        }
        QCoreApplication::installTranslator(own);
        auto* qt = new QTranslator(&app);
        if (qt->load("qtbase_" + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        return own->language();
    }
    return {};
}
