#include "platform/qsettings_store.h"

#include <QFile>
#include <QSettings>

namespace {

QString keyPath(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

QSettingsStore::QSettingsStore(const QString& application)
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             application, application))
{
    m_settings->setFallbacksEnabled(false);
    // QSettings reads what it can of a damaged file and skips the rest, so only a file it
    // could not open at all leaves the store unreadable.
    m_readable = m_settings->status() != QSettings::AccessError;
}

QSettingsStore::~QSettingsStore() = default;

QString QSettingsStore::get(const QString& section, const QString& key,
                            const QString& defaultText) const
{
    const QVariant value = m_settings->value(keyPath(section, key));
    if (!value.isValid() || !value.canConvert<QString>())
        return defaultText;
    return value.toString();
}

void QSettingsStore::save(const QString& section, const QString& key, const QString& text)
{
    if (m_readable)
        m_settings->setValue(keyPath(section, key), text);
}

bool QSettingsStore::flush()
{
    // Writing over a file that could not be read would lose whatever the user had in it.
    if (!m_readable)
        return false;
    m_settings->sync();
    // A FormatError here only says the file on disk had lines that could not be parsed; the
    // file was written all the same. AccessError means it was not.
    return m_settings->status() != QSettings::AccessError;
}

QString QSettingsStore::fileName() const
{
    return m_settings->fileName();
}
