// The window as it is painted: white wherever the design says white, and its
// texts black on it, unless the desktop asks for dark; then dark throughout.
#include "app/appearance/ColourScheme.h"
#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace
{

// The colour most pixels of the area have, leaving out the areas of the
// controls inside it: the background as the user sees it.
QColor commonest(const QImage& image, const QRect& area, const QList<QRect>& inside = {})
{
    QMap<QRgb, int> count;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QPoint p(x, y);
            if (std::none_of(inside.begin(), inside.end(),
                             [&](const QRect& r) { return r.contains(p); }))
                ++count[image.pixel(p)];
        }
    QRgb best = 0;
    for (auto it = count.begin(); it != count.end(); ++it)
        if (it.value() > count.value(best))
            best = it.key();
    return QColor(best);
}

// The darkest pixel of the area: where a text is drawn, it is its colour.
int darkest(const QImage& image, const QRect& area)
{
    int result = 255;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            result = std::min(result, qGray(image.pixel(x, y)));
    return result;
}

QRect inWindow(const Form1& f, const QWidget* w)
{
    return QRect(w->mapTo(&f, QPoint(0, 0)), w->size());
}

QList<QRect> childAreas(const Form1& f, const QWidget* container)
{
    QList<QRect> areas;
    for (const QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        areas << inWindow(f, child);
    return areas;
}

QPalette darkPalette()
{
    // Breeze Dark's colours.
    QPalette p;
    const QColor window(49, 54, 59), text(239, 240, 241);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, QColor(35, 38, 41));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    return p;
}

void expectWhiteWithBlackTexts(const char* theme)
{
    SCOPED_TRACE(theme);
    FormHarness h;
    h.addSounds({"A.mp3"});
    Form1& f = h.load();
    const QImage image = f.grab().toImage();
    ASSERT_EQ(image.size(), QSize(536, 383));

    EXPECT_EQ(commonest(image, f.rect(), childAreas(f, &f)), QColor(Qt::white)) << "window";
    for (const QGroupBox* frame : {f.Frame1, f.Frame2, f.Frame3, f.Frame4}) {
        // The inside, below the title and within the border.
        const QRect area = inWindow(f, frame).adjusted(4, 16, -4, -4);
        EXPECT_EQ(commonest(image, area, childAreas(f, frame)), QColor(Qt::white))
            << frame->title().toStdString();
        const QRect title(inWindow(f, frame).topLeft(), QSize(60, 14));
        EXPECT_LT(darkest(image, title), 100) << frame->title().toStdString();
    }
    for (const QAbstractButton* button :
         std::initializer_list<const QAbstractButton*>{f.Option1, f.Option2, f.Check4, f.Check8}) {
        const QRect area = inWindow(f, button);
        EXPECT_EQ(commonest(image, area), QColor(Qt::white)) << button->text().toStdString();
        // The caption, right of the indicator.
        EXPECT_LT(darkest(image, area.adjusted(22, 0, 0, 0)), 100) << button->text().toStdString();
    }
    const QRect to = inWindow(f, f.Label1);
    EXPECT_EQ(commonest(image, to), QColor(Qt::white)) << "label";
    EXPECT_LT(darkest(image, to), 100) << "label";
    // Below the window, but painted the same way.
    const QImage pitch = f.Label2->grab().toImage();
    EXPECT_EQ(commonest(pitch, pitch.rect()), QColor(Qt::white)) << "pitch label";
    EXPECT_LT(darkest(pitch, pitch.rect()), 100) << "pitch label";
}

TEST(WindowColours, EveryControlOfTheDesignIsWhiteWithBlackText)
{
    expectWhiteWithBlackTexts("default palette");
}

// The mean grey of the area: an indicator's look, dot or none.
double meanGrey(const QImage& image, const QRect& area)
{
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / (area.width() * area.height());
}

int lightest(const QImage& image, const QRect& area)
{
    int result = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            result = std::max(result, qGray(image.pixel(x, y)));
    return result;
}

// Without the portal's answer the theme's palette decides: a dark one makes
// the whole window dark, not only the controls that follow the theme.
TEST(WindowColours, ADarkDesktopThemeMakesTheWholeWindowDarkWithClearIndicators)
{
    const QPalette before = QApplication::palette();
    QApplication::setPalette(darkPalette());
    {
        FormHarness h;
        h.addSounds({"A.mp3"});
        Form1& f = h.load();
        const QImage image = f.grab().toImage();
        const QColor dark = darkPalette().color(QPalette::Window);
        EXPECT_EQ(commonest(image, f.rect(), childAreas(f, &f)), dark) << "window";
        for (const QGroupBox* frame : {f.Frame1, f.Frame2, f.Frame3, f.Frame4}) {
            const QRect area = inWindow(f, frame).adjusted(4, 16, -4, -4);
            EXPECT_EQ(commonest(image, area, childAreas(f, frame)), dark)
                << frame->title().toStdString();
            const QRect title(inWindow(f, frame).topLeft(), QSize(60, 14));
            EXPECT_GT(lightest(image, title), 180) << frame->title().toStdString();
        }
        for (const QAbstractButton* button : std::initializer_list<const QAbstractButton*>{
                 f.Option1, f.Option2, f.Check4, f.Check8}) {
            const QRect area = inWindow(f, button);
            EXPECT_EQ(commonest(image, area), dark) << button->text().toStdString();
            EXPECT_GT(lightest(image, area.adjusted(22, 0, 0, 0)), 180)
                << button->text().toStdString();
        }
        EXPECT_GT(lightest(image, inWindow(f, f.Label1)), 180) << "label";
        // The checked radio's dot stands out of the unchecked disc.
        const auto indicator = [&](const QAbstractButton* b) {
            QStyleOptionButton option;
            option.initFrom(b);
            const QRect r = b->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, b);
            return r.translated(inWindow(f, b).topLeft());
        };
        ASSERT_TRUE(f.Option1->isChecked());
        EXPECT_GT(meanGrey(image, indicator(f.Option1)) - meanGrey(image, indicator(f.Option2)),
                  20);
    }
    QApplication::setPalette(before);
}

// The portal's wish comes before the theme's palette, either way.
TEST(WindowColours, ThePortalsWishOverridesTheThemesPalette)
{
    const QPalette light = QPalette(Qt::white);
    EXPECT_EQ(colourSchemeFor(std::nullopt, light), ColourScheme::Light);
    EXPECT_EQ(colourSchemeFor(0u, darkPalette()), ColourScheme::Dark);
    EXPECT_EQ(colourSchemeFor(1u, light), ColourScheme::Dark);
    EXPECT_EQ(colourSchemeFor(2u, darkPalette()), ColourScheme::Light);

    // Light on a dark theme: the designed white, and controls light as well.
    const QPalette lightOnDark = windowPalette(ColourScheme::Light, darkPalette());
    EXPECT_EQ(lightOnDark.color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(lightOnDark.color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_GT(lightOnDark.color(QPalette::Base).lightness(), 200);
    EXPECT_LT(lightOnDark.color(QPalette::Text).lightness(), 60);
    // Dark on a light theme: every role the controls use turns dark, texts light.
    const QPalette darkOnLight = windowPalette(ColourScheme::Dark, light);
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        EXPECT_LT(darkOnLight.color(role).lightness(), 80) << role;
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        EXPECT_GT(darkOnLight.color(role).lightness(), 180) << role;
}

} // namespace
