// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/alerts.h"
#include "core/file_counter.h"
#include "core/poll_cycle.h"
#include "core/screen_info.h"
#include "core/timer.h"
#include "settings/settings_store.h"
#include "slot_model.h"

#include <QMap>
#include <QStringList>

#include <functional>
#include <vector>

// What the fakes were asked to do, in order: "beep", "box:<prompt>", "count:<folder>",
// "save:<key>=<text>", "flush".
using CallLog = QStringList;

// Knows a fixed set of folders and their file counts; any other text cannot be read. A read
// finds the folder as it is when the read starts, and is answered only when the test says so,
// as a real read ends only some time after it began: answerPending() answers every read in
// flight (and the reads those answers lead to), except those of held folders, which wait for
// release().
class FakeFileCounter final : public FileCounter
{
public:
    explicit FakeFileCounter(CallLog& log) : m_log(log) {}

    void setFiles(const QString& folder, std::int64_t count) { m_files[folder] = count; }
    void removeFolder(const QString& folder) { m_files.remove(folder); }
    void hold(const QString& folder) { m_held << folder; }

    void startCount(const QString& folder, ResultHandler done) override;

    void answerPending();
    // Ends the held folder's reads with the result; the folder is held no more.
    void release(const QString& folder, Result result);
    int readsInFlight(const QString& folder) const;

private:
    struct Read
    {
        QString folder;
        ResultHandler done;
        Result result;
    };
    Result resultFor(const QString& folder) const;

    CallLog& m_log;
    QMap<QString, std::int64_t> m_files;
    QStringList m_held;
    std::vector<Read> m_inFlight;
};

// Fires only when the test says so.
class FakeTimer final : public Timer
{
public:
    explicit FakeTimer(bool repeating = true) : m_repeating(repeating) {}

    void setHandler(std::function<void()> handler) override { m_handler = std::move(handler); }
    void start(int intervalMs) override;
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    int intervalMs() const override { return m_interval; }

    // Runs the handler as the timer would, when it is running.
    void fire();

private:
    bool m_repeating;
    bool m_active = false;
    int m_interval = 0;
    std::function<void()> m_handler;
};

class FakeBeeper final : public Beeper
{
public:
    explicit FakeBeeper(CallLog& log) : m_log(log) {}
    void beep() override { m_log << QStringLiteral("beep"); }

private:
    CallLog& m_log;
};

// Logs each prompt; whileShown runs as if the user acted while the box was open.
class FakeMessageBox final : public MessageBox
{
public:
    explicit FakeMessageBox(CallLog& log) : m_log(log) {}
    void show(const QString& prompt) override;

    std::function<void()> whileShown;

private:
    CallLog& m_log;
};

class FakeSettingsStore final : public SettingsStore
{
public:
    explicit FakeSettingsStore(CallLog& log) : m_log(log) {}

    QString get(const QString& section, const QString& key,
                const QString& defaultText) const override;
    void save(const QString& section, const QString& key, const QString& text) override;
    bool flush() override;

    // Values by "section/key".
    QMap<QString, QString> values;
    bool flushSucceeds = true;

private:
    CallLog& m_log;
};

class FakeScreen final : public ScreenInfo
{
public:
    explicit FakeScreen(const QRect& geometry) : m_geometry(geometry) {}
    QRect geometry() const override { return m_geometry; }

private:
    QRect m_geometry;
};

// Every fake the poll needs, wired to one log, with the poll under test.
struct PollFixture
{
    CallLog log;
    SlotModel fields;
    FakeFileCounter counter{log};
    FakeBeeper beeper{log};
    FakeMessageBox messageBox{log};
    FakeTimer patience{false};
    PollCycle poll{fields, counter, beeper, messageBox, patience};

    // A tick whose reads all end, but for those of held folders.
    void tick();
    // Only the beeps and boxes of the log.
    QStringList alerts() const;
};
