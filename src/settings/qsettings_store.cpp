// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "settings/qsettings_store.h"

#include "core/logging.h"
#include "session/process_alive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
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

// The INI text QSettings reads, written the way QSettings writes it.
namespace ini {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

QByteArray hex(uint number, int digits)
{
    return QByteArray::number(number, 16).toUpper().rightJustified(digits, '0');
}

// Letters, digits, '_', '-' and '.' stay; '/' becomes '\'; anything else is %XX or %UXXXX.
QByteArray escapedKey(const QString& key)
{
    QByteArray result;
    for (const QChar c : key) {
        const char16_t ch = c.unicode();
        if (ch == u'/')
            result += '\\';
        else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') ||
                 (ch >= u'0' && ch <= u'9') || ch == u'_' || ch == u'-' || ch == u'.')
            result += char(ch);
        else if (ch <= 0xFF)
            result += '%' + hex(ch, 2);
        else
            result += "%U" + hex(ch, 4);
    }
    return result;
}

QString unescapedKey(QByteArrayView key)
{
    const QString text = QString::fromUtf8(key);
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            result += u'/';
            continue;
        }
        const qsizetype digits = text.mid(i + 1, 1) == u"U" ? 4 : 2;
        const qsizetype first = i + 1 + (digits == 4 ? 1 : 0);
        bool isNumber = false;
        const ushort code =
            text[i] == u'%' ? text.mid(first, digits).toUShort(&isNumber, 16) : ushort(0);
        if (isNumber && first + digits <= text.size()) {
            result += QChar(code);
            i = first + digits - 1;
        } else {
            result += text[i];
        }
    }
    return result;
}

// A '@' starts a typed value: a text that holds a NUL is typed as a string, a leading '@' is
// doubled.
QString untyped(const QString& text)
{
    if (text.contains(QChar::Null))
        return QStringLiteral("@String(") + text + u')';
    return text.startsWith(u'@') ? u'@' + text : text;
}

// UTF-8, with control characters, quotes and backslashes escaped, in quotes when it holds
// ';', ',' or '=' or has a space at either end.
QByteArray escapedValue(const QString& text)
{
    const QByteArray utf8 = untyped(text).toUtf8();
    QByteArray result;
    bool needsQuotes = false;
    bool escapeHexDigit = false; // after \x.. or \0, a hex digit would be read as part of it
    for (const char c : utf8) {
        needsQuotes = needsQuotes || c == ';' || c == ',' || c == '=';
        if (escapeHexDigit && isHexDigit(c)) {
            result += "\\x" + QByteArray::number(uchar(c), 16);
            continue;
        }
        escapeHexDigit = false;
        static constexpr char named[] = "\a\b\f\n\r\t\v";
        static constexpr char letters[] = "abfnrtv";
        if (c == '\0') {
            result += "\\0";
            escapeHexDigit = true;
        } else if (const char* at = c ? std::strchr(named, c) : nullptr) {
            result += '\\';
            result += letters[at - named];
        } else if (c == '"' || c == '\\') {
            result += '\\';
            result += c;
        } else if (uchar(c) <= 0x1F) {
            result += "\\x" + QByteArray::number(uchar(c), 16);
            escapeHexDigit = true;
        } else {
            result += c;
        }
    }
    if (needsQuotes || result.startsWith(' ') || result.endsWith(' '))
        return '"' + result + '"';
    return result;
}

// The logical lines of the text as QSettings reads them, each with its end: a newline in
// quotes or after a backslash does not end one, and a ';' outside quotes starts a comment.
QList<QByteArrayView> lines(QByteArrayView text)
{
    QList<QByteArrayView> result;
    qsizetype start = 0;
    bool inQuotes = false, inComment = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' && (!inQuotes || inComment)) {
            result << text.sliced(start, i + 1 - start);
            start = i + 1;
            inQuotes = inComment = false;
        } else if (inComment) {
            continue;
        } else if (c == '\\') {
            ++i;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ';' && !inQuotes) {
            inComment = true;
        }
    }
    if (start < text.size())
        result << text.sliced(start);
    return result;
}

struct Section
{
    QByteArray header; // empty for the keys before the first section
    QByteArrayList lines;
};

