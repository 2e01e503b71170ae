#pragma once

#include <QString>

class QAbstractButton;
class QComboBox;
class QDateTimeEdit;
class QSlider;
class QTimer;

// Assigning control values from code. Each refuses a value the control
// cannot hold with "Invalid property value", as the designer controls did,
// and returns whether the value changed, so the caller can run the change
// handler the way a user's change would. Signals are blocked meanwhile.

bool setSliderValue(QSlider* slider, double value);
bool setListIndex(QComboBox* list, int index);
// Appends an entry without selecting it, as a designer list does.
void appendEntry(QComboBox* list, const QString& text);
bool setChecked(QAbstractButton* button, bool checked);
bool setPickerValue(QDateTimeEdit* picker, const QString& text);

// A timer's enabled flag: enabling one that runs keeps its phase.
void enableTimer(QTimer* timer, bool enabled);
