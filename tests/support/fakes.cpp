#include "fakes.h"

bool FakeFileCounter::setFolder(const QString& folder)
{
    m_log << QStringLiteral("set:") + folder;
    if (!m_files.contains(folder))
        return false;
    m_current = folder;
    return true;
}

bool FakeFileCounter::refresh()
{
    m_log << QStringLiteral("refresh");
    if (!m_files.contains(m_current))
        return false;
    m_count = m_files.value(m_current);
    return true;
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

QStringList PollFixture::alerts() const
{
    QStringList result;
    for (const QString& call : log) {
        if (call == QLatin1String("beep") || call.startsWith(QLatin1String("box:")))
            result << call;
    }
    return result;
}
