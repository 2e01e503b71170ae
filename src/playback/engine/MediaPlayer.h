#pragma once

#include "playback/engine/EdgeFade.h"

#include <QString>

// Play states, numbered as media players conventionally number them.
enum class PlayState : int {
    Undefined = 0,
    Stopped = 1,
    Playing = 3,
    MediaEnded = 8,
    Transitioning = 9,
    Ready = 10,
};

// The seven operations the window needs of a player: the usual six and the
// play window's edge fades. An operation that cannot take its argument
// throws Failure.
class MediaPlayer
{
public:
    virtual ~MediaPlayer() = default;

    // Opens the file and starts it from its first frame; a file that cannot be
    // played leaves the player not playing, without a message.
    virtual void playFile(const QString& path) = 0;
    // True: the file repeats without end; holds for files assigned later.
    virtual void setLoopMode(bool loop) = 0;
    // 0 to 100 on a perceptual scale; 100 is unity gain.
    virtual void setVolume(int volume) = 0;
    // Speed factor, 1 is normal speed.
    virtual void setRate(double rate) = 0;
    virtual void stop() = 0;
    virtual PlayState playState() const = 0;
    // The play window's gentle edges: the file now playing follows them from
    // now on; when none plays, the next file assigned starts with them. Any
    // other assignment plays without.
    virtual void setEdgeFade(const EdgeFade& fade) = 0;
};
