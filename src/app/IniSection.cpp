#include "app/IniSection.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace
{
const QByteArray kUtf8Bom("\xef\xbb\xbf");
// What makes a line more than text up to its newline.
constexpr char kLook[] = {'"', '\\', ';', '\r'};

bool isNewline(char c)
{
    return c == '\n' || c == '\r';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A section name or key as QSettings reads it: %XX and %UXXXX escapes, and
// a backslash for the group separator.
QString unescapedKey(const QByteArray& raw)
{
    QString name;
    QByteArray plain;
    const auto flush = [&] {
        name += QString::fromUtf8(plain);
        plain.clear();
    };
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        int code = -1;
        int length = 0;
        if (c == '%' && i + 5 < raw.size() && raw[i + 1] == 'U') {
            code = 0;
            for (int k = 2; k < 6 && code >= 0; ++k)
                code = hexValue(raw[i + k]) < 0 ? -1 : code * 16 + hexValue(raw[i + k]);
            length = 6;
        } else if (c == '%' && i + 2 < raw.size() && hexValue(raw[i + 1]) >= 0 &&
                   hexValue(raw[i + 2]) >= 0) {
            code = hexValue(raw[i + 1]) * 16 + hexValue(raw[i + 2]);
            length = 3;
        }
        if (code >= 0) {
            flush();
            name += QChar(code);
            i += length - 1;
        } else if (c == '\\') {
            flush();
            name += QLatin1Char('/');
        } else {
            plain += c;
        }
    }
    flush();
    return name;
}
} // namespace

IniScan scanIni(const QByteArray& file, const QString& section, const QSet<QString>* keys)
{
    IniScan scan;
    const char* data = file.constData();
    const qsizetype size = file.size();
    scan.begin = file.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;
    qsizetype pos = scan.begin;
    bool inSection = false;
    bool firstPart = false;
    qsizetype next[std::size(kLook)] = {-2, -2, -2, -2}; // -2: not looked for yet
    QList<QByteArray> wanted;
    if (keys) {
        for (const QString& key : *keys)
            wanted.append(key.toUtf8());
    }
    while (pos < size) {
        const qsizetype start = pos;
        qsizetype first = pos;
        // Zeros a crash left after the last write count as blank, and go.
        bool zeros = false;
        while (first < size && (data[first] == ' ' || data[first] == '\t' || data[first] == '\0' ||
                                isNewline(data[first]))) {
            zeros = zeros || data[first] == '\0';
            ++first;
        }
        if (zeros)
            scan.junk.append({start, first});
        // One line as QSettings reads it: a quoted newline or one after a
        // backslash goes on; after a ';' the rest of the line is a comment.
        bool quoted = false;
        qsizetype equals = -1;
        qsizetype end = first;
        // Most lines have none of the characters that need a closer look:
        // those go by memchr alone.
        const auto* newline =
            static_cast<const char*>(std::memchr(data + first, '\n', size_t(size - first)));
        const qsizetype lineEnd = newline ? newline - data : size;
        // Where each such character comes next, looked for again only once
        // passed: a file without any costs one search each.
        const auto has = [&](int which) {
            qsizetype& at = next[which];
            if (at != -1 && at < first) {
                const auto* found = static_cast<const char*>(
                    std::memchr(data + first, kLook[which], size_t(size - first)));
                at = found ? found - data : -1;
            }
            return at >= 0 && at < lineEnd;
        };
        const bool plain = !has(0) && !has(1) && !has(2) && !has(3);
        if (plain) {
            const auto* sign =
                static_cast<const char*>(std::memchr(data + first, '=', size_t(lineEnd - first)));
            equals = sign ? sign - data : -1;
            end = lineEnd;
        }
        for (; !plain && end < size; ++end) {
            const char c = data[end];
            if (c == '\\') {
                ++end;
                if (end + 1 < size && isNewline(data[end]) && isNewline(data[end + 1]) &&
                    data[end] != data[end + 1])
                    ++end;
            } else if (c == '"') {
                quoted = !quoted;
            } else if (c == '=' && !quoted && equals < 0) {
                equals = end;
            } else if (c == ';' && !quoted) {
                while (end < size && !isNewline(data[end]))
                    ++end;
                break;
            } else if (isNewline(c) && !quoted) {
                break;
            }
        }
        end = std::min(end, size);
        const qsizetype contentEnd = end;
        if (end < size) // its newline goes with it
            end += end + 1 < size && data[end] == '\r' && data[end + 1] == '\n' ? 2 : 1;
        pos = end;
        if (first >= size || data[first] == ';')
            continue; // blank, or a comment

        if (data[first] == '[') {
            qsizetype close = first + 1;
            while (close < contentEnd && data[close] != ']')
                ++close;
            if (close >= contentEnd)
                scan.unclosed << contentEnd; // read as if it ended there
            const QString name =
                unescapedKey(QByteArray(data + first + 1, close - first - 1).trimmed());
            firstPart = name == section && scan.sectionEnd < 0;
            inSection = name == section;
            if (firstPart)
                scan.sectionEnd = end;
            continue;
        }
        if (equals < 0) {
            scan.damaged = true;
            continue;
        }
        if (firstPart)
            scan.sectionEnd = end;
        if (!inSection)
            continue;
        // Most keys need no unescaping: those are matched as bytes, with no
        // copy, which keeps a section of a million keys one quick pass.
        const QByteArrayView raw = QByteArrayView(data + first, equals - first).trimmed();
        const bool escaped = raw.contains('%') || raw.contains('\\');
        if (keys && !escaped &&
            std::none_of(wanted.begin(), wanted.end(),
                         [&](const QByteArray& key) { return key == raw; }))
            continue;
        QString key = unescapedKey(raw.toByteArray());
        if (!keys || keys->contains(key))
            scan.lines.append({std::move(key), zeros ? first : start, end});
    }
    return scan;
}

