#include "app/appearance/ColourScheme.h"

#include <memory>
#include <QStyle>
#include <QStyleFactory>

namespace
{
bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).lightness() < 128;
}

QPalette darkPalette()
{
    const QColor window(43, 46, 53), text(232, 230, 225), base(26, 28, 32), button(55, 59, 68);
    QPalette p(window);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, window);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Button, button);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::BrightText, Qt::white);
        p.setColor(group, QPalette::Light, button.lighter(130));
        p.setColor(group, QPalette::Midlight, button.lighter(115));
        p.setColor(group, QPalette::Mid, window.darker(130));
        p.setColor(group, QPalette::Dark, base);
        p.setColor(group, QPalette::Shadow, Qt::black);
        p.setColor(group, QPalette::Highlight, QColor(61, 123, 200));
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::ToolTipBase, base);
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, text.darker(160));
        p.setColor(group, QPalette::Link, QColor(120, 170, 240));
    }
    const QColor disabled(128, 128, 128);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Button, window);
    return p;
}

QPalette lightPalette(const QPalette& platform)
{
    QPalette p = platform;
    if (isDark(platform)) {
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        p = fusion->standardPalette();
    }
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    return p;
}
} // namespace

ColourScheme colourSchemeFor(std::optional<unsigned> portalColourScheme, const QPalette& platform)
{
    if (portalColourScheme == 1u)
        return ColourScheme::Dark;
    if (portalColourScheme == 2u)
        return ColourScheme::Light;
    return isDark(platform) ? ColourScheme::Dark : ColourScheme::Light;
}

QPalette windowPalette(ColourScheme scheme, const QPalette& platform)
{
    QPalette p = scheme == ColourScheme::Light ? lightPalette(platform)
                 : isDark(platform)            ? platform
                                               : darkPalette();
    // Every role the window's own: none is left to follow the application's
    // palette, which may be of the other scheme.
    p.setResolveMask(~QPalette::ResolveMask(0));
    return p;
}
