#pragma once

#include "platform/settings_store.h"

#include <memory>

class QSettings;

// The settings file of one application, in QSettings' native format for the user:
// $XDG_CONFIG_HOME/<application>/<application>.conf (~/.config by default). A section is a
// group of the file. QSettings writes the file through a temporary one that it renames, so
// the file on disk is always whole.
class QSettingsStore final : public SettingsStore
{
public:
    explicit QSettingsStore(const QString& application);
    QSettingsStore(const QSettingsStore&) = delete;
    QSettingsStore& operator=(const QSettingsStore&) = delete;
    ~QSettingsStore() override;

    QString get(const QString& section, const QString& key,
                const QString& defaultText) const override;
    void save(const QString& section, const QString& key, const QString& text) override;
    bool flush() override;

    QString fileName() const;
    // False when the file exists but could not be read; nothing is then written over it.
    bool isReadable() const { return m_readable; }

private:
    std::unique_ptr<QSettings> m_settings;
    bool m_readable = true;
};
