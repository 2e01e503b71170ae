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
    const std::unique_ptr<Registry> registry = makeSystemRegistry();

    FormBackEnds get(FormBackEnds::FileLister listFiles = GetFileList,
                     const QString& userFolder = {})
    {
        return FormBackEnds{trayShell,
                            systemTrayAvailable,
                            *registry,
                            QCoreApplication::applicationFilePath(),
                            std::move(listFiles),
                            userFolder};
    }
};
