#pragma once

#include "core/watch_core.h"
#include "platform/alerts.h"
#include "platform/file_counter.h"
#include "platform/screen_info.h"
#include "platform/settings_store.h"

#include <QMap>
#include <QStringList>

#include <functional>

// What the fakes were asked to do, in order: "beep", "box:<prompt>", "set:<folder>",
// "refresh", "save:<key>=<text>", "flush".
using CallLog = QStringList;

// Knows a fixed set of folders and their file counts; any other text fails to open.
class FakeFileCounter final : public FileCounter
{
public:
    explicit FakeFileCounter(CallLog& log) : m_log(log) {}

    void setFiles(const QString& folder, std::int64_t count) { m_files[folder] = count; }
    void removeFolder(const QString& folder) { m_files.remove(folder); }
    QString currentFolder() const { return m_current; }

    bool setFolder(const QString& folder) override;
    bool refresh() override;
    std::int64_t count() const override { return m_count; }

private:
    CallLog& m_log;
    QMap<QString, std::int64_t> m_files;
    QString m_current = QStringLiteral("(working directory)");
    std::int64_t m_count = 0;
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
    PollCycle poll{fields, counter, beeper, messageBox};

    // Only the beeps and boxes of the log.
    QStringList alerts() const;
};
