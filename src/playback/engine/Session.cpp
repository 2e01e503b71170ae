#include "playback/engine/Session.h"

#include "common/Failure.h"
#include "playback/engine/Renderer.h"

#include <algorithm>

namespace
{
// An output that cannot tell that it was lost is asked this often; a
// better output than the one playing, or one that waits, this often.
constexpr auto watchInterval = std::chrono::seconds(1);
constexpr auto betterInterval = std::chrono::seconds(5);
// No output at all (or a file that cannot be read again): tried again
// after 2 s a few times, then less and less often, so a night without a
// server costs next to nothing.
constexpr auto retryInterval = std::chrono::seconds(2);
constexpr auto retryIntervalMax = std::chrono::seconds(10);
constexpr int quickRetries = 3;

SteadyClock::duration retryAfter(int retries)
{
    const int doublings = std::clamp(retries - quickRetries + 1, 0, 4);
    return std::min<SteadyClock::duration>(retryInterval * (1 << doublings), retryIntervalMax);
}
} // namespace

Session::Session(SessionLink& link, QString path, Opener opener, const EdgeFade& fade)
    : m_link(link), m_path(std::move(path)), m_opener(std::move(opener)), m_chooser(link.outputs)
{
    tell(fade);
}

Session::~Session()
{
    closeOutput();
}

void Session::build(OpenedSound sound)
{
    m_fileRate = sound.rate;
    m_source = std::move(sound.source);
}

void Session::tell(const EdgeFade& fade)
{
    m_fade.put({fade, m_link.now().time_since_epoch().count()});
}

// A renderer made later (another output, the file opened again) starts on
// the fade's level at that moment.
EdgeFade Session::edgesNow(const FadeMailbox::Told& told) const
{
    EdgeFade fade = told.fade;
    if (fade.untilEnd >= 0.0) {
        const std::chrono::duration<double> since =
            m_link.now() - SteadyClock::time_point(SteadyClock::duration(told.when));
        fade.untilEnd = std::max(0.0, fade.untilEnd - since.count());
    }
    return fade;
}

// The output's thread.
void Session::takeEdges()
{
    FadeMailbox::Told told;
    if (m_fade.takeNew(m_fadeTaken, told))
        m_renderer->setEdgeFade(told.fade);
}

// The output's thread.
bool Session::pull(float* out, size_t frames)
{
    takeEdges();
    m_renderer->setVolume(m_outputVolume ? 100 : m_link.volume.load(std::memory_order_relaxed));
    m_renderer->setRate(m_link.rate.load(std::memory_order_relaxed));
    if (m_stopRequested.load(std::memory_order_relaxed))
        m_renderer->stop();
    m_renderer->render(out, frames);
    m_underrun.store(m_renderer->underrunFrames(), std::memory_order_relaxed);
    if (m_source->failed() && !m_failTold.exchange(true))
        m_link.wake();
    if (!m_renderer->finished())
        return true;
    if (m_renderer->ended() && !m_ended.exchange(true))
        m_link.wake();
    m_finished.store(true);
    if (m_quietPulls.fetch_add(1) + 1 == 2) {
        // Once per stop, and held for a moment only.
        std::lock_guard lock(m_quietMutex);
        m_quiet.notify_all();
    }
    return false;
}

void Session::notify()
{
    m_attention.store(true);
    m_link.wake();
}

void Session::closeOutput()
{
    if (m_output)
        m_output->close();
    m_output.reset();
    m_chooser.reset();
}

// Every frame from here on comes at the output's rate: a held file is
// resampled once to it, and the renderer converts only for a speed other
// than 1.
bool Session::startOutput(std::unique_ptr<AudioOutput> opened, size_t rank)
{
    closeOutput();
    const int rate = opened->rate();
    m_renderer =
        std::make_unique<Renderer>(*m_source, m_source->playAt(rate) ? rate : m_fileRate, rate);
    m_renderer->setRate(m_link.rate.load());
    m_renderer->setEdgeFade(edgesNow(m_fade.latest(&m_fadeTaken)));
    m_outputVolume = opened->appliesVolume();
    m_renderer->setVolume(m_outputVolume ? 100 : m_link.volume.load());
    if (m_outputVolume)
        opened->setGain(Renderer::volumeGain(m_link.volume.load()));
    m_finished.store(false);
    if (!opened->start([this](float* out, size_t frames) { return pull(out, frames); }))
        return false;
    m_output = std::move(opened);
    m_outputRank = rank;
    m_started.store(true);
    m_phase.store(Playing);
    m_betterAt = m_link.now() + betterInterval;
    return true;
}