// The text with the values in their sections. A key line of the old text that holds one of
// them goes; other key lines stay as they were, in their sections. Comments, blank lines and
// lines that are not key lines go, as when QSettings rewrites a file.
QByteArray withValues(QByteArrayView old, const QMap<QString, QMap<QString, QString>>& values)
{
    QList<Section> sections{Section{}};
    QMap<QString, qsizetype> sectionIndex{{QString(), 0}};
    qsizetype current = 0;
    QString currentName;
    for (const QByteArrayView line : lines(old)) {
        const QByteArrayView trimmed = line.trimmed();
        if (trimmed.startsWith('[')) {
            const qsizetype close = trimmed.indexOf(']');
            const QByteArrayView name =
                close < 0 ? trimmed.sliced(1) : trimmed.sliced(1, close - 1);
            currentName = unescapedKey(name.trimmed());
            if (!sectionIndex.contains(currentName)) {
                sectionIndex.insert(currentName, sections.size());
                sections << Section{'[' + name.trimmed().toByteArray() + ']', {}};
            }
            current = sectionIndex.value(currentName);
            continue;
        }
        // Only a line that ends where it began and outside quotes is kept: it cannot run on
        // into the lines written after it.
        const qsizetype equals = trimmed.indexOf('=');
        if (equals <= 0 || trimmed.contains('\n') || !line.endsWith('\n'))
            continue;
        const auto section = values.constFind(currentName);
        if (section != values.cend() &&
            section->contains(unescapedKey(trimmed.first(equals).trimmed())))
            continue;
        sections[current].lines << trimmed.toByteArray() + '\n';
    }
    for (auto section = values.cbegin(); section != values.cend(); ++section) {
        if (!sectionIndex.contains(section.key())) {
            sectionIndex.insert(section.key(), sections.size());
            sections << Section{'[' + escapedKey(section.key()) + ']', {}};
        }
        QByteArrayList& into = sections[sectionIndex.value(section.key())].lines;
        for (auto value = section->cbegin(); value != section->cend(); ++value)
            into << escapedKey(value.key()) + '=' + escapedValue(value.value()) + '\n';
    }
    QByteArrayList blocks;
    for (const Section& section : std::as_const(sections)) {
        if (!section.lines.isEmpty())
            blocks << (section.header.isEmpty() ? QByteArray() : section.header + '\n') +
                          section.lines.join();
    }
    return blocks.join('\n');
}

} // namespace ini

// The file as it is now, so that what else it holds is kept; empty when there is none yet.
std::optional<QByteArray> currentText(const QString& path, QString* why)
{
    QFile file(path);
    if (!file.exists())
        return QByteArray();
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return std::nullopt;
    }
    QByteArray text = file.read(QSettingsStore::MAX_FILE_SIZE + 1);
    if (file.error() != QFileDevice::NoError) {
        *why = file.errorString();
        return std::nullopt;
    }
    return text;
}

// Writes the whole text to a new file beside `path` and puts it in place only when every byte
// is on disk; on any failure the file at `path` stays as it was. QSaveFile alone is not enough:
// it commits a file whose buffered write failed, so the flush is checked here, and the data
// are synced before the rename.
QString writeWhole(const QString& path, const QByteArray& text)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return QStringLiteral("cannot make the folder %1").arg(QFileInfo(path).path());
    // The new file would replace a read-only one all the same: its owner meant it to stay.
    const QByteArray nativePath = QFile::encodeName(path);
    if (::faccessat(AT_FDCWD, nativePath.constData(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        return errorText(errno);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(text) != text.size() || !file.flush())
        return file.errorString(); // the new file is removed when `file` goes
    if (::fdatasync(file.handle()) != 0)
        return errorText(errno);
    if (!file.commit())
        return file.errorString();
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

QSettingsStore::~QSettingsStore() = default;

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
    bool missing = false;
    if (const QString why = whyNotOurs(m_fileName, &missing); !why.isEmpty()) {
        qCWarning(lcSettings).noquote()
            << "Settings not saved:" << m_fileName << "is no longer a settings file:" << why;
        return false;
    }
    if (!lockIsFree())
        return false;
    QString why;
    const std::optional<QByteArray> old = currentText(m_fileName, &why);
    if (!old) {
        qCWarning(lcSettings).noquote() << "Settings not saved: cannot read" << m_fileName
                                        << "to keep what else it holds:" << why;
        return false;
    }
    const QByteArray text = ini::withValues(*old, m_saved);
    if (text.size() > MAX_FILE_SIZE) {
        qCWarning(lcSettings).noquote()
            << "Settings not saved: with them" << m_fileName << "would hold" << text.size()
            << "bytes, more than this program reads - the old file stays";
        return false;
    }
    why = writeWhole(m_fileName, text);
    if (!why.isEmpty()) {
        qCWarning(lcSettings).noquote() << "Settings not saved: cannot write" << m_fileName << "-"
                                        << why << "- the old file stays";
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
