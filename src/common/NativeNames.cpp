#include "common/NativeNames.h"

#include <QFile>

#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool keepsBytes(const QString& text, const QByteArray& native)
{
    return QFile::encodeName(text) == native;
}

NativeFileName NativeFileName::open(const QByteArray& native)
{
    QString text = QFile::decodeName(native);
    if (keepsBytes(text, native))
        return NativeFileName(std::move(text));
    // O_PATH: a name for the file, no access yet; the decoder opens it anew.
    NativeFileName name;
    name.m_fd = ::open(native.constData(), O_PATH | O_CLOEXEC);
    if (name.m_fd >= 0)
        name.m_path = QStringLiteral("/proc/self/fd/%1").arg(name.m_fd);
    return name;
}

NativeFileName::~NativeFileName()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

NativeFileName::NativeFileName(NativeFileName&& other) noexcept
    : m_path(std::move(other.m_path)), m_fd(std::exchange(other.m_fd, -1))
{
}

NativeFileName& NativeFileName::operator=(NativeFileName&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_path = std::move(other.m_path);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

QString NativeNames::shownName(const QString& folder, const QByteArray& name)
{
    QString text = QFile::decodeName(name);
    if (keepsBytes(text, name))
        return text;
    QString shown = QString::fromLatin1(name);
    QString base = folder;
    if (!base.endsWith('/'))
        base += '/';
    const QByteArray bytes = QFile::encodeName(base) + name;
    const std::lock_guard lock(m_mutex);
    m_names.insert(base + shown, bytes);
    return shown;
}

QByteArray NativeNames::bytesOf(const QString& path) const
{
    {
        const std::lock_guard lock(m_mutex);
        const auto known = m_names.constFind(path);
        if (known != m_names.constEnd())
            return *known;
    }
    return QFile::encodeName(path);
}

namespace
{
QByteArray nativeBytes(const QString& path, const NativeNames* names)
{
    return names ? names->bytesOf(path) : QFile::encodeName(path);
}
} // namespace

NativeFileName openNative(const QString& path, const NativeNames* names)
{
    return NativeFileName::open(nativeBytes(path, names));
}

bool isNativeFile(const QString& path, const NativeNames* names)
{
    struct stat st {
    };
    return ::stat(nativeBytes(path, names).constData(), &st) == 0 && S_ISREG(st.st_mode);
}