void Session::choose()
{
    OutputChooser::Choice choice = m_chooser.choose([this] { notify(); });
    if (choice.output && startOutput(std::move(choice.output), choice.rank)) {
        m_retryAt.reset();
        m_retries = 0;
        m_link.tellOutput(true);
        return;
    }
    if (m_phase.load() != Lost)
        m_phase.store(Waiting);
    // One that waits notifies (and is asked again now and then, in case
    // its answer was lost to a hang); nothing at all is tried again later.
    m_retryAt = m_link.now() + (choice.waiting ? betterInterval : retryAfter(m_retries++));
    if (!choice.waiting)
        m_link.tellOutput(false);
}

// Plays on an output earlier in the order once it can be had (a server
// that came back), instead of staying on a fallback for good.
void Session::preferBetter()
{
    m_betterAt = m_link.now() + betterInterval;
    OutputChooser::Choice choice = m_chooser.choose([this] { notify(); }, m_outputRank);
    if (choice.output && !startOutput(std::move(choice.output), choice.rank)) {
        closeOutput();
        m_phase.store(Lost);
        m_attention.store(true);
    }
}

// The file could not be read again (gone, emptied, or now at another
// rate): open it anew, now or at a later try, from its first frame.
bool Session::reopenFile()
{
    closeOutput();
    m_renderer.reset();
    m_source.reset();
    m_failTold.store(false);
    try {
        build(m_opener());
    } catch (const Failure&) {
        m_retryAt = m_link.now() + retryAfter(m_retries++);
        return false;
    }
    m_attention.store(true); // and an output for it
    return true;
}

std::optional<SteadyClock::time_point> Session::serve()
{
    if (!m_opened) {
        m_opened = true;
        try {
            build(m_opener());
        } catch (const Failure&) {
            // Unplayable: no message, and nothing plays.
            m_phase.store(Unplayable);
        }
    }
    const Phase now = phase();
    if (now == Ended || now == Unplayable)
        return std::nullopt;
    const auto time = m_link.now();
    if (m_source && m_source->failed()) {
        m_phase.store(Waiting);
        reopenFile();
    }
    if (!m_source) {
        if (m_retryAt && time < *m_retryAt)
            return m_retryAt;
        if (!reopenFile())
            return m_retryAt;
    }
    if (m_output) {
        if (m_ended.load()) {
            if (!m_draining) {
                m_draining = true;
                m_output->drain();
            }
            if (!m_output->drained())
                return m_output->tellsLoss() ? std::nullopt : std::optional(time + watchInterval);
            closeOutput();
            m_phase.store(Ended);
            return std::nullopt;
        }
        if (m_outputRank > 0 && time >= m_betterAt)
            preferBetter();
        if (m_output && !m_output->lost())
            return nextLook();
        m_phase.store(Lost);
        closeOutput();
        m_attention.store(true);
    }
    if (m_attention.exchange(false) || (m_retryAt && time >= *m_retryAt))
        choose();
    return m_output ? nextLook() : m_retryAt;
}

// While playing: when to ask an output that cannot tell it was lost, and
// when to look for a better one.
std::optional<SteadyClock::time_point> Session::nextLook() const
{
    std::optional<SteadyClock::time_point> next;
    if (m_outputRank > 0)
        next = m_betterAt;
    if (m_output && !m_output->tellsLoss()) {
        const auto watch = m_link.now() + watchInterval;
        next = next ? std::min(*next, watch) : watch;
    }
    return next;
}

void Session::halt(bool fade)
{
    if (fade && m_output && !m_finished.load() && phase() == Playing && !m_output->fadeOut()) {
        m_stopRequested.store(true);
        // The fade plus one whole buffer of silence reach the device before
        // it closes; bounded in case the device has gone quiet.
        std::unique_lock lock(m_quietMutex);
        m_quiet.wait_for(lock, std::chrono::milliseconds(200),
                         [this] { return m_quietPulls.load() >= 2; });
    }
    closeOutput();
}

void Session::volumeChanged()
{
    if (m_output && m_outputVolume)
        m_output->setGain(Renderer::volumeGain(m_link.volume.load()));
}

void Session::rateChanged()
{
    if (!m_source)
        return;
    m_source->setDrainRate(m_link.rate.load() * m_fileRate);
    if (m_output && m_source->holdsEveryFrame())
        m_output->refresh();
}
