#include "playback/engine/OutputChooser.h"

#include "playback/engine/PulseOutput.h"
#include "playback/engine/SdlOutput.h"

#include <QtGlobal>

std::unique_ptr<AudioOutput> makeSdlOutput()
{
    return std::make_unique<SdlOutput>();
}

std::unique_ptr<AudioOutput> makeServerOutput()
{
    return std::make_unique<PulseOutput>();
}

OutputChoice preferredOutputs()
{
    // Qt's reading takes the environment's lock; getenv's does not.
    if (!qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        return {makeSdlOutput};
    return {makeServerOutput, makeSdlOutput};
}

OutputChooser::Choice OutputChooser::choose(const AudioOutput::Notify& notify, size_t below)
{
    for (size_t rank = 0; rank < m_kinds.size() && rank < below; ++rank) {
        std::unique_ptr<AudioOutput> output =
            m_waiting && m_waitingRank == rank ? std::move(m_waiting) : m_kinds[rank]();
        switch (output->open(notify)) {
        case AudioOutput::Status::Opened:
            m_waiting.reset();
            return {std::move(output), rank, false};
        case AudioOutput::Status::Waiting:
            m_waiting = std::move(output);
            m_waitingRank = rank;
            return {nullptr, rank, true};
        case AudioOutput::Status::Unavailable:
            break;
        }
    }
    return {};
}
