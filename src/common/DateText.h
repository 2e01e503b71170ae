#pragma once

#include <optional>
#include <QDateTime>
#include <QString>

// Stored times use one fixed form whatever the locale, M/D/YYYY h:mm:ss AM/PM
// (only the date at midnight), so a change of locale cannot lose them.
QString formatGeneralDate(const QDateTime& value);

// Reads the fixed form back; ISO 8601 text is accepted too.
std::optional<QDateTime> parseGeneralDate(const QString& text);
