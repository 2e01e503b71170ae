#include "app/GeneratorButton.h"

#include <QAccessibleWidget>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace
{
// Qt reads a checkable push button as a check box; this one stays a
// button, with its checked state and its press.
class GeneratorButtonAccessible : public QAccessibleWidget
{
public:
    explicit GeneratorButtonAccessible(GeneratorButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text().remove('&');
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* accessibleFor(const QString&, QObject* object)
{
    if (auto* button = qobject_cast<GeneratorButton*>(object))
        return new GeneratorButtonAccessible(button);
    return nullptr;
}
} // namespace

GeneratorButton::GeneratorButton(QWidget* parent) : QPushButton(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleFor), true);
    Q_UNUSED(factoryInstalled);
    setCheckable(true);
}

void GeneratorButton::showState(bool on)
{
    setChecked(on);
}

// As QPushButton paints itself, never sunken for being checked.
void GeneratorButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.state &= ~QStyle::State_On;
    painter.drawControl(QStyle::CE_PushButton, option);
}
