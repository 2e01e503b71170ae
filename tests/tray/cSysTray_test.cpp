#include "RecordingShell.h"
#include "tray/cSysTray.h"
#include "tray/Handles.h"

#include <gtest/gtest.h>
#include <QPixmap>

#include <cstring>

namespace
{

QIcon drawnIcon(Qt::GlobalColor colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QByteArray fieldBytes(const char* field, int width)
{
    return QByteArray(field, width);
}

TEST(NotifyIconRecord, HasTheShellLayout)
{
    EXPECT_EQ(sizeof(NOTIFYICONDATAA), 488u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, hWnd), 4u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, uID), 8u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, uFlags), 12u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, uCallbackMessage), 16u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, hIcon), 20u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, szTip), 24u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, dwState), 152u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, dwStateMask), 156u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, szInfo), 160u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, uTimeout), 416u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, szInfoTitle), 420u);
    EXPECT_EQ(offsetof(NOTIFYICONDATAA, dwInfoFlags), 484u);

    const NOTIFYICONDATAA data = newNotifyIconData(9, 3);
    EXPECT_EQ(data.cbSize, 488u);
    EXPECT_EQ(data.hWnd, 9u);
    EXPECT_EQ(data.uID, 3u);
    const char* bytes = reinterpret_cast<const char*>(&data);
    EXPECT_EQ(QByteArray(bytes + 12, 488 - 12), QByteArray(488 - 12, '\0'));
}

TEST(NotifyIconRecord, TextIsFollowedByOneNulThenSpacesAndCutAtTheWidth)
{
    char tip[128];
    setTextField(tip, QStringLiteral("Hushwave"));
    EXPECT_EQ(fieldBytes(tip, 128), QByteArray("Hushwave") + '\0' + QByteArray(119, ' '));
    EXPECT_EQ(textField(tip), "Hushwave");

    setTextField(tip, QString());
    EXPECT_EQ(fieldBytes(tip, 128), QByteArray(1, '\0') + QByteArray(127, ' '));
    EXPECT_EQ(textField(tip), "");

    // 127 characters still fit with their NUL; 128 and more have none.
    setTextField(tip, QString(127, 'a'));
    EXPECT_EQ(fieldBytes(tip, 128), QByteArray(127, 'a') + '\0');
    setTextField(tip, QString(128, 'b'));
    EXPECT_EQ(fieldBytes(tip, 128), QByteArray(128, 'b'));
    setTextField(tip, QString(129, 'c') + "tail");
    EXPECT_EQ(fieldBytes(tip, 128), QByteArray(128, 'c'));
    EXPECT_EQ(textField(tip), QString(128, 'c'));

    // One byte per character, whatever the character.
    setTextField(tip, QString::fromUtf8("Caf\u00e9 \u2603!"));
    EXPECT_EQ(fieldBytes(tip, 8), QByteArray("Caf\xe9 ?!") + '\0');
    EXPECT_EQ(tip[8], ' ');
}

class SysTray : public ::testing::Test
{
protected:
    RecordingShell shell;
    QStringList changes;
    PictureRef blueT = Picture::fromIcon(drawnIcon(Qt::blue));
    cSysTray tray{shell};

    void SetUp() override
    {
        QObject::connect(&tray, &cSysTray::PropertyChanged,
                         [this](const QString& name) { changes << name; });
    }
    const RecordingShell::Call& last() const { return shell.calls.back(); }
};

