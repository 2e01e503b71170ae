#pragma once

#include <QString>

#include <functional>

// What the desktop sees of the player: read from the window's controls and
// the player, never stored apart from them.
struct DesktopPlayerState {
    bool generatorOn = false;  // "Turn Off" is showing
    bool previewOn = false;    // the preview button reads "Stop"
    bool soundPlaying = false; // the player is producing sound right now
    int volume = 50;           // the volume slider, 1..100
    int styleIndex = -1;
    QString style;

    bool operator==(const DesktopPlayerState&) const = default;
};

// The window's side of the desktop services. Every action goes through the
// window's own handlers, so a panel or a media key does exactly what the
// matching click does.
class DesktopWindow
{
public:
    virtual ~DesktopWindow() = default;

    virtual DesktopPlayerState desktopState() const = 0;
    // False while the window would not take a click either: its load step
    // runs, or a box waits for an answer.
    virtual bool takesInput() const = 0;
    // A click on "Turn On" / "Turn Off".
    virtual void clickTurnOnOff() = 0;
    // A click on "Preview Sound" / "Stop".
    virtual void clickPreview() = 0;
    // The volume slider moved to a value (1..100), as a user would move it.
    virtual void moveVolume(int value) = 0;
    // Shown and raised, out of the tray too, as a click on the tray icon does.
    virtual void raiseWindow() = 0;
    // Closed as its close button closes it; the program then ends.
    virtual void closeWindow() = 0;
    // Called after anything that may have changed the state.
    virtual void setDesktopListener(std::function<void()> listener) = 0;
};
