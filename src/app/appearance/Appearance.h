#pragma once

#include <QColor>
#include <QString>

class QWidget;
class SkinFramework;

// Fills the widget's background with the colour.
void paintBackground(QWidget& widget, const QColor& colour);

// The system's button-face colour, which a skinned window takes for its
// background.
QColor buttonFaceColour();

// The skin file inside the program folder.
QString skinFilePath(const QString& programFolder);

// Applies the skin at programFolder/x/o.cjs when it is there as a plain
// file; does nothing otherwise. The window and its option buttons, check
// boxes, frames and labels first take the button-face colour, then the skin
// is loaded and applied. A failure is thrown where it happens; what was done
// before it stays done.
void ApplySkin(QWidget& window, const QString& programFolder, SkinFramework& skin);

// True when the last-modified time of `path` can be read.
bool PathExists(const QString& path);
