#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

#include <utility>

// Where one section's keys stand in an INI file, found line by line as
// QSettings splits the lines, without parsing anything else: a file that
// holds much else costs one pass, and every other line stays as it was.
struct IniScan {
    struct Line {
        QString key;
        qsizetype start; // with the blank lines before it
        qsizetype end;   // after its newline
    };
    qsizetype begin = 0;       // after a byte-order mark, which QSettings takes for damage
    QList<Line> lines;         // the section's lines of the keys asked for, in order
    QList<qsizetype> unclosed; // where a section header lacks its ']'
    QList<std::pair<qsizetype, qsizetype>> junk; // blank runs with zeros in them
    qsizetype sectionEnd = -1; // the end of the section's first part; -1: there is none
    // A line that is neither a section header, a key nor a comment: QSettings
    // takes such a file for damage.
    bool damaged = false;
};

// `keys`: the keys whose lines are wanted; every key's when null.
IniScan scanIni(const QByteArray& file, const QString& section, const QSet<QString>* keys);

// The file with `lines` (key to whole line) in place of the first line of
// each key and none of its later ones, new keys at the end of the section
// (a new section at the end when there is none), and cut-off headers closed.
QByteArray editIni(const QByteArray& file, const IniScan& scan, const QString& section,
                   const QMap<QString, QByteArray>& lines);
