#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

// Where rendered frames go: a sound server or a device. Opened, started,
// drained and closed on the player's thread; the output pulls interleaved
// stereo float frames at its own rate on a thread of its own.
class AudioOutput
{
public:
    // Fills `frames` frames; runs on the output's thread and must not block.
    // False once everything after these frames is silence (the file ended,
    // or the stop faded out).
    using Pull = std::function<bool(float* out, size_t frames)>;
    // Called from any thread when something the player should look at
    // changed (lost, drained, a server or sink that can now be had).
    using Notify = std::function<void()>;

    enum class Status {
        Opened,      // rate() is known; nothing is pulled until start()
        Waiting,     // it answers but cannot play yet, and notifies when it can
        Unavailable, // nothing there: try the next output
    };

    virtual ~AudioOutput() = default;

    // Connects, or connects again after Waiting.
    virtual Status open(const Notify& notify) = 0;
    virtual int rate() const = 0;
    // Starts pulling. False when it cannot after all (then closed).
    virtual bool start(Pull pull) = 0;
    // Stops pulling and lets go of the device; no pull runs after it returns.
    virtual void close() = 0;

    // True: the output applies setGain() to the frames itself and wants them
    // at unity; false: the frames must carry the volume.
    virtual bool appliesVolume() const = 0;
    virtual void setGain(float) {}
    // True: the output notifies when it is lost; false: lost() must be asked.
    virtual bool tellsLoss() const = 0;

    // Fades what is heard to silence within a few milliseconds and returns
    // once that has played. False when the output holds too little audio to
    // need it: the frames pulled next must carry the fade.
    virtual bool fadeOut() = 0;
    // Replaces what is queued but not yet heard with frames pulled now, so a
    // change the frames carry (the speed) is heard at once. Nothing where
    // the queue is short anyway.
    virtual void refresh() {}
    // After the last frames were pulled: lets what is queued play out.
    virtual void drain() {}
    // True once a drain has played out. Asks only.
    virtual bool drained() const = 0;
    virtual bool lost() = 0;
};

// Makes one kind of output, unopened.
using OutputMaker = std::function<std::unique_ptr<AudioOutput>()>;
// Kinds of output in order of preference.
using OutputChoice = std::vector<OutputMaker>;
