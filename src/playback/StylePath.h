#pragma once

#include <QString>

// The style shown for a file name: every ".mp3" taken out (case-sensitive).
QString styleName(const QString& fileName);

// Where a style's sound lives: <program folder>/sounds/<style>.mp3
QString playPath(const QString& programFolder, const QString& style);
