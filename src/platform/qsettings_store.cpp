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
    switch (m_settings->status()) {
    case QSettings::NoError:
        break;
    case QSettings::AccessError:
        m_readable = false;
        break;
    case QSettings::FormatError:
        m_parsed = false;
        break;
    }
}

QSettingsStore::~QSettingsStore() = default;

QString QSettingsStore::get(const QString& section, const QString& key,
                            const QString& defaultText) const
{
    if (!m_readable || !m_parsed)
        return defaultText;
    const QVariant value = m_settings->value(keyPath(section, key));
    if (!value.isValid() || !value.canConvert<QString>())
        return defaultText;
    return value.toString();
}

void QSettingsStore::save(const QString& section, const QString& key, const QString& text)
{
    if (!m_readable)
        return;
    if (!m_parsed) {
        // Start afresh, after keeping the file that could not be parsed.
        keepCopyOfUnparsableFile();
        m_settings->clear();
        m_parsed = true;
    }
    m_settings->setValue(keyPath(section, key), text);
}

bool QSettingsStore::flush()
{
    // Writing over a file that could not be read would lose whatever the user had in it.
    if (!m_readable)
        return false;
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

QString QSettingsStore::fileName() const
{
    return m_settings->fileName();
}

// A file that could not be parsed is not ours to destroy: keep it beside the new one.
void QSettingsStore::keepCopyOfUnparsableFile()
{
    const QString original = fileName();
    const QString copy = original + QStringLiteral(".unreadable");
    QFile::remove(copy);
    QFile::copy(original, copy);
}
