#include "common/DateText.h"

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

    // A time that the clock skipped that day (spring forward) is no moment;
    // only its time of day matters, so take it on the day before.
    const qsizetype space = t.indexOf(' ');
    const QDate day = c.toDate(t.left(space), QStringLiteral("M/d/yyyy"));
    const QTime time = c.toTime(t.mid(space + 1), QStringLiteral("h:mm:ss AP"));
    if (space > 0 && day.isValid() && time.isValid())
        return QDateTime(day.addDays(-1), time);

    const QDateTime iso = QDateTime::fromString(t, Qt::ISODate);
    if (iso.isValid())
        return iso.toLocalTime();
    const QDate isoDate = QDate::fromString(t, Qt::ISODate);
    if (isoDate.isValid())
        return isoDate.startOfDay();
    return std::nullopt;
}
