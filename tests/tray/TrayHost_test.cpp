#include "RecordingShell.h"
#include "tray/BlueT.h"
#include "tray/cSysTray.h"
#include "tray/QtTrayShell.h"

#include <gtest/gtest.h>
#include <QImage>

namespace
{
class FakeItem : public TrayItem
{
public:
    explicit FakeItem(QStringList& log) : m_log(log) { m_log << "created"; }
    ~FakeItem() override { m_log << "destroyed"; }
    void setIcon(const QIcon& icon) override
    {
        m_log << QString("icon %1").arg(icon.availableSizes().size());
    }
    void setToolTip(const QString& tip) override { m_log << "tip " + tip; }
    void showMessage(const QString& title, const QString& text, int msecs) override
    {
        m_log << QString("show %1|%2|%3").arg(title, text).arg(msecs);
    }
    void closeMessage() override { m_log << "close"; }

private:
    QStringList& m_log;
};

class FakeHost : public TrayHost
{
public:
    bool here = false;
    QStringList log;
    FakeItem* last = nullptr;

    bool present() const override { return here; }
    std::unique_ptr<TrayItem> createItem() override
    {
        auto item = std::make_unique<FakeItem>(log);
        last = item.get();
        return item;
    }
    void arrive()
    {
        here = true;
        emit appeared();
    }
};

NOTIFYICONDATAA balloon(std::uint32_t hWnd, const QString& title, const QString& text, int ms)
{
    NOTIFYICONDATAA info = newNotifyIconData(hWnd, 0);
    info.uFlags = NIF_INFO;
    setTextField(info.szInfoTitle, title);
    setTextField(info.szInfo, text);
    info.uTimeout = std::uint32_t(ms);
    return info;
}

TEST(TrayHost, IconsGoToTheDesktopHostAndBalloonsAreClosedNotEmptied)
{
    FakeHost host;
    host.here = true;
    QtTrayShell shell(&host);
    cSysTray tray(shell);
    tray.setTrayIcon(Picture::fromIcon(blueTIcon()));
    tray.setTrayTip("Hushwave");
    tray.setInTray(true);
    ASSERT_NE(shell.icon(tray.hWnd(), 0), nullptr);
    EXPECT_FALSE(shell.icon(tray.hWnd(), 0)->isVisible()) << "never two icons";
    EXPECT_EQ(host.log, (QStringList{"created", "icon 5", "tip Hushwave"}));

    host.log.clear();
    shell.Shell_NotifyIconA(NIM_MODIFY, balloon(tray.hWnd(), "Title", "Text", 60000));
    shell.Shell_NotifyIconA(NIM_MODIFY, balloon(tray.hWnd(), "", "", 0));
    EXPECT_EQ(host.log, (QStringList{"show Title|Text|60000", "close"}));

    // A click of any button on the host's icon comes back as the shell's messages.
    EventRecorder window;
    tray.window()->installEventFilter(&window);
    QCoreApplication::processEvents();
    window.lParams.clear(); // the balloon's own reports
    emit host.last->activated(QSystemTrayIcon::Context);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.lParams, (std::vector<std::int32_t>{0x204, 0x205}));
    tray.window()->removeEventFilter(&window);

    host.log.clear();
    tray.setInTray(false);
    EXPECT_EQ(host.log, QStringList{"destroyed"});
}

TEST(TrayHost, AHostThatArrivesLaterGetsTheIcon)
{
    FakeHost host;
    QtTrayShell shell(&host);
    cSysTray tray(shell);
    tray.setTrayTip("Hushwave");
    tray.setInTray(true);
    EXPECT_TRUE(host.log.isEmpty());
    EXPECT_TRUE(shell.icon(tray.hWnd(), 0)->isVisible()) << "Qt's icon meanwhile";

    host.arrive();
    EXPECT_EQ(host.log.first(), "created");
    EXPECT_TRUE(host.log.contains("tip Hushwave"));
    EXPECT_FALSE(shell.icon(tray.hWnd(), 0)->isVisible());
    host.log.clear();
    host.arrive(); // the item itself registers again with a host that returns
    EXPECT_TRUE(host.log.isEmpty());
}

bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

TEST(BlueT, IsTheProjectsTrayIconAtEverySize)
{
    // At 16 px exactly the picture the project ships.
    const QImage shipped =
        QImage(QString(qgetenv("HUSHWAVE_SOURCE_DIR")) + "/resources/icons/tray-t.png")
            .convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(shipped.isNull());
    EXPECT_TRUE(samePixels(blueT(16), shipped));
    // Twice and three times as large: the same T, pixel for pixel.
    EXPECT_TRUE(samePixels(blueT(32), shipped.scaled(32, 32)));
    EXPECT_TRUE(samePixels(blueT(48), shipped.scaled(48, 48)));
    // Sizes between stay a centred, symmetric T.
    for (int size : {22, 24}) {
        const QImage t = blueT(size);
        EXPECT_TRUE(samePixels(t, t.mirrored(true, false))) << size;
        EXPECT_EQ(t.pixelColor(size / 2, size / 2), QColor(31, 79, 216)) << size;
        EXPECT_EQ(t.pixelColor(0, 0).alpha(), 0) << size;
    }
    const QIcon icon = blueTIcon();
    EXPECT_EQ(icon.availableSizes(),
              (QList<QSize>{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}}));
}
} // namespace
