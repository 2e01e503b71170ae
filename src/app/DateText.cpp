#include "app/DateText.h"

#include <QLocale>

QString formatGeneralDate(const QDateTime& value)
{
    const QLocale c = QLocale::c();
    if (value.time() == QTime(0, 0))
        return c.toString(value.date(), QStringLiteral("M/d/yyyy"));
    return c.toString(value, QStringLiteral("M/d/yyyy h:mm:ss AP"));
}

std::optional<QDateTime> parseGeneralDate(const QString& text)
{
    const QLocale c = QLocale::c();
    const QString t = text.trimmed();
    for (const char* format : {"M/d/yyyy h:mm:ss AP", "M/d/yyyy h:mm AP", "M/d/yyyy H:mm:ss"}) {
        const QDateTime dt = c.toDateTime(t, QString::fromLatin1(format));
        if (dt.isValid())
            return dt;
    }
    const QDate date = c.toDate(t, QStringLiteral("M/d/yyyy"));
    if (date.isValid())
        return date.startOfDay();

    const QDateTime iso = QDateTime::fromString(t, Qt::ISODate);
    if (iso.isValid())
        return iso.toLocalTime();
    const QDate isoDate = QDate::fromString(t, Qt::ISODate);
    if (isoDate.isValid())
        return isoDate.startOfDay();
    return std::nullopt;
}
