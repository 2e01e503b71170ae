#pragma once

#include <initializer_list>
#include <QColor>
#include <QString>

class QGroupBox;
class QWidget;
class SkinFramework;

// Fills the widget's background with the colour; option buttons and check
// boxes too, which fill with their button colour. With a text colour their
// texts take it: a fixed background must not keep a dark theme's light text.
void paintBackground(QWidget& widget, const QColor& colour, const QColor& text = QColor());

// Draws the window's frames as plain outlines, so their insides show their
// background colour: the style's own frame shades them. The style that draws
// them is the window's, made after the frames so it goes after them too.
void drawPlainFrames(QWidget& window, std::initializer_list<QGroupBox*> frames);

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
