#pragma once

#include <QComboBox>

// The style list: a name too long for the closed list ends in "…" there;
// the open list and the tooltip show it whole.
class StyleList : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
