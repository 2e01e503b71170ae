#pragma once

#include <QIcon>

// The tray icon: the blue 'T' the balloon text names, drawn at each size a
// panel asks for (16, 22, 24, 32 and 48 pixels) rather than scaled from 16.
QIcon blueTIcon();
QImage blueT(int size);
