#pragma once

#include "app/Form1.h"
#include "support/Fakes.h"
#include "support/SystemBackEnds.h"

#include <memory>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A Form1 over fakes, with a program folder of its own whose sounds/ holds
// whatever files the test makes.
struct FormHarness {
    QTemporaryDir programDir;
    MemorySettingsStore settings;
    RecordingPlayer player;
    RecordingErrorReport errors;
    FakeClock clock;
    SystemBackEnds backEnds;
    std::unique_ptr<Form1> form;
    QString userFolder; // none unless a test gives one

    QString folder() const { return programDir.path(); }

    void addSounds(const QStringList& names)
    {
        QDir(folder()).mkpath("sounds");
        for (const QString& name : names) {
            QFile file(folder() + "/sounds/" + name);
            file.open(QIODevice::WriteOnly);
        }
    }

    Form1& create(FormBackEnds::FileLister lister = GetFileList)
    {
        form = std::make_unique<Form1>(PlaybackServices{settings, player, errors, clock, folder()},
                                       backEnds.get(std::move(lister), userFolder));
        return *form;
    }

    Form1& load(FormBackEnds::FileLister lister = GetFileList)
    {
        create(std::move(lister));
        form->Form_Load();
        return *form;
    }
};
