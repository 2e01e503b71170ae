#pragma once

#include "common/SettingsStore.h"

#include <QMap>
#include <QSet>

class ErrorReport;

// The store as an INI file: $XDG_CONFIG_HOME/<application>.ini, one group per
// section. The path is resolved on every call, so the environment decides.
// Only the lines of the keys asked for are parsed (by QSettings, from a
// copy of them) and only the lines of the keys saved are written anew; every
// other line is kept as it was, so a file that holds much else costs one
// pass. Reads are kept until the file changes. Saves replace the whole file
// at once.
// Only the first save of a run that cannot be written throws: the user is
// told once, and the changes are kept until a save works again.
class IniSettingsStore : public SettingsStore
{
public:
    explicit IniSettingsStore(QString application = "Tarnwell", QString section = "Hushwave");

    QString get(const QString& key, const QString& defaultValue) const override;
    void save(const QString& key, const QString& value) override;

    QString filePath() const;

    // Where the user is told that a damaged file was reset and kept aside.
    void setErrorReport(ErrorReport* report) { m_report = report; }

    // Damaged files kept aside: <file>.bad, <file>.bad.1 ... <file>.bad.9.
    static constexpr int kKeptCopies = 10;

private:
    void refuse(const QString& description);
    void lookUp(const QString& path, const QString& key) const;

    // Values as last read, the file they came from, the keys looked up
    // there (absent ones too) and its bytes, kept while it stays unchanged.
    struct Read {
        QString path;
        QByteArray stamp;
        QMap<QString, QString> values;
        QSet<QString> looked;
        QByteArray bytes;
        bool haveBytes = false;
    };

    QString m_application;
    QString m_section;
    ErrorReport* m_report = nullptr;
    // Changes not on disk yet: they are read back as stored and written with
    // the next save that works.
    QMap<QString, QString> m_unwritten;
    bool m_toldFailure = false;
    mutable Read m_read;
    mutable QSet<QString> m_asked;
};
