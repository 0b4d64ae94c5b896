// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "settings/qsettings_store.h"

#include "support/logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

QString keyPath(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

// Where QSettings keeps the native settings of an application that is its own organisation;
// on Linux its native format is its INI format.
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

// Where a chain of links at `path` leads, as the kernel follows it; `path` itself when it is no
// link. The target need not exist yet. Each hop is taken from the real folder that holds the
// link, never by tidying the text: ".." after a linked folder leads out of the folder it links
// to. A loop is left to stat, which says so.
QString linkTarget(QString path)
{
    for (int hop = 0; hop < 40 && QFileInfo(path).isSymLink(); ++hop) {
        char target[PATH_MAX];
        const ssize_t length =
            ::readlink(QFile::encodeName(path).constData(), target, sizeof target - 1);
        if (length < 0)
            break;
        const QString next = QFile::decodeName(QByteArray(target, length));
        if (next.startsWith(QLatin1Char('/'))) {
            path = next;
            continue;
        }
        char folder[PATH_MAX];
        const QByteArray linkFolder = QFile::encodeName(QFileInfo(path).path());
        if (!::realpath(linkFolder.constData(), folder))
            return QFileInfo(path).path() + QLatin1Char('/') + next; // stat says why not
        path = QFile::decodeName(folder) + QLatin1Char('/') + next;
    }
    return path;
}

// Whether the file read back holds the values this program wrote, and every other key it
// wrote. Other programs' values are not compared: one need not even equal itself (a NaN).
bool holdsWhatWasWritten(const QSettings& reader, const QSettingsStore::Values& values,
                         const QStringList& writtenKeys)
{
    QStringList keys = reader.allKeys();
    keys.sort();
    if (keys != writtenKeys)
        return false;
    for (auto section = values.cbegin(); section != values.cend(); ++section) {
        for (auto value = section->cbegin(); value != section->cend(); ++value) {
            if (reader.value(keyPath(section.key(), value.key())).toString() != value.value())
                return false;
        }
    }
    return true;
}

QString cannotWrite(const QString& path, const QString& why)
{
    return QStringLiteral("cannot write %1 - %2 - the old file stays").arg(path, why);
}

// Makes sure the new file at `path` holds what QSettings wrote to it and is whole on disk.
// QSettings alone is not enough: it renames a file whose write failed (a full disk) or whose
// close failed over the old one and reports no error. Its own reader keeps what it last wrote
// in memory, so the file must have a name it has never seen to be read afresh.
QString checkAndSync(const QString& path, const QSettingsStore::Values& values,
                     const QStringList& writtenKeys, const QString& finalPath)
{
    {
        const QSettings reader(path, QSettings::IniFormat);
        if (reader.status() != QSettings::NoError ||
            !holdsWhatWasWritten(reader, values, writtenKeys))
            return cannotWrite(finalPath, QStringLiteral("the new file does not hold its values"));
    }
    if (const qint64 size = QFileInfo(path).size(); size > QSettingsStore::MAX_FILE_SIZE) {
        return QStringLiteral("with them %1 would hold %2 bytes, more than this program reads - "
                              "the old file stays")
            .arg(finalPath)
            .arg(size);
    }
    if (QFileInfo::exists(finalPath))
        QFile::setPermissions(path, QFile::permissions(finalPath));
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return cannotWrite(finalPath, errorText(errno));
    const bool synced = ::fdatasync(fd) == 0;
    const int syncError = errno;
    // A network or FUSE filesystem may report a failed write only here.
    if (::close(fd) != 0 && synced)
        return cannotWrite(finalPath, errorText(errno));
    return synced ? QString() : cannotWrite(finalPath, errorText(syncError));
}

// Writes the values into the settings file at `path`, a regular file or none yet, with every
// key it holds as QSettings reads it. Empty when all of it is in place; otherwise why not, and
// the file is as it was.
QString writeBeside(const QString& path, const QSettingsStore::Values& values)
{
    const QSettings old(path, QSettings::IniFormat);
    if (old.status() == QSettings::AccessError)
        return QStringLiteral("cannot read %1 to keep what else it holds").arg(path);
    QTemporaryFile made(path + QStringLiteral(".XXXXXX"));
    if (!made.open())
        return cannotWrite(path, made.errorString());
    made.close();
    QStringList writtenKeys;
    {
        QSettings settings(made.fileName(), QSettings::IniFormat);
        for (const QString& key : old.allKeys())
            settings.setValue(key, old.value(key));
        for (auto section = values.cbegin(); section != values.cend(); ++section) {
            for (auto value = section->cbegin(); value != section->cend(); ++value)
                settings.setValue(keyPath(section.key(), value.key()), value.value());
        }
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return cannotWrite(path, QStringLiteral("QSettings could not write the new file"));
        writtenKeys = settings.allKeys();
        writtenKeys.sort();
    }
    const QString checked = made.fileName() + QStringLiteral(".new");
    const QByteArray checkedPath = QFile::encodeName(checked);
    if (::rename(QFile::encodeName(made.fileName()).constData(), checkedPath.constData()) != 0)
        return cannotWrite(path, errorText(errno));
    QString why = checkAndSync(checked, values, writtenKeys, path);
    if (why.isEmpty() &&
        ::rename(checkedPath.constData(), QFile::encodeName(path).constData()) != 0)
        why = cannotWrite(path, errorText(errno));
    if (!why.isEmpty())
        QFile::remove(checked);
    return why;
}

// One save: empty when the values are in the file, otherwise why not.
QString whyNotWritten(const QString& fileName, const QSettingsStore::Values& values)
{
    const QString folder = QFileInfo(fileName).path();
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot make the folder %1").arg(folder);
    const QString path = linkTarget(fileName);
    bool missing = false;
    if (const QString why = whyNotOurs(path, &missing); !why.isEmpty())
        return QStringLiteral("%1 is no longer a settings file: %2").arg(fileName, why);
    // The new file would replace a read-only one all the same: its owner meant it to stay.
    const QByteArray nativePath = QFile::encodeName(path);
    if (!missing && ::faccessat(AT_FDCWD, nativePath.constData(), W_OK, AT_EACCESS) != 0)
        return cannotWrite(path, errorText(errno));
    return writeBeside(path, values);
}

} // namespace

