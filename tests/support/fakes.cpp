// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "fakes.h"

#include <algorithm>

void FakeFileCounter::startCount(const QString& folder, ResultHandler done)
{
    m_log << QStringLiteral("count:") + folder;
    m_inFlight.push_back({folder, std::move(done), resultFor(folder)});
}

FileCounter::Result FakeFileCounter::resultFor(const QString& folder) const
{
    if (!m_files.contains(folder))
        return std::nullopt;
    return m_files.value(folder);
}

void FakeFileCounter::answerPending()
{
    for (;;) {
        const auto ready =
            std::find_if(m_inFlight.begin(), m_inFlight.end(),
                         [this](const Read& read) { return !m_held.contains(read.folder); });
        if (ready == m_inFlight.end())
            return;
        Read read = std::move(*ready);
        m_inFlight.erase(ready);
        read.done(read.result);
    }
}

void FakeFileCounter::release(const QString& folder, Result result)
{
    m_held.removeAll(folder);
    for (auto it = m_inFlight.begin(); it != m_inFlight.end();) {
        if (it->folder != folder) {
            ++it;
            continue;
        }
        const ResultHandler done = std::move(it->done);
        it = m_inFlight.erase(it);
        done(result);
    }
}

int FakeFileCounter::readsInFlight(const QString& folder) const
{
    return int(std::count_if(m_inFlight.begin(), m_inFlight.end(),
                             [&](const Read& read) { return read.folder == folder; }));
}

void FakeTimer::start(int intervalMs)
{
    m_interval = intervalMs;
    m_active = true;
}

void FakeTimer::fire()
{
    if (!m_active)
        return;
    if (!m_repeating)
        m_active = false;
    if (m_handler)
        m_handler();
}

void FakeMessageBox::show(const QString& prompt)
{
    m_log << QStringLiteral("box:") + prompt;
    if (whileShown)
        whileShown();
}

QString FakeSettingsStore::get(const QString& section, const QString& key,
                               const QString& defaultText) const
{
    return values.value(section + QLatin1Char('/') + key, defaultText);
}

void FakeSettingsStore::save(const QString& section, const QString& key, const QString& text)
{
    m_log << QStringLiteral("save:%1=%2").arg(key, text);
    values[section + QLatin1Char('/') + key] = text;
}

bool FakeSettingsStore::flush()
{
    m_log << QStringLiteral("flush");
    return flushSucceeds;
}

void PollFixture::tick()
{
    poll.Timer1_Timer();
    counter.answerPending();
}

QStringList PollFixture::alerts() const
{
    QStringList result;
    for (const QString& call : log) {
        if (call == QLatin1String("beep") || call.startsWith(QLatin1String("box:")))
            result << call;
    }
    return result;
}
