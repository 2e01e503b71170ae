// The window in every shipped language: each text fits its control at the
// window's font, and the captions still carry the generator's state.
#include "app/Translations.h"
#include "playback/NoisePlayer.h"
#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTranslator>

namespace
{

QString programDir()
{
    return qEnvironmentVariable("HUSHWAVE_PROGRAM_DIR");
}

QStringList shippedLanguages()
{
    QStringList languages;
    for (const QString& file : QDir(programDir() + kTranslationsFolder)
                                   .entryList({"hushwave_*.qm"}, QDir::Files, QDir::Name))
        languages << file.mid(9).chopped(3);
    return languages;
}

// Installs the language as a desktop asking for it would, and takes it away again.
struct Language {
    explicit Language(const QString& name)
    {
        QLocale::setDefault(QLocale(name));
        taken = loadTranslations(*qApp, programDir());
    }
    ~Language()
    {
        for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        QLocale::setDefault(QLocale::c());
    }
    QString taken;
};

// What a control needs to show its text whole, and what it has.
void expectFits(const QWidget* control, int needed, const QString& text)
{
    EXPECT_LE(needed, control->width())
        << "'" << text.toStdString() << "' needs " << needed << " px, has " << control->width();
}

void expectEveryTextFits(Form1& f)
{
    for (const QAbstractButton* b : f.findChildren<QAbstractButton*>())
        if (b->isVisibleTo(&f) && !b->text().isEmpty())
            expectFits(b, b->sizeHint().width(), b->text());
    for (const QGroupBox* box : f.findChildren<QGroupBox*>())
        expectFits(box, box->minimumSizeHint().width(), box->title());
    for (const QLabel* label : {f.Label1})
        expectFits(label, label->fontMetrics().horizontalAdvance(label->text()), label->text());
}

TEST(Translations, EveryShippedLanguageFitsTheWindowAndKeepsTheGeneratorsState)
{
    const QStringList languages = shippedLanguages();
    ASSERT_GE(languages.size(), 8) << "translations in " << programDir().toStdString();
    for (const QString& name : QStringList{"en"} + languages) {
        SCOPED_TRACE(name.toStdString());
        Language language(name);
        EXPECT_EQ(language.taken.toStdString(), name == "en" ? "" : name.toStdString());

        FormHarness h;
        h.addSounds({"A.mp3"});
        Form1& f = h.load();
        if (name != "en") {
            EXPECT_NE(f.PushButton2->text(), "Turn On") << "not translated";
            EXPECT_NE(f.Frame2->title(), "Which style noise would you like to play?");
            // Qt's own, for the standard buttons of the message boxes.
            EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
        }
        expectEveryTextFits(f);

        // A stored "ON" shows the translated "Turn Off", and the clicks go
        // both ways through the translated captions; the stored values stay.
        EXPECT_EQ(f.PushButton2->text(), Caption::turnOn());
        // Screen readers get the state as the button's checked state.
        f.PushButton2->click();
        EXPECT_EQ(f.PushButton2->text(), Caption::turnOff());
        EXPECT_EQ(h.settings.values.value("StartStopState"), "ON");
        EXPECT_TRUE(f.Timer1->isActive());
        EXPECT_TRUE(f.PushButton2->isChecked());
        f.PushButton2->click();
        EXPECT_EQ(f.PushButton2->text(), Caption::turnOn());
        EXPECT_EQ(h.settings.values.value("StartStopState"), "OFF");
        EXPECT_FALSE(f.Timer1->isActive());
        EXPECT_FALSE(f.PushButton2->isChecked());
        f.PushButton1->click();
        EXPECT_EQ(f.PushButton1->text(), Caption::stop());
        f.PushButton1->click();
        EXPECT_EQ(f.PushButton1->text(), Caption::previewSound());

        FormHarness again;
        again.settings.values["StartStopState"] = "ON";
        Form1& g = again.load();
        EXPECT_EQ(g.PushButton2->text(), Caption::turnOff());
        EXPECT_TRUE(g.Timer1->isActive());
        EXPECT_TRUE(g.PushButton2->isChecked());
    }
}

TEST(Translations, EnglishBeforeAnotherLanguageKeepsTheTextsAsTheyAre)
{
    // LANGUAGE=en_GB:de asks for English first.
    Language language("en_GB");
    EXPECT_EQ(language.taken.toStdString(), "");
    EXPECT_EQ(Caption::turnOn(), "Turn On");
}

} // namespace