TEST_F(SysTray, AddSendsMessageIconAndTipWithTheCallback)
{
    tray.setTrayIcon(blueT);
    tray.setTrayTip("Hushwave");
    EXPECT_TRUE(shell.calls.empty()); // stored only, until the icon is added

    tray.setInTray(true);
    ASSERT_EQ(shell.calls.size(), 1u);
    const NOTIFYICONDATAA& d = last().data;
    EXPECT_EQ(last().op, NIM_ADD);
    EXPECT_EQ(d.cbSize, 488u);
    EXPECT_NE(d.hWnd, 0u);
    EXPECT_EQ(d.hWnd, tray.hWnd());
    EXPECT_EQ(windowFromHandle(d.hWnd), tray.window());
    EXPECT_EQ(d.uID, 0u);
    EXPECT_EQ(d.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    EXPECT_EQ(d.uCallbackMessage, 1125u);
    EXPECT_EQ(d.hIcon, blueT->Handle());
    EXPECT_EQ(imageFromHandle(d.hIcon).cacheKey(), blueT->image().cacheKey());
    EXPECT_EQ(textField(d.szTip), "Hushwave");
    EXPECT_TRUE(tray.added());

    tray.setInTray(false);
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(last().op, NIM_DELETE);
    EXPECT_EQ(last().data.uFlags, 0u);
    EXPECT_EQ(last().data.hWnd, tray.hWnd());
    EXPECT_FALSE(tray.added());
}

TEST_F(SysTray, EmptyTipIsLeftOutOfTheAddButSentWhenSetInTheTray)
{
    tray.setInTray(true);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(last().data.uFlags, NIF_MESSAGE); // no icon, no tip
    EXPECT_EQ(fieldBytes(last().data.szTip, 128), QByteArray(128, '\0'));

    tray.setTrayTip("");
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(last().op, NIM_MODIFY);
    EXPECT_EQ(last().data.uFlags, NIF_TIP);
    EXPECT_EQ(fieldBytes(last().data.szTip, 128), QByteArray(1, '\0') + QByteArray(127, ' '));

    tray.setTrayIcon(blueT);
    EXPECT_EQ(last().op, NIM_MODIFY);
    EXPECT_EQ(last().data.uFlags, NIF_ICON);
    EXPECT_EQ(last().data.hIcon, blueT->Handle());
}

TEST_F(SysTray, LongTipIsCutAtTheFieldWidth)
{
    tray.setInTray(true);
    const QString tip = QString(100, 'x') + QString(100, 'y');
    tray.setTrayTip(tip);
    EXPECT_EQ(fieldBytes(last().data.szTip, 128),
              (QString(100, 'x') + QString(28, 'y')).toLatin1());
    EXPECT_EQ(tray.TrayTip(), tip); // the property keeps the whole text
}

TEST_F(SysTray, InTrayChangesOnlyWhenTheValueChanges)
{
    tray.setInTray(false); // never added: nothing to remove
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_TRUE(changes.isEmpty());

    tray.setInTray(true);
    tray.setInTray(true);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(changes, QStringList{"InTray"});
    EXPECT_TRUE(tray.InTray());

    tray.setInTray(false);
    tray.setInTray(false);
    EXPECT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(changes, (QStringList{"InTray", "InTray"}));
}

TEST_F(SysTray, DesignModeStoresInTrayWithoutAShellCall)
{
    tray.setUserMode(false);
    tray.setInTray(true);
    EXPECT_TRUE(tray.InTray());
    EXPECT_FALSE(tray.added());
    tray.setInTray(false);
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(SysTray, OnlyIconPicturesAreTaken)
{
    tray.setTrayIcon(blueT);
    tray.setInTray(true);
    const std::size_t before = shell.calls.size();
    changes.clear();

    tray.setTrayIcon(Picture::fromBitmap(QPixmap(16, 16)));
    tray.setTrayIcon(nullptr);
    EXPECT_EQ(shell.calls.size(), before);
    EXPECT_EQ(tray.TrayIcon(), blueT);
    EXPECT_TRUE(changes.isEmpty());

    const PictureRef red = Picture::fromIcon(drawnIcon(Qt::red));
    tray.setTrayIcon(red);
    EXPECT_EQ(tray.TrayIcon(), red);
    EXPECT_EQ(last().data.hIcon, red->Handle());
    EXPECT_EQ(changes, QStringList{"TrayIcon"});
}

TEST_F(SysTray, PictureHandlesAreUniqueAndDieWithThePicture)
{
    std::uint32_t handle = 0;
    {
        const PictureRef icon = Picture::fromIcon(drawnIcon(Qt::green));
        handle = icon->Handle();
        EXPECT_NE(handle, 0u);
        EXPECT_NE(handle, blueT->Handle());
        EXPECT_FALSE(imageFromHandle(handle).isNull());
    }
    EXPECT_TRUE(imageFromHandle(handle).isNull());
}

TEST_F(SysTray, PropertiesLoadInOrderWithDefaults)
{
    tray.ReadProperties(PropertyBag());
    EXPECT_FALSE(tray.InTray());
    EXPECT_EQ(tray.TrayIcon(), nullptr);
    EXPECT_EQ(tray.TrayTip(), QString("Telnet Server") + QChar(0));
    EXPECT_EQ(tray.TrayTip().size(), 14);
    EXPECT_TRUE(shell.calls.empty());

    // Saved in the tray: added first, then icon and tip go as modifications.
    PropertyBag bag;
    bag.WriteProperty("InTray", true);
    bag.WriteProperty("TrayIcon", QVariant::fromValue(blueT));
    bag.WriteProperty("TrayTip", "Saved tip");
    cSysTray loaded(shell);
    shell.calls.clear();
    loaded.ReadProperties(bag);
    ASSERT_EQ(shell.calls.size(), 3u);
    EXPECT_EQ(shell.calls[0].op, NIM_ADD);
    EXPECT_EQ(shell.calls[1].data.uFlags, NIF_ICON);
    EXPECT_EQ(shell.calls[2].data.uFlags, NIF_TIP);
    EXPECT_EQ(textField(shell.calls[2].data.szTip), "Saved tip");

    PropertyBag saved;
    loaded.WriteProperties(saved);
    EXPECT_TRUE(saved.ReadProperty("InTray", false).toBool());
    EXPECT_EQ(saved.ReadProperty("TrayIcon", {}).value<PictureRef>(), blueT);
    EXPECT_EQ(saved.ReadProperty("TrayTip", {}).toString(), "Saved tip");
}

TEST_F(SysTray, DestroyingTheControlTakesTheIconAway)
{
    std::uint32_t hWnd = 0;
    {
        cSysTray doomed(shell);
        hWnd = doomed.hWnd();
        doomed.setInTray(true);
        EXPECT_EQ(windowFromHandle(hWnd), doomed.window());
    }
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].op, NIM_DELETE);
    EXPECT_EQ(shell.calls[1].data.hWnd, hWnd);
    EXPECT_EQ(windowFromHandle(hWnd), nullptr);
}

} // namespace
