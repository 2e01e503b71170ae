#include "tray/Handles.h"

#include <QPointer>

#include <unordered_map>

namespace
{

template <typename T> class HandleTable
{
public:
    std::uint32_t add(T value)
    {
        // Skip 0 (no handle) and anything still in use after a wrap.
        do {
            ++m_next;
        } while (m_next == 0 || m_entries.count(m_next) != 0);
        m_entries.emplace(m_next, std::move(value));
        return m_next;
    }
    void remove(std::uint32_t handle) { m_entries.erase(handle); }
    T find(std::uint32_t handle) const
    {
        const auto it = m_entries.find(handle);
        return it == m_entries.end() ? T() : it->second;
    }

private:
    std::uint32_t m_next = 0;
    std::unordered_map<std::uint32_t, T> m_entries;
};

HandleTable<QPointer<QObject>>& windows()
{
    static HandleTable<QPointer<QObject>> table;
    return table;
}

HandleTable<QIcon>& images()
{
    static HandleTable<QIcon> table;
    return table;
}

} // namespace

std::uint32_t registerWindow(QObject* window)
{
    return windows().add(QPointer<QObject>(window));
}

void unregisterWindow(std::uint32_t hWnd)
{
    windows().remove(hWnd);
}

QObject* windowFromHandle(std::uint32_t hWnd)
{
    return windows().find(hWnd).data();
}

std::uint32_t registerImage(const QIcon& image)
{
    return images().add(image);
}

void unregisterImage(std::uint32_t handle)
{
    images().remove(handle);
}

QIcon imageFromHandle(std::uint32_t handle)
{
    return images().find(handle);
}
