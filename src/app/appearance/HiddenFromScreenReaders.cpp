#include "app/appearance/HiddenFromScreenReaders.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace
{
const char* const kHidden = "hiddenFromScreenReaders";

class HiddenAccessible : public QAccessibleWidget
{
public:
    explicit HiddenAccessible(QWidget* widget) : QAccessibleWidget(widget) {}
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        state.offscreen = true;
        state.focusable = false;
        return state;
    }
};

QAccessibleInterface* hiddenAccessibleFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget && widget->property(kHidden).toBool())
        return new HiddenAccessible(widget);
    return nullptr;
}

// Qt keeps one list of factories for the process, and a window made while
// another still lives (a test's next one) must not lose the factory when the
// old one goes: installed while any owner lives.
int g_owners = 0;
} // namespace

HiddenFromScreenReaders::HiddenFromScreenReaders()
{
    if (g_owners++ == 0)
        QAccessible::installFactory(hiddenAccessibleFactory);
}

HiddenFromScreenReaders::~HiddenFromScreenReaders()
{
    if (--g_owners == 0)
        QAccessible::removeFactory(hiddenAccessibleFactory);
}

void HiddenFromScreenReaders::hide(QWidget& control)
{
    control.setProperty(kHidden, true);
    // Setting its value may already have made the usual interface; drop it.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&control))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}
