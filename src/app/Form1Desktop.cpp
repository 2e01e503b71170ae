#include "app/Form1Desktop.h"

#include "app/Form1.h"
#include "common/Guard.h"
#include "playback/engine/MediaPlayer.h"
#include "playback/NoisePlayer.h"
#include "playback/StylePath.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>

DesktopPlayerState Form1Desktop::desktopState() const
{
    DesktopPlayerState state;
    state.generatorOn = m_form.PushButton2->text() == Caption::turnOff();
    state.previewOn = m_form.PushButton1->text() == Caption::stop();
    state.soundPlaying = m_player.playState() == PlayState::Playing;
    state.volume = m_form.Slider1->value();
    state.styleIndex = m_form.Combo1->currentIndex();
    state.style = styleTitle(m_form.Combo1->currentText());
    return state;
}

// Like a click, an action from the desktop waits until the load step is done
// and no box holds the window (a handler waits inside it).
bool Form1Desktop::takesInput() const
{
    return !m_form.loading() && !QApplication::activeModalWidget();
}

void Form1Desktop::clickTurnOnOff()
{
    if (takesInput())
        m_form.PushButton2->click();
}

void Form1Desktop::clickPreview()
{
    if (takesInput())
        m_form.PushButton1->click();
}

void Form1Desktop::moveVolume(int value)
{
    // Through the slider's own change, so it is stored and heard like a drag.
    if (takesInput())
        m_form.Slider1->setValue(value);
}

void Form1Desktop::raiseWindow()
{
    atQtEdge("cSysTray1_MouseUp", [this] { m_form.minimizeToTray->cSysTray1_MouseUp(0, 0); });
}

void Form1Desktop::closeWindow()
{
    if (!takesInput())
        return;
    // A window hidden in the tray still gets its close, so the icon goes too.
    m_form.close();
    QCoreApplication::quit();
}

void Form1Desktop::setDesktopListener(std::function<void()> listener)
{
    m_listener = std::move(listener);
}

void Form1Desktop::changed() const
{
    if (m_listener)
        m_listener();
}
