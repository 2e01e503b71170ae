// PulseOutput's connecting side: the server, the default sink, the stream,
// and waiting for their answers. The queue's writing and rewriting is in
// PulseOutput.cpp.
#include "playback/engine/PulseOutput.h"

#include <pulse/pulseaudio.h>

namespace
{
// A server that has not answered by then is busy or hung: waited for, not
// replaced by another output on the same server.
constexpr int answerMs = 500;
constexpr int queryMs = 1000;
constexpr int streamMs = 2000;

bool contextGone(pa_context* c)
{
    const pa_context_state_t s = pa_context_get_state(c);
    return s == PA_CONTEXT_FAILED || s == PA_CONTEXT_TERMINATED;
}

bool streamGone(pa_stream* s)
{
    const pa_stream_state_t state = pa_stream_get_state(s);
    return state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED;
}

// A wait's deadline, as a time event on the loop.
struct Deadline {
    pa_threaded_mainloop* loop;
    bool passed = false;
};

void deadlinePassed(pa_mainloop_api*, pa_time_event*, const timeval*, void* self)
{
    auto* deadline = static_cast<Deadline*>(self);
    deadline->passed = true;
    pa_threaded_mainloop_signal(deadline->loop, 0);
}
} // namespace

PulseOutput::~PulseOutput()
{
    close();
}

void PulseOutput::forget(pa_operation* op)
{
    if (op)
        pa_operation_unref(op);
}

// Called with the loop locked. Sleeps until a callback signals the loop
// (every one that changes what `ready` looks at does) or the deadline's
// time event fires.
template <class Ready> bool PulseOutput::waitFor(Ready ready, int ms)
{
    if (ready())
        return true;
    Deadline deadline{m_loop};
    pa_time_event* timer = pa_context_rttime_new(
        m_context, pa_rtclock_now() + pa_usec_t(ms) * PA_USEC_PER_MSEC, &deadlinePassed, &deadline);
    if (!timer)
        return false;
    while (!ready() && !deadline.passed)
        pa_threaded_mainloop_wait(m_loop);
    pa_threaded_mainloop_get_api(m_loop)->time_free(timer);
    return ready();
}

bool PulseOutput::waitForOperation(pa_operation* op, int ms)
{
    pa_operation_set_state_callback(
        op,
        [](pa_operation*, void* loop) {
            pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
        },
        m_loop);
    const bool done =
        waitFor([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, ms);
    pa_operation_set_state_callback(op, nullptr, nullptr);
    return done;
}

// With the loop locked, from a callback: wakes a wait, and the player when
// it listens (not while open() itself waits for the answer: a server that
// is not there would otherwise send the player straight back to open()).
void PulseOutput::tell()
{
    pa_threaded_mainloop_signal(m_loop, 0);
    if (m_listening && m_notify)
        m_notify();
}

// A new connection when there is none or it failed; false when no server
// is there at all.
bool PulseOutput::connect()
{
    if (m_context && !contextGone(m_context))
        return true;
    close();
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return false;
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Hushwave");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, HUSHWAVE_APP_ID);
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, HUSHWAVE_APP_ID);
    m_context =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), "Hushwave", props);
    pa_proplist_free(props);
    if (!m_context) {
        close();
        return false;
    }
    pa_context_set_state_callback(m_context, &PulseOutput::contextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(m_loop) < 0) {
        close();
        return false;
    }
    return true;
}

