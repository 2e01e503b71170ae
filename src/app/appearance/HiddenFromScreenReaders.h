#pragma once

class QWidget;

// Keeps controls that lie outside the window from screen readers: once one
// of these is made, a control handed to hide() is offered to none, though it
// stays part of the window.
class HiddenFromScreenReaders
{
public:
    HiddenFromScreenReaders();

    void hide(QWidget& control);
};
