#pragma once

#include "common/SettingsStore.h"

#include <QMap>

class ErrorReport;

// The store as an INI file: $XDG_CONFIG_HOME/<application>.ini, one group per
// section. The path is resolved on every call, so the environment decides.
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

    QString m_application;
    QString m_section;
    ErrorReport* m_report = nullptr;
    // Changes not on disk yet: they are read back as stored and written with
    // the next save that works.
    QMap<QString, QString> m_unwritten;
    bool m_toldFailure = false;
};
