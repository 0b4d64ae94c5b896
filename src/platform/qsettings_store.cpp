// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "platform/qsettings_store.h"

#include "core/logging.h"
#include "platform/process_alive.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <sys/stat.h>

namespace {

QString keyPath(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

// Where QSettings keeps the native settings of an application that is its own organisation.
QString settingsPath(const QString& application)
{
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(configHome)
        .filePath(application + QLatin1Char('/') + application + QStringLiteral(".conf"));
}

QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    return QStringLiteral("not a regular file");
}

// Empty when the path holds nothing or a settings file this program may read and write;
// otherwise why it may not. Only the type is looked at, never the file opened: opening a FIFO
// would block and opening a device may act on it. QSettings opens the file just after; a file
// swapped for something else in between is a race only a hostile local user could run, on
// their own settings.
QString whyNotOurs(const QString& path, bool* missing)
{
    struct stat status;
    *missing = false;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        if (errno == ENOENT) {
            *missing = true;
            return QString();
        }
        return errorText(errno);
    }
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("it is %1").arg(kindOf(status.st_mode));
    if (status.st_size > QSettingsStore::MAX_FILE_SIZE) {
        return QStringLiteral("it holds %1 bytes, far more than any settings of this program")
            .arg(status.st_size);
    }
    return QString();
}

} // namespace

QSettingsStore::QSettingsStore(const QString& application) : m_fileName(settingsPath(application))
{
    bool missing = false;
    const QString why = whyNotOurs(m_fileName, &missing);
    if (!why.isEmpty()) {
        qCWarning(lcSettings).noquote() << "Settings file" << m_fileName << "not used:" << why
                                        << "- starting with the defaults; it will not be written";
        m_readable = false;
        // An empty store in memory: QSettings must not touch the file.
        m_settings = std::make_unique<QSettings>(QString(), QSettings::IniFormat);
        return;
    }
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             application, application);
    m_settings->setFallbacksEnabled(false);
    // QSettings reads what it can of a damaged file and skips the rest, so only a file it
    // could not open at all leaves the store unreadable.
    m_readable = m_settings->status() != QSettings::AccessError;
    if (!m_readable) {
        qCWarning(lcSettings).noquote()
            << "Settings file" << m_fileName
            << "cannot be read - starting with the defaults; it will not be written";
    }
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
    bool missing = false;
    if (const QString why = whyNotOurs(m_fileName, &missing); !why.isEmpty()) {
        qCWarning(lcSettings).noquote()
            << "Settings not saved:" << m_fileName << "is no longer a settings file:" << why;
        return false;
    }
    if (!lockIsFree())
        return false;
    m_settings->sync();
    // A FormatError here only says the file on disk had lines that could not be parsed; the
    // file was written all the same. AccessError means it was not.
    if (m_settings->status() == QSettings::AccessError) {
        qCWarning(lcSettings).noquote()
            << "Settings not saved: cannot write" << m_fileName << "- the old file stays";
        return false;
    }
    return true;
}

// QSettings waits up to 30 s for the lock file beside the settings; one left by a process that
// died (or an empty one, from a crash before it was written) would freeze the window that
// long. Such a lock is removed; a live holder is given LOCK_PATIENCE_MS.
bool QSettingsStore::lockIsFree()
{
    const QString lockPath = m_fileName + QStringLiteral(".lock");
    if (!QFile::exists(lockPath))
        return true;
    QLockFile lock(lockPath);
    qint64 pid = 0;
    QString host, application;
    const bool known = lock.getLockInfo(&pid, &host, &application);
    // A holder on another machine (a shared home folder) cannot be looked for here.
    const bool holderIsHere = host == QSysInfo::machineHostName();
    if (!known || (holderIsHere && !isProcessAlive(pid))) {
        qCWarning(lcSettings).noquote() << "Removing the stale settings lock" << lockPath;
        lock.removeStaleLockFile();
        return true;
    }
    if (lock.tryLock(LOCK_PATIENCE_MS)) {
        lock.unlock();
        return true;
    }
    qCWarning(lcSettings).noquote()
        << "Settings not saved: process" << pid << "holds" << lockPath << "- the old file stays";
    return false;
}
