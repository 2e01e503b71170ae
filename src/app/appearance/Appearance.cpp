#include "app/appearance/Appearance.h"

#include "app/appearance/SkinFramework.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

void paintBackground(QWidget& widget, const QColor& colour)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

namespace
{

bool takesFaceColour(const QWidget& w)
{
    return qobject_cast<const QRadioButton*>(&w) || qobject_cast<const QCheckBox*>(&w) ||
           qobject_cast<const QGroupBox*>(&w) || qobject_cast<const QLabel*>(&w);
}

// The window's controls in creation order, frames' contents after the frame.
// Composite controls (pickers, lists) are not entered: their inner parts are
// not controls of the window.
void paintControls(QWidget& container, const QColor& colour)
{
    for (QObject* object : container.children()) {
        auto* widget = qobject_cast<QWidget*>(object);
        if (!widget || widget->isWindow())
            continue;
        if (takesFaceColour(*widget))
            paintBackground(*widget, colour);
        if (qobject_cast<QGroupBox*>(widget) || widget->metaObject() == &QWidget::staticMetaObject)
            paintControls(*widget, colour);
    }
}

} // namespace

QColor buttonFaceColour()
{
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Button);
}

QString skinFilePath(const QString& programFolder)
{
    return programFolder + "/x/o.cjs";
}

void ApplySkin(QWidget& window, const QString& programFolder, SkinFramework& skin)
{
    const QString path = skinFilePath(programFolder);
    const QFileInfo info(path);
    if (!info.isFile() || info.isHidden())
        return;

    const QColor face = buttonFaceColour();
    paintBackground(window, face);
    paintControls(window, face);

    skin.loadSkin(path, QString());
    skin.setFlags(skin.flags() | SkinFramework::Enabled);
    skin.setApplyToDialogs(true);
    skin.setHoverEffects(true);
    skin.applyTo(window);
}

bool PathExists(const QString& path)
{
    // No file name holds a NUL; Qt would read past it.
    if (path.contains(QChar(0)))
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}
