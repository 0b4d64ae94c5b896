// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "settings/settings_store.h"

#include <QMap>

#include <memory>

class QSettings;

// The settings file of one application, in QSettings' INI format:
// $XDG_CONFIG_HOME/<application>/<application>.conf (~/.config by default). A section is a
// group of the file; a file that is a link is read and written through to its target, and the
// link stays.
//
// A save runs on a thread of its own, so the caller never waits on the file system; saves run
// one at a time, and one asked for while another runs writes the latest values once that ends.
// QSettings writes a new file beside the old one with every key the old one holds, the values
// added; it is read back and checked value for value, synced, and only then renamed over the
// old one. Any failure leaves the old file as it was, and says why in one line.
//
// Only a regular file of at most MAX_FILE_SIZE, or no file yet, is read and written. Anything
// else there (a FIFO, a device, a socket, a folder, a huge file) is not this program's: the
// store then reads as empty and never writes, so nothing blocks and nothing the user put there
// is replaced.
class QSettingsStore final : public SettingsStore
{
public:
    // Far more than the 21 values could ever need. A save that would make the file larger is
    // not written, as the next start would not read it.
    static constexpr qint64 MAX_FILE_SIZE = 1024 * 1024;

    explicit QSettingsStore(const QString& application);
    QSettingsStore(const QSettingsStore&) = delete;
    QSettingsStore& operator=(const QSettingsStore&) = delete;
    // A save still running goes on to its end.
    ~QSettingsStore() override;

    QString get(const QString& section, const QString& key,
                const QString& defaultText) const override;
    void save(const QString& section, const QString& key, const QString& text) override;
    // Hands the values to the saving thread; false when they will never be written.
    bool flush() override;
    // Waits until no save runs; whether the last one was written.
    bool waitForSaves();

    QString fileName() const { return m_fileName; }
    // False when the file exists but could not be read, or is not this program's; nothing is
    // then written over it.
    bool isReadable() const { return m_readable; }

    // By section, then key.
    using Values = QMap<QString, QMap<QString, QString>>;

private:
    struct Saves;

    QString m_fileName;
    // What the file held at start; never written.
    std::unique_ptr<QSettings> m_settings;
    // The values saved in this run; these are what a flush writes.
    Values m_saved;
    bool m_readable = true;
    std::shared_ptr<Saves> m_saves;
};
