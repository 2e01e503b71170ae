#include "playback/engine/MixSource.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "playback/engine/Decoder.h"
#include "playback/engine/Frames.h"
#include "playback/engine/Renderer.h"
#include "playback/engine/SoundSource.h"
#include "playback/engine/StyleFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <samplerate.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace
{
// Frames a part keeps ready beyond what the others could give.
constexpr size_t blockFrames = 4096;
constexpr size_t feedFrames = 512;

// A mix retried every second by the play window must not repeat itself.
void sayOnce(const QString& text)
{
    static std::mutex mutex;
    static QSet<QString> said;
    std::lock_guard lock(mutex);
    if (said.contains(text))
        return;
    said.insert(text);
    qCWarning(audioLog, "%s", qPrintable(text));
}

// A part at another rate than the mix, brought to the mix's rate. It gives
// only what its part had ready: padding a late part with silence would slip
// it against the others for good.
class Resampled : public FrameSource
{
public:
    Resampled(std::unique_ptr<FrameSource> inner, double ratio)
        : m_inner(std::move(inner)), m_ratio(ratio), m_staged(feedFrames * frame::channels)
    {
        int err = 0;
        m_state = src_new(SRC_SINC_FASTEST, frame::channels, &err);
        if (!m_state)
            throw Failure(QString("resampler unavailable: %1").arg(src_strerror(err)));
    }
    ~Resampled() override { src_delete(m_state); }
    Resampled(const Resampled&) = delete;
    Resampled& operator=(const Resampled&) = delete;

    size_t read(float* dst, size_t frames) override
    {
        size_t done = 0;
        while (done < frames && !m_over) {
            if (m_left == 0 && !m_innerOver) {
                m_left = m_inner->read(m_staged.data(), feedFrames);
                m_at = 0;
                if (m_left == 0 && !m_inner->exhausted())
                    break; // nothing ready yet
                m_innerOver = m_left == 0;
            }
            SRC_DATA data{};
            data.data_in = m_staged.data() + m_at * frame::channels;
            data.input_frames = long(m_left);
            data.data_out = dst + done * frame::channels;
            data.output_frames = long(frames - done);
            data.src_ratio = m_ratio;
            data.end_of_input = m_innerOver ? 1 : 0;
            if (src_process(m_state, &data) != 0) {
                m_over = true;
                break;
            }
            m_at += size_t(data.input_frames_used);
            m_left -= size_t(data.input_frames_used);
            done += size_t(data.output_frames_gen);
            if (m_innerOver && data.output_frames_gen == 0)
                m_over = true; // the converter's tail is out
            else if (data.input_frames_used == 0 && data.output_frames_gen == 0)
                break;
        }
        return done;
    }
    bool exhausted() override { return m_over; }
    bool failed() override { return m_inner->failed(); }

private:
    std::unique_ptr<FrameSource> m_inner;
    const double m_ratio;
    std::vector<float> m_staged;
    size_t m_at = 0;   // first staged frame not yet converted
    size_t m_left = 0; // staged frames not yet converted
    bool m_innerOver = false;
    bool m_over = false;
    SRC_STATE* m_state = nullptr;
};

QString lineProblem(int line, const char* what)
{
    return QString("line %1 %2; left out").arg(line).arg(QString::fromLatin1(what));
}
} // namespace

std::vector<MixPart> parseMix(const QByteArray& bytes, QStringList& problems)
{
    std::vector<MixPart> parts;
    QByteArray text = bytes;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString line = utf8(lines[i]);
        if (utf8.hasError()) {
            problems << lineProblem(i + 1, "is not UTF-8 text");
            continue;
        }
        const qsizetype comment = line.indexOf('#');
        if (comment >= 0)
            line.truncate(comment);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        // A style's name may hold '='; a level never does.
        const qsizetype eq = line.lastIndexOf('=');
        bool ok = false;
        const QString style = eq > 0 ? line.left(eq).trimmed() : QString();
        const int level = eq > 0 ? line.mid(eq + 1).trimmed().toInt(&ok) : 0;
        if (style.isEmpty() || !ok || level < 1 || level > 100) {
            problems << lineProblem(i + 1, "is not \"<style> = <level 1 to 100>\"");
            continue;
        }
        parts.push_back(MixPart{style, level});
    }
    return parts;
}

struct MixSource::Part {
    std::unique_ptr<FrameSource> source;
    FrameSource* file = nullptr; // the part before any resampling, to tell it the speed
    int fileRate = 0;
    float gain = 1.0f;
    std::vector<float> ready = std::vector<float>(blockFrames * frame::channels);
    size_t have = 0; // frames in `ready`
    bool over = false;
};

