#pragma once

#include "app/Form1.h"
#include "system/Registry.h"
#include "system/SoundLibrary.h"
#include "tray/QtTrayShell.h"

#include <QCoreApplication>

// The back ends the program itself picks, for tests that build the window.
// Declare it before the window: the window takes its icon away through it.
struct SystemBackEnds {
    QtTrayShell trayShell;

    FormBackEnds get(FormBackEnds::FileLister listFiles = GetFileList,
                     const QString& userFolder = {})
    {
        return FormBackEnds{trayShell,
                            systemTrayAvailable,
                            systemRegistry(),
                            QCoreApplication::applicationFilePath(),
                            std::move(listFiles),
                            userFolder};
    }
};
