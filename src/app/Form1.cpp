#include "app/Form1.h"

#include "app/appearance/Appearance.h"
#include "app/appearance/ColourScheme.h"
#include "app/appearance/DesktopColourScheme.h"
#include "app/appearance/HandCursor.h"
#include "app/Conversions.h"
#include "app/GeneratorButton.h"
#include "app/StyleList.h"
#include "app/TickedSlider.h"
#include "app/TimePicker.h"
#include "common/ApplicationId.h"
#include "common/Clock.h"
#include "common/DateText.h"
#include "common/ErrorReport.h"
#include "common/Failure.h"
#include "common/Guard.h"
#include "common/Logging.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "controls/ControlValues.h"
#include "playback/engine/MediaPlayer.h"
#include "playback/StylePath.h"
#include "tray/BlueT.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace
{
// Designed positions are in twips; 15 twips make a pixel at 96 dpi.
QRect twips(int left, int top, int width, int height)
{
    return QRect(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0),
                 qRound(height / 15.0));
}

template <class T> T* place(QWidget* parent, const QRect& geometry, const QString& text = {})
{
    T* control = new T(parent);
    control->setGeometry(geometry);
    if constexpr (std::is_base_of_v<QAbstractButton, T> || std::is_base_of_v<QLabel, T>)
        control->setText(text);
    else if constexpr (std::is_base_of_v<QGroupBox, T>)
        control->setTitle(text);
    return control;
}

QSlider* slider(QWidget* parent, const QRect& geometry, int maximum)
{
    auto* s = place<TickedSlider>(parent, geometry);
    s->setOrientation(Qt::Horizontal);
    s->setRange(1, maximum);
    s->setSingleStep(1);
    s->setPageStep(5);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(1);
    s->setValue(50);
    // Like the designer slider: a drag reports its change once, when released.
    s->setTracking(false);
    return s;
}

// Named for a screen reader, which would otherwise name it after its frame.
QDateTimeEdit* picker(QWidget* parent, const QRect& geometry, const QDateTime& now,
                      const QString& name)
{
    auto* p = place<TimePicker>(parent, geometry);
    p->setDisplayFormat("h:mm:ss AP");
    p->setAccessibleName(name);
    p->setDateTime(now);
    return p;
}

// Enter presses a button as Space does. Outside a dialog Qt takes only Space;
// an auto-default button would take Enter too, but looks like the default
// button whenever it has the focus.
class EnterPresses : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if (!key->isAutoRepeat())
            static_cast<QAbstractButton*>(watched)->click();
        return true;
    }
};