AudioOutput::Status PulseOutput::open(const Notify& notify)
{
    if (!connect())
        return Status::Unavailable;
    pa_threaded_mainloop_lock(m_loop);
    m_notify = notify;
    m_listening = false;
    const bool answered = waitFor(
        [this] {
            return pa_context_get_state(m_context) == PA_CONTEXT_READY || contextGone(m_context);
        },
        answerMs);
    if (answered && contextGone(m_context)) {
        pa_threaded_mainloop_unlock(m_loop);
        close();
        return Status::Unavailable;
    }
    m_listening = true;
    if (!answered) {
        // The state callback tells when it answers.
        pa_threaded_mainloop_unlock(m_loop);
        return Status::Waiting;
    }
    if (!m_subscribed) {
        // A sink that comes later is told, so play can begin at once.
        pa_context_set_subscribe_callback(
            m_context,
            [](pa_context* c, pa_subscription_event_type_t type, uint32_t index, void* self) {
                sinkEvent(c, int(type), index, self);
            },
            this);
        forget(pa_context_subscribe(m_context, PA_SUBSCRIPTION_MASK_SINK, nullptr, nullptr));
        m_subscribed = true;
    }
    const int rate = defaultSinkRate();
    pa_threaded_mainloop_unlock(m_loop);
    if (rate <= 0)
        return Status::Waiting;
    m_rate = rate;
    return Status::Opened;
}

// With the loop locked: the default sink's rate, or 0 when there is no sink.
int PulseOutput::defaultSinkRate()
{
    m_sinkRate = 0;
    pa_operation* op =
        pa_context_get_sink_info_by_name(m_context, "@DEFAULT_SINK@", &PulseOutput::sinkInfo, this);
    if (!op)
        return 0;
    waitForOperation(op, queryMs);
    pa_operation_cancel(op);
    pa_operation_unref(op);
    return m_sinkRate;
}

void PulseOutput::sinkInfo(pa_context*, const pa_sink_info* info, int eol, void* self)
{
    auto* out = static_cast<PulseOutput*>(self);
    if (eol == 0 && info)
        out->m_sinkRate = int(info->sample_spec.rate);
}

void PulseOutput::sinkEvent(pa_context*, int type, uint32_t, void* self)
{
    const int kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SINK &&
        kind == PA_SUBSCRIPTION_EVENT_NEW)
        static_cast<PulseOutput*>(self)->tell();
}

// A playback stream on the connection, ready to be written; false when the
// server would not give one in time.
bool PulseOutput::connectStream(const pa_sample_spec& spec, const pa_buffer_attr& attr)
{
    pa_threaded_mainloop_lock(m_loop);
    m_stream = pa_stream_new(m_context, "Noise", &spec, nullptr);
    bool ok = m_stream != nullptr;
    if (ok) {
        pa_stream_set_state_callback(m_stream, &PulseOutput::streamState, this);
        pa_stream_set_write_callback(m_stream, &PulseOutput::writeRequest, this);
        // No volume of ours: the server keeps the one the user gave the
        // stream in the desktop's mixer.
        ok = pa_stream_connect_playback(m_stream, nullptr, &attr, PA_STREAM_NOFLAGS, nullptr,
                                        nullptr) == 0 &&
             waitFor(
                 [this] {
                     return pa_stream_get_state(m_stream) == PA_STREAM_READY ||
                            streamGone(m_stream) || contextGone(m_context);
                 },
                 streamMs) &&
             pa_stream_get_state(m_stream) == PA_STREAM_READY;
    }
    if (!ok)
        closeStream();
    pa_threaded_mainloop_unlock(m_loop);
    return ok;
}

// With the loop locked.
void PulseOutput::closeStream()
{
    if (!m_stream)
        return;
    pa_stream_set_write_callback(m_stream, nullptr, nullptr);
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

void PulseOutput::close()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    m_listening = false;
    closeStream();
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    m_subscribed = false;
    pa_threaded_mainloop_unlock(m_loop);
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

void PulseOutput::contextState(pa_context* context, void* self)
{
    auto* out = static_cast<PulseOutput*>(self);
    if (contextGone(context) && out->m_stream)
        out->m_lost.store(true);
    if (contextGone(context) || pa_context_get_state(context) == PA_CONTEXT_READY)
        out->tell();
}

void PulseOutput::streamState(pa_stream* stream, void* self)
{
    auto* out = static_cast<PulseOutput*>(self);
    if (streamGone(stream)) {
        out->m_lost.store(true);
        out->tell();
    } else if (pa_stream_get_state(stream) == PA_STREAM_READY) {
        pa_threaded_mainloop_signal(out->m_loop, 0);
    }
}
