#pragma once

#include <QString>

// Play states, numbered as media players conventionally number them.
namespace PlayState
{
constexpr int Undefined = 0;
constexpr int Stopped = 1;
constexpr int Playing = 3;
constexpr int MediaEnded = 8;
constexpr int Transitioning = 9;
constexpr int Ready = 10;
} // namespace PlayState

// The six operations the window needs of a player. An operation that cannot
// take its argument throws Failure.
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
    virtual int playState() const = 0;
};