MixSource::MixSource(const QString& path, const QStringList& soundFolders,
                     const std::atomic<bool>& loop, double speed,
                     const std::shared_ptr<RefusedFiles>& refused)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QString("%1 cannot be read").arg(path));
    QStringList problems;
    const std::vector<MixPart> parts = parseMix(file.readAll(), problems);

    QStringList folders{QFileInfo(path).absolutePath()};
    for (const QString& folder : soundFolders)
        if (!folders.contains(QDir(folder).absolutePath()))
            folders << QDir(folder).absolutePath();

    std::vector<std::pair<std::unique_ptr<Decoder>, int>> opened;
    for (const MixPart& part : parts) {
        QString found;
        for (const QString& folder : folders) {
            const QString candidate = soundFilePath(folder, part.style);
            if (QFileInfo(candidate).isFile()) {
                found = candidate;
                break;
            }
        }
        if (found.isEmpty()) {
            problems << QString("part \"%1\" not found; left out").arg(part.style);
            continue;
        }
        // A mix of mixes could name itself; parts are sound files only.
        if (found.endsWith(QStringLiteral(".mix"), Qt::CaseInsensitive)) {
            problems << QString("part \"%1\" is a mix; left out").arg(part.style);
            continue;
        }
        try {
            opened.emplace_back(std::make_unique<Decoder>(found, refused), part.level);
        } catch (const Failure&) {
            problems << QString("part \"%1\" cannot be played; left out").arg(part.style);
        }
    }
    for (const QString& problem : problems)
        sayOnce(QString("%1: %2").arg(path, problem));
    if (opened.empty())
        throw Failure(QString("%1 has no part that plays").arg(path));

    m_rate = opened.front().first->sampleRate();
    long long held = heldBytes;
    for (auto& [decoder, level] : opened) {
        auto part = std::make_unique<Part>();
        part->fileRate = decoder->sampleRate();
        part->gain = Renderer::volumeGain(level);
        part->source = fileSource(std::move(decoder), loop, part->fileRate * speed, &held);
        part->file = part->source.get();
        if (part->fileRate != m_rate)
            part->source = std::make_unique<Resampled>(std::move(part->source),
                                                       double(m_rate) / part->fileRate);
        m_parts.push_back(std::move(part));
    }
}

MixSource::~MixSource() = default;

void MixSource::setDrainRate(double framesPerSecond)
{
    const double speed = framesPerSecond / m_rate;
    for (auto& part : m_parts)
        part->file->setDrainRate(part->fileRate * speed);
}

bool MixSource::holdsEveryFrame() const
{
    return std::all_of(m_parts.begin(), m_parts.end(),
                       [](const auto& part) { return part->file->holdsEveryFrame(); });
}

// Each part fills its own block; only as many frames as every playing part
// has ready go out, so a part that falls behind never slips against the rest.
size_t MixSource::read(float* dst, size_t frames)
{
    frames = std::min(frames, blockFrames);
    size_t out = frames;
    size_t tail = 0; // what parts that ended still hold
    bool playing = false;
    for (auto& part : m_parts) {
        if (!part->over && part->have < frames) {
            const size_t got = part->source->read(part->ready.data() + part->have * frame::channels,
                                                  frames - part->have);
            part->have += got;
            if (got == 0 && part->source->exhausted())
                part->over = true;
        }
        if (part->over) {
            tail = std::max(tail, part->have);
        } else {
            playing = true;
            out = std::min(out, part->have);
        }
    }
    if (!playing)
        out = std::min(frames, tail);

    std::fill_n(dst, out * frame::channels, 0.0f);
    for (auto& part : m_parts) {
        const size_t n = std::min(out, part->have);
        const float* src = part->ready.data();
        for (size_t i = 0; i < n * frame::channels; ++i)
            dst[i] += src[i] * part->gain;
        part->have -= n;
        std::memmove(part->ready.data(), src + n * frame::channels,
                     part->have * frame::channels * sizeof(float));
    }
    return out;
}

bool MixSource::exhausted()
{
    return std::all_of(m_parts.begin(), m_parts.end(),
                       [](const auto& part) { return part->over && part->have == 0; });
}

bool MixSource::failed()
{
    return std::any_of(m_parts.begin(), m_parts.end(),
                       [](const auto& part) { return part->source->failed(); });
}
