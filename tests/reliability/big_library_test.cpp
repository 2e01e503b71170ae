// A sounds folder of 10,000 files, listed by the real load step.
#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QElapsedTimer>

#include <algorithm>
#include <iostream>
#include <numeric>
#include <random>

namespace
{

TEST(BigSoundLibrary, TenThousandFilesAreAllListedInOrder)
{
    constexpr int count = 10000;
    FormHarness h;
    // Created in shuffled order, with the case of the first letter and of the
    // extension mixed: the list order must not depend on either.
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    const auto fileName = [](int i) {
        return QString("%1oise %2%3")
            .arg(i % 2 ? 'N' : 'n')
            .arg(i, 5, 10, QChar('0'))
            .arg(i % 7 == 0 ? ".MP3" : ".mp3");
    };
    QStringList names;
    for (int i : order)
        names << fileName(i);
    h.addSounds(names);

    QElapsedTimer timer;
    timer.start();
    Form1& f = h.load();
    const qint64 loadMs = timer.elapsed();

    EXPECT_TRUE(h.errors.entries.empty());
    ASSERT_EQ(f.Combo1->count(), count);
    // The list shows the names last first; ".mp3" goes, ".MP3" stays.
    for (int entry = 0; entry < count; ++entry) {
        const int i = count - 1 - entry;
        QString expected = fileName(i);
        if (i % 7 != 0)
            expected.chop(4);
        ASSERT_EQ(f.Combo1->itemText(entry), expected) << "entry " << entry;
    }
    EXPECT_EQ(f.Combo1->currentIndex(), 0);
    std::cout << "[ figures  ] load step with " << count << " sound files: " << loadMs << " ms\n";
}

// Names equal but for case are different files here: each keeps its entry,
// in the same places whatever order they were made in.
TEST(BigSoundLibrary, NamesEqualButForCaseAreKeptApart)
{
    const QStringList made[] = {{"rain.mp3", "Rain.mp3", "RAIN.mp3", "Fan.mp3", "fan.mp3"},
                                {"fan.mp3", "RAIN.mp3", "Fan.mp3", "rain.mp3", "Rain.mp3"}};
    for (const QStringList& names : made) {
        FormHarness h;
        h.addSounds(names);
        Form1& f = h.load();
        QStringList shown;
        for (int i = 0; i < f.Combo1->count(); ++i)
            shown << f.Combo1->itemText(i);
        // Last first: case-insensitive order, then upper case before lower.
        EXPECT_EQ(shown, QStringList({"rain", "Rain", "RAIN", "fan", "Fan"}));
    }
}

} // namespace
