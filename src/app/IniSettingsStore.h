#pragma once

#include "common/SettingsStore.h"

class ErrorReport;

// The store as an INI file: $XDG_CONFIG_HOME/<application>.ini, one group per
// section. The path is resolved on every call, so the environment decides.
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
    QString m_application;
    QString m_section;
    ErrorReport* m_report = nullptr;
};
