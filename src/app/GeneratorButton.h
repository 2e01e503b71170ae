#pragma once

#include <QPushButton>

// The on/off button. Its caption holds the generator's state; for screen
// readers it is also a push button that is checked while the generator is
// on, so a change of state is announced as one (Orca passes over a button
// whose name changes under the focus). It looks like any push button.
class GeneratorButton : public QPushButton
{
    Q_OBJECT
public:
    explicit GeneratorButton(QWidget* parent = nullptr);

    // Mirrors the caption's state; does nothing when it is already shown.
    void showState(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
};
