// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "settings/settings_store.h"

#include <QMap>

#include <memory>

class QSettings;

// The settings file of one application, in QSettings' INI format:
// $XDG_CONFIG_HOME/<application>/<application>.conf (~/.config by default). A section is a
// group of the file. QSettings reads it; this store writes it itself, because QSettings puts a
// file whose write failed (a full disk) in place of the old one. The new file is written next
// to the old one, every step checked, and renamed over it only when all of it is on disk:
// otherwise the old file stays as it was. Other keys and sections already in the file are kept.
//
// Only a regular file (links followed) of at most MAX_FILE_SIZE, or no file yet, is read and
// written. Anything else there (a FIFO, a device, a socket, a folder, a huge file) is not this
// program's: the store then reads as empty and never writes, so nothing blocks and nothing the
// user put there is replaced.
class QSettingsStore final : public SettingsStore
{
public:
    // Far more than the 21 values could ever need. A save that would make the file larger is
    // not written, as the next start would not read it.
    static constexpr qint64 MAX_FILE_SIZE = 1024 * 1024;
    // How long a save waits for another process's lock on the file before it gives up.
    static constexpr int LOCK_PATIENCE_MS = 1000;

    explicit QSettingsStore(const QString& application);
    QSettingsStore(const QSettingsStore&) = delete;
    QSettingsStore& operator=(const QSettingsStore&) = delete;
    ~QSettingsStore() override;

    QString get(const QString& section, const QString& key,
                const QString& defaultText) const override;
    void save(const QString& section, const QString& key, const QString& text) override;
    bool flush() override;

    QString fileName() const { return m_fileName; }
    // False when the file exists but could not be read, or is not this program's; nothing is
    // then written over it.
    bool isReadable() const { return m_readable; }

private:
    bool lockIsFree();

    QString m_fileName;
    // What the file held at start; QSettings never writes it.
    std::unique_ptr<QSettings> m_settings;
    // The values saved in this run, by section and key; these are what a flush writes.
    QMap<QString, QMap<QString, QString>> m_saved;
    bool m_readable = true;
};
