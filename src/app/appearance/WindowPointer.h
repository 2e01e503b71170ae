#pragma once

#include <optional>
#include <QCursor>
#include <QObject>

class QWidget;

// The window's pointer: one setting for the whole window, the default arrow
// (0) or the custom pointer (99), which is the mouse icon when one is loaded
// and the arrow otherwise. Watched controls set it as the mouse moves over
// them; other controls leave it as it is.
class WindowPointer : public QObject
{
public:
    static constexpr int Default = 0;
    static constexpr int Custom = 99;

    // Watches the window's own background, which sets the default pointer.
    explicit WindowPointer(QWidget& window);

    // The mouse icon; the setting stays as it is.
    void setMouseIcon(const QCursor& cursor);
    bool hasMouseIcon() const { return m_icon.has_value(); }

    int mousePointer() const { return m_pointer; }
    void setMousePointer(int value);

    // Mouse over `control` sets `value`. A container (frame) counts only
    // where none of its controls lies; any other control counts as a whole.
    void watch(QWidget* control, int value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show();

    QWidget& m_window;
    std::optional<QCursor> m_icon;
    int m_pointer = Default;
};
