#include "app/appearance/Appearance.h"

#include "app/appearance/SkinFramework.h"

#include <algorithm>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

void paintBackground(QWidget& widget, const QColor& colour, const QColor& text)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(widget.backgroundRole(), colour);
    if (text.isValid()) {
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(widget.foregroundRole(), text);
    }
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

namespace
{

// Fusion's frame, without the shade it lays over the inside.
class PlainFrameStyle : public QProxyStyle
{
public:
    PlainFrameStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element != PE_FrameGroupBox) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        // Below the title, as Fusion places it.
        const auto* box = qobject_cast<const QGroupBox*>(widget);
        int top = 3;
        if (!box || box->isCheckable() || !box->title().isEmpty())
            top += std::max(pixelMetric(PM_ExclusiveIndicatorHeight, option, widget),
                            option->fontMetrics.height());
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        // A faint line of the text's colour, on light and dark alike.
        QColor line = option->palette.color(QPalette::WindowText);
        line.setAlpha(60);
        painter->setPen(line);
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(option->rect.adjusted(0, top, -1, -1)).translated(0.5, 0.5),
                                 2, 2);
        painter->restore();
    }
};

bool takesFaceColour(const QWidget& w)
{
    return qobject_cast<const QRadioButton*>(&w) || qobject_cast<const QCheckBox*>(&w) ||
           qobject_cast<const QGroupBox*>(&w) || qobject_cast<const QLabel*>(&w);
}

// The window's controls in creation order, frames' contents after the frame.
// Composite controls (pickers, lists) are not entered: their inner parts are
// not controls of the window.
void paintControls(QWidget& container, const QColor& colour, const QColor& text)
{
    for (QObject* object : container.children()) {
        auto* widget = qobject_cast<QWidget*>(object);
        if (!widget || widget->isWindow())
            continue;
        if (takesFaceColour(*widget))
            paintBackground(*widget, colour, text);
        if (qobject_cast<QGroupBox*>(widget) || widget->metaObject() == &QWidget::staticMetaObject)
            paintControls(*widget, colour, text);
    }
}

} // namespace

void drawPlainFrames(QWidget& window, std::initializer_list<QGroupBox*> frames)
{
    // A child of the window: children are deleted in the order they were
    // made, so the frames never outlive the style they are drawn with.
    auto* style = new PlainFrameStyle;
    style->setParent(&window);
    for (QGroupBox* frame : frames)
        frame->setStyle(style);
}

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
    const QColor faceText =
        QGuiApplication::palette().color(QPalette::Active, QPalette::ButtonText);
    paintBackground(window, face, faceText);
    paintControls(window, face, faceText);

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
