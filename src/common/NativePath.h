#pragma once

#include <QByteArray>
#include <QString>

// Names on disk are bytes, and Qt's paths are text: a name that is not UTF-8
// (a Latin-1 "caf\xe9" from an old archive) loses its bytes in a QString and
// then opens nothing. Such names are shown decoded as Latin-1 and opened
// through a handle of the file kept for the run, so the bytes are kept.

// A path Qt and the player can open that names exactly these bytes: the text
// itself when they are UTF-8, else a path through a handle (/proc/self/fd/N).
// Empty when the path cannot be opened at all.
QString openableNow(const QByteArray& native);

// The text to show for `name` in `folder`. A name that is not UTF-8 is
// remembered, so that openable(folder + '/' + the text) finds its bytes.
QString shownName(const QString& folder, const QByteArray& name);

// The path itself, or for a path made from a remembered name, one that opens
// the file those bytes name (the path itself when it cannot be opened).
QString openable(const QString& path);

// True when the text holds these bytes exactly once encoded for a file name.
bool keepsBytes(const QString& text, const QByteArray& native);