// Hands the latest values from the caller's thread to the saving thread, which runs while
// there are values to write and then ends.
struct QSettingsStore::Saves
{
    std::mutex mutex;
    std::condition_variable ended;
    std::optional<Values> next; // not yet taken by the saving thread
    bool running = false;
    bool lastWritten = true;
    std::thread thread;

    static void run(const std::shared_ptr<Saves>& saves, const QString& fileName)
    {
        // A termination signal must reach the window's thread, not one stuck in the kernel.
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, nullptr);
        std::unique_lock lock(saves->mutex);
        while (saves->next) {
            const Values values = std::move(*saves->next);
            saves->next.reset();
            lock.unlock();
            const QString why = whyNotWritten(fileName, values);
            if (!why.isEmpty())
                qCWarning(lcSettings).noquote() << "Settings not saved:" << why;
            lock.lock();
            saves->lastWritten = why.isEmpty();
        }
        saves->running = false;
        saves->ended.notify_all();
    }
};

QSettingsStore::QSettingsStore(const QString& application)
    : m_fileName(settingsPath(application)), m_saves(std::make_shared<Saves>())
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
    m_settings = std::make_unique<QSettings>(m_fileName, QSettings::IniFormat);
    // QSettings reads what it can of a damaged file and skips the rest, so only a file it
    // could not open at all leaves the store unreadable.
    m_readable = m_settings->status() != QSettings::AccessError;
    if (!m_readable) {
        qCWarning(lcSettings).noquote()
            << "Settings file" << m_fileName
            << "cannot be read - starting with the defaults; it will not be written";
    }
}

QSettingsStore::~QSettingsStore()
{
    if (m_saves->thread.joinable())
        m_saves->thread.detach();
}

QString QSettingsStore::get(const QString& section, const QString& key,
                            const QString& defaultText) const
{
    const QMap<QString, QString> saved = m_saved.value(section);
    if (saved.contains(key))
        return saved.value(key);
    const QVariant value = m_settings->value(keyPath(section, key));
    if (!value.isValid() || !value.canConvert<QString>())
        return defaultText;
    return value.toString();
}

void QSettingsStore::save(const QString& section, const QString& key, const QString& text)
{
    if (m_readable)
        m_saved[section][key] = text;
}

bool QSettingsStore::flush()
{
    // Writing over a file that could not be read would lose whatever the user had in it.
    if (!m_readable)
        return false;
    std::unique_lock lock(m_saves->mutex);
    m_saves->next = m_saved;
    if (m_saves->running)
        return true; // the running save writes these next
    m_saves->running = true;
    lock.unlock();
    if (m_saves->thread.joinable())
        m_saves->thread.join(); // it has ended its last save
    try {
        m_saves->thread = std::thread(Saves::run, m_saves, m_fileName);
        return true;
    } catch (const std::system_error& error) {
        qCWarning(lcSettings) << "Settings not saved: cannot start a thread:" << error.what();
        lock.lock();
        m_saves->running = false;
        return false;
    }
}

bool QSettingsStore::waitForSaves()
{
    std::unique_lock lock(m_saves->mutex);
    m_saves->ended.wait(lock, [this] { return !m_saves->running; });
    lock.unlock();
    if (m_saves->thread.joinable())
        m_saves->thread.join();
    return m_saves->lastWritten;
}
