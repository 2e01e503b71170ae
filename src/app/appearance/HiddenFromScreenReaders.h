#pragma once

class QWidget;

// Keeps controls that lie outside the window from screen readers: while one
// of these lives, a control handed to hide() is offered to none, though it
// stays part of the window.
class HiddenFromScreenReaders
{
public:
    HiddenFromScreenReaders();
    ~HiddenFromScreenReaders();
    HiddenFromScreenReaders(const HiddenFromScreenReaders&) = delete;
    HiddenFromScreenReaders& operator=(const HiddenFromScreenReaders&) = delete;

    void hide(QWidget& control);
};
