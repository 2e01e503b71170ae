#pragma once

#include "system/desktop/DesktopWindow.h"

#include <functional>

class Form1;
class MediaPlayer;

// The window as the desktop's panels and media keys see it: its state read
// from the controls and the player, its actions done by its own controls.
class Form1Desktop : public DesktopWindow
{
public:
    Form1Desktop(Form1& form, MediaPlayer& player) : m_form(form), m_player(player) {}

    DesktopPlayerState desktopState() const override;
    bool takesInput() const override;
    void clickTurnOnOff() override;
    void clickPreview() override;
    void moveVolume(int value) override;
    void raiseWindow() override;
    void closeWindow() override;
    void setDesktopListener(std::function<void()> listener) override;

    // The window calls this after anything that may have changed the state.
    void changed() const;

private:
    Form1& m_form;
    MediaPlayer& m_player;
    std::function<void()> m_listener;
};
