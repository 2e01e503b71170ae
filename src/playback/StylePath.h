#pragma once

#include <QString>

// The style shown for a file name: every ".mp3" taken out (case-sensitive).
QString styleName(const QString& fileName);

// Where a style's sound lives: <program folder>/sounds/<style>.mp3, or, when
// that is no file and <style> itself is one, <program folder>/sounds/<style>.
QString playPath(const QString& programFolder, const QString& style);
