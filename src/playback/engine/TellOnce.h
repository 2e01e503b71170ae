#pragma once

#include <QString>

#include <deque>
#include <mutex>

// Remembers what was told lately, so a sound retried every second by the
// play window does not repeat its problems on the log. Holds at most
// `capacity` texts; the oldest is forgotten first. Safe from any thread.
class TellOnce
{
public:
    static constexpr size_t capacity = 64;

    // True the first time `text` comes (again, once forgotten).
    bool first(const QString& text);

private:
    std::mutex m_mutex;
    std::deque<QString> m_told;
};
