#include "app/appearance/HiddenFromScreenReaders.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
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

// Set on the application once our factory is in Qt's list.
const char* const kFactoryInstalled = "hiddenFromScreenReadersFactory";
} // namespace

// Qt keeps one list of factories for the application, and a window made
// while another still lives (a test's next one) must find it there: it is
// put in once and taken out as the application goes.
HiddenFromScreenReaders::HiddenFromScreenReaders()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || app->property(kFactoryInstalled).toBool())
        return;
    QAccessible::installFactory(hiddenAccessibleFactory);
    app->setProperty(kFactoryInstalled, true);
    QObject::connect(app, &QObject::destroyed,
                     [] { QAccessible::removeFactory(hiddenAccessibleFactory); });
}

void HiddenFromScreenReaders::hide(QWidget& control)
{
    control.setProperty(kHidden, true);
    // Setting its value may already have made the usual interface; drop it.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&control))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}
