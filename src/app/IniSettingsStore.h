#pragma once

#include "common/SettingsStore.h"

// The store as an INI file: $XDG_CONFIG_HOME/<application>.ini, one group per
// section. The path is resolved on every call, so the environment decides.
class IniSettingsStore : public SettingsStore
{
public:
    explicit IniSettingsStore(QString application = "Tarnwell", QString section = "Hushwave");

    QString get(const QString& key, const QString& defaultValue) const override;
    void save(const QString& key, const QString& value) override;

    QString filePath() const;

private:
    QString m_application;
    QString m_section;
};
