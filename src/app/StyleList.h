#pragma once

#include <QComboBox>

// The style list: a name too long for the closed list ends in "…" there;
// the open list and the tooltip show it whole.
class StyleList : public QComboBox
{
    Q_OBJECT
public:
    explicit StyleList(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
