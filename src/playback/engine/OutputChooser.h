#pragma once

#include "playback/engine/AudioOutput.h"

#include <memory>

std::unique_ptr<AudioOutput> makeSdlOutput();
std::unique_ptr<AudioOutput> makeServerOutput();

// The sound server, then SDL for a machine where no server answers; SDL
// alone when SDL_AUDIODRIVER names a driver (tests and users who ask).
OutputChoice preferredOutputs();

// Tries the kinds of output in order of preference. One that answers but
// cannot play yet (a server without a sink, or slow to answer) is kept and
// waited for: the kinds after it are never tried, so two outputs never
// reach the same server.
class OutputChooser
{
public:
    explicit OutputChooser(OutputChoice kinds) : m_kinds(std::move(kinds)) {}

    struct Choice {
        std::unique_ptr<AudioOutput> output; // opened, or null
        size_t rank = 0;                     // its place in the order
        bool waiting = false;                // none yet, but one will notify
    };
    // The first that opens, up to `below` (exclusive): a better one than
    // what plays now.
    Choice choose(const AudioOutput::Notify& notify, size_t below = size_t(-1));
    // Lets go of an output that was waited for.
    void reset() { m_waiting.reset(); }

private:
    OutputChoice m_kinds;
    std::unique_ptr<AudioOutput> m_waiting;
    size_t m_waitingRank = 0;
};