QByteArray editIni(const QByteArray& file, const IniScan& scan, const QString& section,
                   const QMap<QString, QByteArray>& lines)
{
    struct Edit {
        qsizetype at;
        qsizetype removed;
        QByteArray inserted;
    };
    QList<Edit> edits;
    for (qsizetype at : scan.unclosed)
        edits.append({at, 0, "]"});
    for (const auto& [from, to] : scan.junk)
        edits.append({from, to - from, {}});
    QSet<QString> placed;
    for (const IniScan::Line& line : scan.lines) {
        const auto replacement = lines.constFind(line.key);
        if (replacement == lines.constEnd())
            continue;
        const bool firstOfKey = !placed.contains(line.key);
        placed.insert(line.key);
        edits.append({line.start, line.end - line.start, firstOfKey ? *replacement : QByteArray()});
    }
    QByteArray added;
    for (auto it = lines.begin(); it != lines.end(); ++it) {
        if (!placed.contains(it.key()))
            added += *it;
    }
    const qsizetype addAt = scan.sectionEnd >= 0 ? scan.sectionEnd : file.size();
    if (!added.isEmpty()) {
        if (scan.sectionEnd < 0)
            added.prepend('[' + section.toUtf8() + "]\n");
        if (addAt > scan.begin && !isNewline(file[addAt - 1]))
            added.prepend('\n');
        edits.append({addAt, 0, added});
    }
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
        // What goes in at a place before what goes from there.
        return a.at != b.at ? a.at < b.at : a.removed == 0 && b.removed > 0;
    });
    QByteArray out;
    out.reserve(file.size() + added.size() + 4096);
    qsizetype copied = scan.begin;
    for (const Edit& edit : edits) {
        out.append(file.constData() + copied, edit.at - copied);
        out.append(edit.inserted);
        copied = edit.at + edit.removed;
    }
    out.append(file.constData() + copied, file.size() - copied);
    return out;
}
