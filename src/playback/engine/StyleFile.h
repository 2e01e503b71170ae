#pragma once

#include <QString>

class NativeNames;

// The file of a style as the list shows it, in a sounds folder: names shown
// without their ".mp3" get it back; every other file in the folder ("Rain.ogg",
// "Fan.MP3") is listed and played under its own name. The window's styles and
// a mix's parts are both found by this rule. A name listed into `names` is
// found by its bytes.
QString soundFilePath(const QString& soundsFolder, const QString& style,
                      const NativeNames* names = nullptr);
