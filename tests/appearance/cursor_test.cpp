#include "app/appearance/Appearance.h"
#include "app/appearance/HandCursor.h"
#include "app/appearance/WindowPointer.h"
#include "common/Failure.h"
#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtEndian>

namespace
{

QByteArray shippedCursor()
{
    QFile f(qEnvironmentVariable("HUSHWAVE_PROGRAM_DIR") + "/HAND-M.CUR");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.path() + "/" + name);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
}

QByteArray withHotSpot(QByteArray bytes, quint16 x, quint16 y)
{
    qToLittleEndian<quint16>(x, bytes.data() + 10);
    qToLittleEndian<quint16>(y, bytes.data() + 12);
    return bytes;
}

// The window after its load step, with a sound so that nothing else is
// reported, and HAND-M.CUR holding `cursor` unless it is null.
Form1& loadWithCursor(FormHarness& h, const QByteArray& cursor)
{
    h.addSounds({"Rain.mp3"});
    if (!cursor.isNull())
        writeFile(h.programDir, "HAND-M.CUR", cursor);
    Form1& form = h.load();
    form.move(0, 0);
    return form;
}

TEST(HandCursor, TheShippedHandPointsWithItsFingertip)
{
    const QByteArray bytes = shippedCursor();
    ASSERT_FALSE(bytes.isEmpty()) << "HAND-M.CUR is not in the program folder";
    QTemporaryDir dir;
    const QCursor cursor = loadHandCursor(writeFile(dir, "HAND-M.CUR", bytes));
    const QImage image = cursor.pixmap().toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(cursor.hotSpot(), QPoint(10, 1));
    // The hot spot is on the hand's outline, with nothing above it.
    EXPECT_EQ(qAlpha(image.pixel(cursor.hotSpot())), 255);
    for (int y = 0; y < cursor.hotSpot().y(); ++y)
        EXPECT_EQ(qAlpha(image.pixel(cursor.hotSpot().x(), y)), 0);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(31, 31)), 0);
}

TEST(HandCursor, TheHotSpotIsTheFilesOwn)
{
    const QByteArray bytes = shippedCursor();
    ASSERT_FALSE(bytes.isEmpty());
    QTemporaryDir dir;
    EXPECT_EQ(loadHandCursor(writeFile(dir, "a.cur", withHotSpot(bytes, 5, 27))).hotSpot(),
              QPoint(5, 27));
    EXPECT_EQ(loadHandCursor(writeFile(dir, "b.cur", withHotSpot(bytes, 0, 0))).hotSpot(),
              QPoint(0, 0));
    // Off the picture: kept on its edge.
    EXPECT_EQ(loadHandCursor(writeFile(dir, "c.cur", withHotSpot(bytes, 300, 40))).hotSpot(),
              QPoint(31, 31));
}

TEST(HandCursor, WhatIsNotACursorIsRefused)
{
    const QByteArray bytes = shippedCursor();
    ASSERT_FALSE(bytes.isEmpty());
    QByteArray icon = bytes;
    icon[2] = 1; // an icon, not a cursor
    QByteArray none = bytes;
    none[4] = 0; // no images
    QByteArray png;
    {
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    const QList<QByteArray> notCursors = {
        QByteArray(),
        "this is text, not a cursor\n",
        bytes.left(21),  // shorter than its directory
        bytes.left(100), // the picture cut short
        icon,
        none,
        png,
    };
    QTemporaryDir dir;
    for (const QByteArray& b : notCursors)
        EXPECT_THROW(loadHandCursor(writeFile(dir, "HAND-M.CUR", b)), Failure)
            << b.left(24).toHex().constData();
    EXPECT_THROW(loadHandCursor(dir.path() + "/missing.cur"), Failure);
}

TEST(HandCursor, TheLoadStepReportsAFileThatIsNotACursorOnce)
{
    FormHarness h;
    Form1& form = loadWithCursor(h, "GIF89a not really");
    EXPECT_EQ(h.errors.lines(), std::vector<int>{108});
    EXPECT_FALSE(form.pointer->hasMouseIcon());
    form.pointer->setMousePointer(WindowPointer::Custom);
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
}

TEST(HandCursor, WithoutTheFileThePointerStaysAnArrow)
{
    FormHarness h;
    Form1& form = loadWithCursor(h, QByteArray());
    EXPECT_TRUE(h.errors.entries.empty());
    EXPECT_FALSE(form.pointer->hasMouseIcon());

    // The setting still switches; what shows does not.
    form.pointer->setMousePointer(WindowPointer::Custom);
    EXPECT_EQ(form.pointer->mousePointer(), WindowPointer::Custom);
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
}

TEST(HandCursor, LoadedTheHandShowsOnlyWithTheCustomSetting)
{
    FormHarness h;
    Form1& form = loadWithCursor(h, shippedCursor());
    ASSERT_TRUE(h.errors.entries.empty());
    ASSERT_TRUE(form.pointer->hasMouseIcon());

    // Loading leaves the setting at the default.
    EXPECT_EQ(form.pointer->mousePointer(), WindowPointer::Default);
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);

    form.pointer->setMousePointer(WindowPointer::Custom);
    EXPECT_EQ(form.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(form.cursor().hotSpot(), QPoint(10, 1));
    form.pointer->setMousePointer(WindowPointer::Default);
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
}

} // namespace
