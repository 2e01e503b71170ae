#pragma once

#include <QDateTimeEdit>

// The time picker as a screen reader reads a spin box: Qt's reader takes
// "value", "minimum" and "maximum", which a date-time edit lacks (it would
// read 0 in a range of 0 to 0); here they are the time of day in seconds.
class TimePicker : public QDateTimeEdit
{
    Q_OBJECT
    Q_PROPERTY(int value READ secondOfDay)
    Q_PROPERTY(int minimum READ firstSecond CONSTANT)
    Q_PROPERTY(int maximum READ lastSecond CONSTANT)
public:
    using QDateTimeEdit::QDateTimeEdit;

    int secondOfDay() const { return time().msecsSinceStartOfDay() / 1000; }
    int firstSecond() const { return 0; }
    int lastSecond() const { return 24 * 60 * 60 - 1; }
};
