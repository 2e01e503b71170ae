#pragma once

#include <QIcon>
#include <QObject>

#include <cstdint>

// The record carries 4-byte window and icon handles. Objects get a handle
// from these tables and give it back when they go, so a handle never stands
// for a dead object and no pointer is ever cut to 32 bits.

// Window handles: a QObject that plays the part of a window.
std::uint32_t registerWindow(QObject* window);
void unregisterWindow(std::uint32_t hWnd);
QObject* windowFromHandle(std::uint32_t hWnd);

// Image handles: the icons (and bitmaps) that pictures hold.
std::uint32_t registerImage(const QIcon& image);
void unregisterImage(std::uint32_t handle);
QIcon imageFromHandle(std::uint32_t handle);