template <class Button = QPushButton>
Button* pushButton(QWidget* parent, const QRect& geometry, const QString& text, const QFont& font)
{
    auto* button = place<Button>(parent, geometry, text);
    button->setFont(font);
    button->installEventFilter(new EnterPresses(button));
    return button;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {32, 48, 128, 256}) {
        // Read as the PNG it is: left to guess, Qt loads every image plugin first.
        QImageReader reader(QString(":/icons/hushwave-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}
} // namespace

Form1::Form1(const PlaybackServices& services, FormBackEnds backEnds)
    : m_services(services), m_backEnds(std::move(backEnds)), cSysTray1(m_backEnds.trayShell),
      noisePlayer(*this, m_services), playWindow(*this, m_services),
      soundControls(*this, m_services)
{
    initResources();
    setWindowTitle("Form1");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(536, 383);
    QFont font("Arial");
    font.setPointSize(9);
    font.setBold(true);
    setFont(font);
    buildControls();
    applyColourScheme();
    if (m_backEnds.colourScheme)
        connect(m_backEnds.colourScheme, &DesktopColourScheme::changed, this,
                &Form1::applyColourScheme);
    cSysTray1.ReadProperties(savedTrayProperties(blueTIcon()));
    minimizeToTray = std::make_unique<MinimizeToTray>(*this, cSysTray1, Check8, m_services.settings,
                                                      m_services.errors, m_backEnds.trayAvailable);
    minimizeToTray->setActivationOffer(m_backEnds.activation);
    startUpOption = std::make_unique<StartUpOption>(
        Check4, Check8, m_services.settings, [this] { return m_loading; },
        [this] { minimizeToTray->Check8_Click(); }, m_backEnds.registry, m_backEnds.executable,
        &m_services.errors);
    pointer = std::make_unique<WindowPointer>(*this);
    for (QWidget* w : std::initializer_list<QWidget*>{Frame1, Frame2, Frame3, Frame4, Option1,
                                                      Option2, DTPicker1, DTPicker2})
        pointer->watch(w, WindowPointer::Default);
    pointer->watch(PushButton1, WindowPointer::Custom);
    pointer->watch(PushButton2, WindowPointer::Custom);
    wireHandlers();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

Form1::~Form1()
{
    // These handlers refer to the controls; they go first, and the tray's
    // last messages (it takes its icon away as it goes) reach none of them.
    disconnect(&cSysTray1, nullptr, this, nullptr);
    startUpOption.reset();
    minimizeToTray.reset();
    pointer.reset();
}

void Form1::closeEvent(QCloseEvent* event)
{
    atQtEdge("Form_QueryUnload", [&] { minimizeToTray->Form_QueryUnload(); });
    event->accept(); // the close is never cancelled
}

void Form1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyColourScheme();
}

void Form1::applyColourScheme()
{
    if (SkinFramework1.isLoaded())
        return;
    const QPalette platform = QGuiApplication::palette();
    const ColourScheme scheme = colourSchemeFor(
        m_backEnds.colourScheme ? m_backEnds.colourScheme->preference() : std::nullopt, platform);
    qCInfo(windowLog, "colours: %s", scheme == ColourScheme::Dark ? "dark" : "light");
    const QPalette colours = windowPalette(scheme, platform);
    setPalette(colours);
    setAutoFillBackground(true);
    // Set on every control, not left to inheritance: a control that was
    // given colours of its own keeps the last scheme's otherwise.
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->isWindow())
            w->setPalette(colours);
    for (QWidget* w : std::initializer_list<QWidget*>{Frame1, Frame2, Frame3, Frame4, Option1,
                                                      Option2, Label1, Check4, Check8, Label2})
        paintBackground(*w, colours.color(QPalette::Window), colours.color(QPalette::WindowText));
}

void Form1::buildControls()
{
    QFont buttonFont("Arial");
    buttonFont.setPointSizeF(11.25);
    buttonFont.setBold(true);

    m_generatorButton = pushButton<GeneratorButton>(this, twips(120, 120, 7800, 405),
                                                    Caption::turnOn(), buttonFont);
    PushButton2 = m_generatorButton;

    Frame1 = place<QGroupBox>(this, twips(120, 570, 7800, 1725), tr("Play Option"));
    Option1 = place<QRadioButton>(Frame1, twips(180, 300, 3915, 300),
                                  tr("Play white noise until 'Turn Off' is clicked"));
    Option1->setChecked(true);
    Option2 = place<QRadioButton>(Frame1, twips(180, 700, 1230, 300), tr("Play from"));
    const QDateTime now = m_services.clock.now();
    DTPicker1 = picker(Frame1, twips(1440, 675, 6000, 375), now, Option2->text());
    // As wide as the room up to the picker: the designed 165 twips cut even
    // "to" by a pixel, and most languages need more.
    Label1 = place<QLabel>(Frame1, twips(1060, 1170, 335, 300), tr("to"));
    DTPicker2 = picker(Frame1, twips(1440, 1140, 6000, 375), now, Label1->text());
    Label1->setBuddy(DTPicker2);

    Frame2 = place<QGroupBox>(this, twips(120, 2340, 7800, 1335),
                              tr("Which style noise would you like to play?"));
    Combo1 = place<StyleList>(Frame2, twips(240, 300, 7310, 345));
    Combo1->setEditable(false);
    PushButton1 =
        pushButton(Frame2, twips(240, 750, 7310, 405), Caption::previewSound(), buttonFont);

    Frame3 = place<QGroupBox>(this, twips(120, 3720, 7800, 825), tr("Volume"));
    Slider1 = slider(Frame3, twips(60, 240, 7680, 495), 100);

    Frame4 = place<QGroupBox>(this, twips(120, 4590, 7800, 1035), tr("Startup Options"));
    Check4 = place<QCheckBox>(Frame4, twips(240, 300, 3930, 225),
                              tr("Load this software on Windows startup"));
    Check8 = place<QCheckBox>(Frame4, twips(240, 650, 2580, 225), tr("Start in system tray"));

    // Below the client area, as designed: part of the window but never seen.
    Label2 = place<QLabel>(this, twips(0, 6720, 435, 225), tr("Pitch"));
    Slider2 = slider(this, twips(225, 6840, 5610, 495), 50);
    // Out of sight, so out of reach: no Tab stop, nothing for a screen reader.
    // Otherwise the keyboard changes the speed with nothing on screen to undo it.
    Slider2->setFocusPolicy(Qt::NoFocus);
    m_hidden.hide(*Slider2);
    m_hidden.hide(*Label2);
    WindowsMediaPlayer1 = place<QWidget>(this, twips(2640, 7260, 5370, 690));
    m_hidden.hide(*WindowsMediaPlayer1);

    drawPlainFrames(*this, {Frame1, Frame2, Frame3, Frame4});

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setInterval(100);
}

void Form1::wireHandlers()
{
    // Each event runs its handler; a failure is logged and never reaches Qt,
    // and a failed save is told in a box, unless the load step is running
    // (its own statements report what fails there).
    const auto on = [this](auto* sender, auto signal, const char* name, auto handler) {
        connect(sender, signal, this, [this, name, handler] {
            atQtEdge(name, handler, m_loading ? nullptr : &m_services.errors);
            showGeneratorState();
            desktop.changed();
        });
    };
    on(PushButton2, &QPushButton::clicked, "PushButton2_Click",
       [this] { noisePlayer.PushButton2_Click(); });
    on(PushButton1, &QPushButton::clicked, "PushButton1_Click",
       [this] { noisePlayer.PushButton1_Click(); });
    on(Timer2, &QTimer::timeout, "Timer2_Timer", [this] { noisePlayer.Timer2_Timer(); });
    on(Timer1, &QTimer::timeout, "Timer1_Timer", [this] { playWindow.Timer1_Timer(); });
    on(Option1, &QRadioButton::clicked, "Option1_Click", [this] { playWindow.Option1_Click(); });
    on(Option2, &QRadioButton::clicked, "Option2_Click", [this] { playWindow.Option2_Click(); });
    on(DTPicker1, &QDateTimeEdit::dateTimeChanged, "DTPicker1_Change",
       [this] { playWindow.DTPicker1_Change(); });
    on(DTPicker2, &QDateTimeEdit::dateTimeChanged, "DTPicker2_Change",
       [this] { playWindow.DTPicker2_Change(); });
    on(Combo1, &QComboBox::activated, "Combo1_Click", [this] { soundControls.Combo1_Click(); });
    on(Slider1, &QSlider::valueChanged, "Slider1_Change",
       [this] { soundControls.Slider1_Change(); });
    on(Slider2, &QSlider::valueChanged, "Slider2_Change",
       [this] { soundControls.Slider2_Change(); });
    // Code that sets Check4 runs its handler itself; only a click comes here.
    on(Check4, &QCheckBox::clicked, "Check4_Click", [this] { startUpOption->Check4_Click(); });
    on(Check8, &QCheckBox::toggled, "Check8_Click", [this] { minimizeToTray->Check8_Click(); });
    connect(&cSysTray1, &cSysTray::MouseUp, this, [this](std::int16_t Button, std::int32_t Id) {
        atQtEdge("cSysTray1_MouseUp", [&] { minimizeToTray->cSysTray1_MouseUp(Button, Id); });
    });
}

void Form1::showGeneratorState()
{
    m_generatorButton->showState(PushButton2->text() == Caption::turnOff());
}

QString Form1::setting(const QString& key, const QString& defaultValue) const
{
    return m_services.settings.get(key, defaultValue);
}

// The user's own sounds come after the program folder's, so a stored index
// keeps naming the same style; each remembers where it was found.
void Form1::addUserStyles(Guard& guard)
{
    const QString base = m_backEnds.userFolder;
    // A program kept in the user's folder itself lists its sounds once.
    if (base.isEmpty() || QFileInfo(base) == QFileInfo(m_services.programFolder))
        return;
    // Made at the first start so there is a place to put them; a folder
    // that cannot be made only lists nothing.
    QDir().mkpath(base + "/sounds");
    QStringList files;
    guard(132, [&] { files = m_backEnds.listFiles(base + "/sounds", "*.*"); });
    for (qsizetype i = files.size(); i >= 1; --i) {
        guard(136, [&] {
            appendEntry(Combo1, styleName(files.at(i - 1)));
            Combo1->setItemData(Combo1->count() - 1, base, kStyleFolderRole);
        });
    }
}

void Form1::Form_Load()
{
    Guard guard(m_services.errors, Location::FormLoad);
    MediaPlayer& player = m_services.player;
    const QString folder = m_services.programFolder;

    guard(100, [&] { m_loading = true; });
    guard(104, [&] { ApplySkin(*this, folder, SkinFramework1); });
    if (guard.test(106, [&] { return PathExists(folder + "/HAND-M.CUR"); }))
        guard(108, [&] { pointer->setMouseIcon(loadHandCursor(folder + "/HAND-M.CUR")); });

    guard(130, [&] { setWindowTitle(kProductName); });
    guard(130, [&] { setWindowIcon(applicationIcon()); });
    // The application name, not the display name: Qt appends a display name
    // to every window's title, and the error box must read "Application Error".
    guard(130, [&] { QCoreApplication::setApplicationName(applicationTitle(kProductName)); });

    // The list comes back missing when listing fails. The loop's header is a
    // test, and a test that fails counts as held: the header's failure is
    // reported, and the body runs once, its first statement failing too.
    std::optional<QStringList> files;
    guard(132, [&] { files = m_backEnds.listFiles(folder + "/sounds", "*.*"); });
    qsizetype i = 0;
    const auto element = [&]() -> const QString& {
        if (!files || i < 1 || i > files->size())
            throw Failure("Subscript out of range");
        return files->at(i - 1);
    };
    bool more = guard.test(134, [&] {
        if (!files)
            throw Failure("Subscript out of range");
        i = files->size();
        return i >= 1;
    });
    while (more) {
        guard(136, [&] { appendEntry(Combo1, styleName(element())); });
        guard(138, [&] { --i; });
        more = i >= 1;
    }
    addUserStyles(guard);

    guard(140, [&] {
        if (setListIndex(Combo1, toInt16(setting(Key::Combo1, "0"))))
            soundControls.Combo1_Click();
    });
    guard(142, [&] {
        if (setSliderValue(Slider1, roundHalfEven(leadingNumber(setting(Key::Volume, "50")))))
            soundControls.Slider1_Change();
    });
    bool pitchTaken = false;
    guard(144, [&] {
        const bool changed =
            setSliderValue(Slider2, roundHalfEven(leadingNumber(setting(Key::Pitch, "1"))));
        pitchTaken = true;
        if (changed)
            soundControls.Slider2_Change();
    });
    if (!pitchTaken) {
        // The slider still holds its design value, 50 times normal speed:
        // a pitch it refused plays at normal speed. The stored text stays.
        const QSignalBlocker quiet(Slider2);
        Slider2->setValue(1);
    }
    guard(146, [&] { player.setVolume(Slider1->value()); });
    guard(148, [&] { player.setRate(static_cast<double>(Slider2->value())); });
    guard(150, [&] {
        if (setChecked(Check4, setting(Key::WindowsStartup, "Off") == "On"))
            startUpOption->Check4_Click(); // does nothing while loading
    });
    guard(152, [&] { minimizeToTray->restoreCheck8(); });
    if (guard.test(154, [&] { return Check8->isChecked(); }))
        guard(156, [&] { minimizeToTray->minimizeAtStart(); });
    guard(158, [&] { cSysTray1.setTrayTip(kTrayTip); });
    guard(160, [&] { cSysTray1.setInTray(true); });

    const QString now = formatGeneralDate(m_services.clock.now());
    guard(162, [&] {
        if (setPickerValue(DTPicker1, setting(Key::TimeFrom, now)))
            playWindow.DTPicker1_Change();
    });
    guard(164, [&] {
        if (setPickerValue(DTPicker2, setting(Key::TimeTo, now)))
            playWindow.DTPicker2_Change();
    });
    if (guard.test(166, [&] { return setting(Key::Option, "Infinite") == "Infinite"; })) {
        guard(168, [&] {
            if (setChecked(Option1, true))
                playWindow.Option1_Click();
        });
        guard(170, [&] { setChecked(Option2, false); });
        guard(172, [&] { playWindow.Option1_Click(); });
    } else {
        guard(174, [&] { setChecked(Option1, false); });
        guard(176, [&] {
            if (setChecked(Option2, true))
                playWindow.Option2_Click();
        });
        guard(178, [&] { playWindow.Option2_Click(); });
    }
    if (guard.test(180, [&] { return setting(Key::StartStopState, "OFF") == "ON"; })) {
        guard(182, [&] { PushButton2->setText(Caption::turnOff()); });
        guard(184, [&] { enableTimer(Timer1, true); });
    } else {
        guard(186, [&] { PushButton2->setText(Caption::turnOn()); });
        guard(188, [&] { enableTimer(Timer1, false); });
    }
    guard(190, [&] { m_loading = false; });
    showGeneratorState();
    desktop.changed();
}
