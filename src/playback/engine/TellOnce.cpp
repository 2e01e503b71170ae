#include "playback/engine/TellOnce.h"

#include <algorithm>

bool TellOnce::first(const QString& text)
{
    const std::lock_guard lock(m_mutex);
    if (std::find(m_told.begin(), m_told.end(), text) != m_told.end())
        return false;
    m_told.push_back(text);
    if (m_told.size() > capacity)
        m_told.pop_front();
    return true;
}
