#pragma once

#include <cstddef>

// Where the renderer takes its interleaved stereo float frames from.
class FrameSource
{
public:
    virtual ~FrameSource() = default;
    // Up to `frames` frames into dst; fewer when no more are ready yet.
    virtual size_t read(float* dst, size_t frames) = 0;
    // True once every frame has been read and no more will come.
    virtual bool exhausted() = 0;
    // True when the file could not be read again at a loop start: nothing
    // more comes until it is opened anew.
    virtual bool failed() { return false; }
    // Source frames the consumer uses per second, for a source that decodes
    // ahead at that pace.
    virtual void setDrainRate(double /*framesPerSecond*/) {}
    // True when any number of frames is ready at once, so the output's queue
    // can be rewritten at a new speed.
    virtual bool holdsEveryFrame() const { return false; }
    // Asks for the frames at `rate` (the output's) from here on; true when
    // they will come at it, false when they keep the file's rate.
    virtual bool playAt(int /*rate*/) { return false; }
};
