#include "app/Conversions.h"

#include "common/Failure.h"

#include <cmath>
#include <limits>
#include <QLocale>

double roundHalfEven(double value)
{
    return std::nearbyint(value); // the default rounding mode rounds halves to even
}

double leadingNumber(const QString& text)
{
    QString compact;
    for (QChar ch : text) {
        if (ch != ' ' && ch != '\t' && ch != '\n' && ch != '\r')
            compact += ch;
    }
    qsizetype i = 0;
    const qsizetype n = compact.size();
    auto digits = [&] {
        const qsizetype start = i;
        while (i < n && compact[i].isDigit() && compact[i].unicode() < 128)
            ++i;
        return i - start;
    };
    if (i < n && (compact[i] == '+' || compact[i] == '-'))
        ++i;
    qsizetype count = digits();
    if (i < n && compact[i] == '.') {
        ++i;
        count += digits();
    }
    if (count == 0)
        return 0;
    qsizetype end = i;
    if (i < n && (compact[i] == 'e' || compact[i] == 'E')) {
        ++i;
        if (i < n && (compact[i] == '+' || compact[i] == '-'))
            ++i;
        if (digits() > 0)
            end = i;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(compact.left(end), &ok);
    if (!ok || !std::isfinite(value))
        return 0;
    return value;
}

int toInt16(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || std::isnan(value))
        throw Failure("Type mismatch");
    const double rounded = roundHalfEven(value);
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        throw Failure("Overflow");
    return static_cast<int>(rounded);
}

QString applicationTitle(const QString& productName)
{
    QString t = productName;
    qsizetype space = t.lastIndexOf(' ');
    if (space < 0)
        return t;
    do {
        t = t.left(space);
        space = t.lastIndexOf(' ');
    } while (t.size() > 40 && space >= 0);
    return t;
}
