#include "playback/engine/Decoder.h"

#include "common/Failure.h"
#include "playback/engine/AudioContent.h"
#include "playback/engine/Frames.h"
#include "playback/engine/Mpg123Decoder.h"
#include "playback/engine/SndfileDecoder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
// The open check decodes this much and refuses the file when more than a
// quarter of it is damage: a stream of false frames, or a float file of
// nonsense.
constexpr size_t headFrames = 16 * Decoder::checkFrames;
} // namespace

bool RefusedFiles::contains(const QString& path, const Decoder::Identity& identity) const
{
    std::lock_guard lock(m_mutex);
    return std::find(m_files.begin(), m_files.end(), std::make_pair(path, identity)) !=
           m_files.end();
}

void RefusedFiles::add(const QString& path, const Decoder::Identity& identity)
{
    std::lock_guard lock(m_mutex);
    m_files.emplace_back(path, identity);
    if (m_files.size() > maxFiles)
        m_files.pop_front();
}

Decoder::Decoder(const QString& path, std::shared_ptr<RefusedFiles> refused)
    : Decoder(NativeFileName(path), std::move(refused))
{
}

Decoder::Decoder(NativeFileName name, std::shared_ptr<RefusedFiles> refused)
    : m_name(std::move(name)), m_path(m_name.path()), m_refused(std::move(refused))
{
    open();
}

Decoder::~Decoder() = default;

Decoder::Identity Decoder::identityOf(const QString& path)
{
    struct stat st {
    };
    Identity id;
    if (stat(QFile::encodeName(path).constData(), &st) != 0)
        return id;
    id.size = st.st_size;
    id.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    // Also moves with a chmod or a rename, which may make a refused file readable.
    id.changed = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    id.inode = st.st_ino;
    id.device = st.st_dev;
    return id;
}

void Decoder::open()
{
    m_format.reset();
    m_file.close();
    m_file.setFileName(m_path);
    m_identity = identityOf(m_path);
    if (m_refused && m_refused->contains(m_path, m_identity))
        throw Failure(QString("refused before: %1").arg(m_path));
    try {
        openFormat();
    } catch (const Failure&) {
        m_format.reset();
        m_file.close();
        if (m_refused && m_identity.size >= 0)
            m_refused->add(m_path, m_identity);
        throw;
    }
}

void Decoder::openFormat()
{
    // A pipe or a device would block the opener, or never end.
    struct stat st {
    };
    if (stat(QFile::encodeName(m_path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        throw Failure(QString("not a file: %1").arg(m_path));
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Failure(QString("cannot open %1: %2").arg(m_path, m_file.errorString()));

    const AudioContent content = sniffAudio(m_file);
    if (content == AudioContent::Unknown || !m_file.seek(0))
        throw Failure(QString("not a sound file: %1").arg(m_path));
    if (content == AudioContent::Mpeg)
        m_format = std::make_unique<Mpg123Decoder>(m_file.handle(), m_path);
    else
        m_format = std::make_unique<SndfileDecoder>(m_file.handle(), m_path);
    m_rate = m_format->sampleRate();

    m_head.assign(headFrames * frame::channels, 0.0f);
    m_headPos = 0;
    size_t got = 0;
    while (got < headFrames) {
        const size_t n = m_format->read(m_head.data() + got * frame::channels, headFrames - got);
        if (n == 0)
            break;
        got += n;
    }
    const uint64_t silencedBefore = m_silenced;
    guard(m_head.data(), got);
    const uint64_t damaged = m_silenced - silencedBefore;
    const uint64_t blocks = (got + checkFrames - 1) / checkFrames;
    if (got == 0 || damaged * 4 > blocks)
        throw Failure(QString("cannot decode %1").arg(m_path));
    m_head.resize(got * frame::channels);
}

void Decoder::guard(float* samples, size_t frames)
{
    const size_t limit = size_t(double(checkFrames * frame::channels) * impossibleShare);
    for (size_t at = 0; at < frames; at += checkFrames) {
        float* block = samples + at * frame::channels;
        const size_t count = std::min(checkFrames, frames - at) * frame::channels;
        size_t impossible = 0;
        for (size_t i = 0; i < count; ++i) {
            // Written so that NaN counts too. Clipped instead, one such
            // sample would be heard as a click at full scale.
            if (!(std::abs(block[i]) <= impossibleLevel)) {
                ++impossible;
                block[i] = 0.0f;
            }
        }
        if (impossible > limit) {
            std::fill_n(block, count, 0.0f);
            ++m_silenced;
        }
    }
}

size_t Decoder::read(float* dst, size_t frames)
{
    size_t total = 0;
    const size_t headLeft = m_head.size() / frame::channels - m_headPos;
    if (headLeft > 0) {
        const size_t n = std::min(headLeft, frames);
        std::memcpy(dst, m_head.data() + m_headPos * frame::channels,
                    n * frame::channels * sizeof(float));
        m_headPos += n;
        total = n;
        if (m_headPos * frame::channels == m_head.size()) {
            m_head.clear();
            m_head.shrink_to_fit();
            m_headPos = 0;
        }
    }
    if (total < frames && m_format) {
        const size_t n = m_format->read(dst + total * frame::channels, frames - total);
        guard(dst + total * frame::channels, n);
        total += n;
    }
    return total;
}

long long Decoder::lengthFrames() const
{
    return m_format ? m_format->lengthFrames() : -1;
}

bool Decoder::rewind()
{
    m_head.clear();
    m_headPos = 0;
    if (!m_format)
        return false;
    if (identityOf(m_path) == m_identity)
        return m_format->rewind();
    // Changed under us: what we had decoded no longer describes the file.
    const int rate = m_rate;
    try {
        open();
    } catch (const Failure&) {
        return false;
    }
    if (m_rate != rate) {
        m_format.reset();
        m_head.clear();
        m_rate = rate;
        return false;
    }
    return true;
}
