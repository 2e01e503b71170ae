#pragma once

#include <cstddef>
#include <functional>
#include <memory>

// Where rendered frames go: a sound server or a device. The output pulls
// interleaved stereo float frames at the rate it was opened with, on a thread
// of its own.
class AudioOutput
{
public:
    // Fills `frames` frames; runs on the output's thread and must not block.
    // `carryVolume`: the frames must carry the volume (the output does not
    // apply a gain of its own). False once everything after these frames is
    // silence (the file ended, or the stop faded out).
    using Pull = std::function<bool(float* out, size_t frames, bool carryVolume)>;

    virtual ~AudioOutput() = default;

    // Starts pulling, at `gain` where the output applies the volume itself.
    // False when the device or server cannot be had now.
    virtual bool open(int rate, float gain, Pull pull) = 0;
    // Stops pulling and lets go of the device; no pull runs after it returns.
    virtual void close() = 0;

    // Where the output applies the volume itself, heard at once; otherwise
    // nothing (the pulled frames carry it).
    virtual void setGain(float gain) = 0;
    // Fades what is heard to silence within a few milliseconds and returns
    // once that has played. False when the output holds too little audio to
    // need it: the frames pulled next must carry the fade.
    virtual bool fadeOut() = 0;
    // Replaces what is queued but not yet heard with frames pulled now, so a
    // change the frames carry (the speed) is heard at once. Nothing where
    // the queue is short anyway.
    virtual void refresh() {}
    // After the last frames were pulled: true once they have all been heard.
    virtual bool drained() = 0;
    // The device or server went away; close and open again.
    virtual bool lost() = 0;
};

// Opens the best output for `rate`, or returns null when none can be opened.
using OutputOpener =
    std::function<std::unique_ptr<AudioOutput>(int rate, float gain, AudioOutput::Pull pull)>;

// SDL only (its dummy and disk drivers keep tests deviceless).
std::unique_ptr<AudioOutput> openSdlOutput(int rate, float gain, AudioOutput::Pull pull);
