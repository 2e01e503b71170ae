#include "playback/engine/MixSource.h"

#include "common/Failure.h"
#include "common/Logging.h"
#include "common/NativeNames.h"
#include "playback/engine/Decoder.h"
#include "playback/engine/Frames.h"
#include "playback/engine/Renderer.h"
#include "playback/engine/SoundSource.h"
#include "playback/engine/StyleFile.h"
#include "playback/engine/TellOnce.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <samplerate.h>

#include <algorithm>
#include <cstring>
#include <tuple>

namespace
{
// Frames a part keeps ready beyond what the others could give.
constexpr size_t blockFrames = 4096;
constexpr size_t feedFrames = 512;

// Line problems told one by one before the rest are summed up.
constexpr int maxLineProblems = 8;

// A mix retried every second by the play window must not repeat itself.
void tell(TellOnce* told, const QString& text)
{
    if (!told || told->first(text))
        qCWarning(audioLog, "%s", qPrintable(text));
}

// Just a file's name: no folder, nothing above it.
bool isPlainName(const QString& style)
{
    return !style.contains('/') && !style.contains('\\') && !style.contains(QChar(0)) &&
           style != QStringLiteral(".") && style != QStringLiteral("..");
}

// A part at another rate than the mix, brought to the mix's rate. It gives
// only what its part had ready: padding a late part with silence would slip
// it against the others for good.
class Resampled : public FrameSource
{
public:
    Resampled(FrameSource& inner, double ratio)
        : m_inner(inner), m_ratio(ratio), m_staged(feedFrames * frame::channels)
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
                m_left = m_inner.read(m_staged.data(), feedFrames);
                m_at = 0;
                if (m_left == 0 && !m_inner.exhausted())
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
    bool failed() override { return m_inner.failed(); }

private:
    FrameSource& m_inner;
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
    // No text holds a NUL: this is some other file with a mix's name.
    if (bytes.size() > maxMixBytes || bytes.contains('\0')) {
        problems << QStringLiteral("is not a mix; nothing in it plays");
        return parts;
    }
    int lineProblems = 0;
    size_t beyond = 0;
    const auto problem = [&](int line, const char* what) {
        if (++lineProblems <= maxLineProblems)
            problems << lineProblem(line, what);
    };
    QByteArray text = bytes;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString line = utf8(lines[i]);
        if (utf8.hasError()) {
            problem(i + 1, "is not UTF-8 text");
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
            problem(i + 1, "is not \"<style> = <level 1 to 100>\"");
            continue;
        }
        if (!isPlainName(style)) {
            problem(i + 1, "names a path, not a style");
            continue;
        }
        if (parts.size() == maxMixParts)
            ++beyond;
        else
            parts.push_back(MixPart{style, level});
    }
    if (lineProblems > maxLineProblems)
        problems << QString("%1 more lines left out").arg(lineProblems - maxLineProblems);
    if (beyond > 0)
        problems << QString("%1 parts after the first %2 left out").arg(beyond).arg(maxMixParts);
    return parts;
}

struct MixSource::Part {
    std::unique_ptr<FrameSource> file;
    std::unique_ptr<Resampled> resampled; // the file at another rate than the mix
    int fileRate = 0;
    FrameSource& source() { return resampled ? *resampled : *file; }
    // The file brought from `from` to the mix's `rate`.
    void bring(int from, int rate)
    {
        resampled.reset();
        if (from != rate)
            resampled = std::make_unique<Resampled>(*file, double(rate) / from);
    }
    float gain = 1.0f;
    std::vector<float> ready = std::vector<float>(blockFrames * frame::channels);
    size_t have = 0; // frames in `ready`
    bool over = false;
};

MixSource::MixSource(const QString& path, const SoundLookup& lookup, const std::atomic<bool>& loop,
                     double speed)
{
    const NativeFileName name = openNative(path, lookup.names);
    QFile file(name.path());
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QString("%1 cannot be read").arg(path));
    QStringList problems;
    // One byte more than a mix may hold tells a longer file from one.
    const std::vector<MixPart> parts = parseMix(file.read(maxMixBytes + 1), problems);
    file.close();

    QStringList folders{QFileInfo(path).absolutePath()};
    for (const QString& folder : lookup.soundFolders)
        if (!folders.contains(QDir(folder).absolutePath()))
            folders << QDir(folder).absolutePath();

    std::vector<std::tuple<std::unique_ptr<Decoder>, int, QString>> opened;
    for (const MixPart& part : parts) {
        QString found;
        for (const QString& folder : folders) {
            const QString candidate = soundFilePath(folder, part.style, lookup.names);
            if (isNativeFile(candidate, lookup.names)) {
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
            opened.emplace_back(
                std::make_unique<Decoder>(openNative(found, lookup.names), lookup.refused),
                part.level, part.style);
        } catch (const Failure&) {
            problems << QString("part \"%1\" cannot be played; left out").arg(part.style);
        }
    }

    long long room = heldBytes;
    for (size_t i = 0; i < opened.size(); ++i) {
        auto& [decoder, level, style] = opened[i];
        auto part = std::make_unique<Part>();
        part->fileRate = decoder->sampleRate();
        part->gain = Renderer::volumeGain(level);
        // Held parts leave room for the parts after them to stream.
        const long long kept = streamedBytes() * static_cast<long long>(opened.size() - i - 1);
        long long left = room - kept;
        try {
            part->file = fileSource(std::move(decoder), loop, part->fileRate * speed, &left);
            room = left + kept;
        } catch (const Failure& failure) {
            problems << QString("part \"%1\": %2; left out").arg(style, failure.what());
            continue;
        }
        if (m_parts.empty())
            m_rate = part->fileRate;
        part->bring(part->fileRate, m_rate);
        m_parts.push_back(std::move(part));
    }
    for (const QString& problem : std::as_const(problems))
        tell(lookup.told, QString("%1: %2").arg(path, problem));
    if (m_parts.empty())
        throw Failure(QString("%1 has no part that plays").arg(path));
    m_playRate = m_rate;
}

bool MixSource::playAt(int rate)
{
    if (rate <= 0)
        return false;
    if (rate == m_playRate)
        return true;
    // Held parts are resampled once to it, the others as they decode. What
    // a part had ready at the old rate is dropped: each loops on its own.
    for (auto& part : m_parts) {
        part->bring(part->file->playAt(rate) ? rate : part->fileRate, rate);
        part->have = 0;
    }
    m_playRate = rate;
    return true;
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
            const size_t got = part->source().read(
                part->ready.data() + part->have * frame::channels, frames - part->have);
            part->have += got;
            if (got == 0 && part->source().exhausted())
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
                       [](const auto& part) { return part->source().failed(); });
}
