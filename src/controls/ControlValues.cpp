#include "controls/ControlValues.h"

#include "common/DateText.h"
#include "common/Failure.h"

#include <cmath>
#include <QAbstractButton>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

namespace
{
const char* const kInvalidValue = "Invalid property value";
}

bool setSliderValue(QSlider* slider, double value)
{
    if (!std::isfinite(value) || value < slider->minimum() || value > slider->maximum())
        throw Failure(kInvalidValue);
    const int v = static_cast<int>(value);
    if (slider->value() == v)
        return false;
    const QSignalBlocker blocker(slider);
    slider->setValue(v);
    return true;
}

bool setListIndex(QComboBox* list, int index)
{
    if (index < -1 || index >= list->count())
        throw Failure(kInvalidValue);
    if (list->currentIndex() == index)
        return false;
    const QSignalBlocker blocker(list);
    list->setCurrentIndex(index);
    return true;
}

void appendEntry(QComboBox* list, const QString& text)
{
    const QSignalBlocker blocker(list);
    const int selected = list->currentIndex();
    list->addItem(text);
    list->setCurrentIndex(selected);
}

bool setChecked(QAbstractButton* button, bool checked)
{
    if (button->isChecked() == checked)
        return false;
    const QSignalBlocker blocker(button);
    // An exclusive option button can only be cleared with exclusivity off.
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
    return true;
}

bool setPickerValue(QDateTimeEdit* picker, const QString& text)
{
    const auto value = parseGeneralDate(text);
    const QDateTime earliest(QDate(100, 1, 1), QTime(0, 0));
    const QDateTime latest(QDate(9999, 12, 31), QTime(23, 59, 59));
    if (!value || *value < earliest || *value > latest)
        throw Failure(kInvalidValue);
    if (picker->dateTime() == *value)
        return false;
    const QSignalBlocker blocker(picker);
    // A time-only format pins the date range to the current date; the
    // picker holds any date and time.
    picker->setDateTimeRange(earliest, latest);
    picker->setDateTime(*value);
    return true;
}

void enableTimer(QTimer* timer, bool enabled)
{
    if (enabled && !timer->isActive())
        timer->start();
    else if (!enabled)
        timer->stop();
}
