// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "chooser/folder_places.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct DirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Whether a place's folder is there. A folder another chooser is still looking at (a mount that
// hangs) is not looked at again until that look comes back, so that opening the chooser again
// and again leaves one thread stuck on it, not one each time; meanwhile it counts as there.
bool isFolder(const QString& path)
{
    struct Looks
    {
        std::mutex mutex;
        std::set<std::string> names;
    };
    // Never destroyed: a look stuck in the kernel may come back while the program ends.
    static Looks* const inFlight = new Looks;
    const std::string name = QFile::encodeName(path).toStdString();
    if (const std::lock_guard lock(inFlight->mutex); !inFlight->names.insert(name).second)
        return true;
    struct stat status;
    const bool folder = ::stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    const std::lock_guard lock(inFlight->mutex);
    inFlight->names.erase(name);
    return folder;
}

QString lastName(const QString& path)
{
    const QString name = path.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
    return name.isEmpty() ? path : name;
}

// mountinfo writes a space, tab, newline and backslash in a path as \040, \011, \012, \134.
QString unescapeMountPath(const QString& text)
{
    const QByteArray bytes = QFile::encodeName(text);
    QByteArray plain;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        bool octal = false;
        const int code =
            bytes[i] == '\\' && i + 3 < bytes.size() ? bytes.mid(i + 1, 3).toInt(&octal, 8) : 0;
        if (octal && code < 256) {
            plain.append(char(code));
            i += 3;
        } else {
            plain.append(bytes[i]);
        }
    }
    return QFile::decodeName(plain);
}

bool isNetworkType(const QString& type)
{
    static constexpr const char* network[] = {
        "nfs",       "nfs4",      "cifs",           "smb3",           "smbfs",
        "ncpfs",     "afs",       "ceph",           "glusterfs",      "9p",
        "sshfs",     "davfs",     "fuse.sshfs",     "fuse.davfs2",    "fuse.rclone",
        "fuse.s3fs", "fuse.ceph", "fuse.glusterfs", "fuse.gvfsd-fuse"};
    return std::any_of(std::begin(network), std::end(network),
                       [&type](const char* name) { return type == QLatin1String(name); });
}

// Where desktops mount removable media: /media/NAME, /media/USER/NAME, /run/media/USER/NAME,
// /mnt/NAME.
bool isRemovableMountPoint(const QString& path)
{
    static const QRegularExpression removable(
        QStringLiteral("^(/media/[^/]+|/run/media/[^/]+/[^/]+|/mnt/[^/]+)(/.*)?$"));
    return removable.match(path).hasMatch();
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void appendExisting(std::vector<Place>& places, const std::vector<Place>& candidates)
{
    for (const Place& place : candidates) {
        if (isFolder(place.path))
            places.push_back(place);
    }
}

} // namespace

SubfolderListing listSubfolders(const std::string& folder)
{
    SubfolderListing listing;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return listing;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return listing;
    }
    listing.opened = true;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool isSubfolder = entry->d_type == DT_DIR;
        // The listing gives each entry's type; only a link, or an entry of a file system that
        // does not tell, is looked at itself. A mount point is never looked at: it is listed as
        // the folder it hides, so a mount that hangs does not hold up its parent's listing.
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat status;
            isSubfolder = ::fstatat(fd, name.c_str(), &status, 0) == 0 && S_ISDIR(status.st_mode);
        }
        if (isSubfolder)
            listing.names.push_back(name);
    }
    return listing;
}

std::vector<Place> bookmarksFromText(const QString& text)
{
    std::vector<Place> places;
    for (const QString& entry : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString uri = entry.section(QLatin1Char(' '), 0, 0);
        const QString label = entry.section(QLatin1Char(' '), 1).trimmed();
        const QUrl url = QUrl::fromEncoded(uri.toUtf8());
        if (!url.isLocalFile())
            continue; // a remote bookmark has no folder of the file system
        QString path = url.toLocalFile();
        while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        places.push_back({label.isEmpty() ? lastName(path) : label, path});
    }
    return places;
}

// A line: ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS
std::vector<Place> volumesFromMountInfo(const QString& text)
{
    std::vector<Place> places;
    std::vector<QString> seen;
    for (const QString& entry : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = entry.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const qsizetype separator = fields.indexOf(QStringLiteral("-"));
        if (fields.size() < 5 || separator < 6 || separator + 1 >= fields.size())
            continue;
        const QString path = unescapeMountPath(fields[4]);
        const QString type = fields[separator + 1];
        if (!isNetworkType(type) && !isRemovableMountPoint(path))
            continue;
        if (std::find(seen.begin(), seen.end(), path) != seen.end())
            continue;
        seen.push_back(path);
        places.push_back({lastName(path), path});
    }
    return places;
}

std::vector<Place> readPlaces()
{
    const QString home = QDir::homePath();
    std::vector<Place> places;
    for (const QStandardPaths::StandardLocation location :
         {QStandardPaths::DesktopLocation, QStandardPaths::DocumentsLocation,
          QStandardPaths::DownloadLocation, QStandardPaths::MusicLocation,
          QStandardPaths::PicturesLocation, QStandardPaths::MoviesLocation,
          QStandardPaths::PublicShareLocation, QStandardPaths::TemplatesLocation}) {
        // A folder set to the home folder itself is switched off.
        const QString path = QDir::cleanPath(QStandardPaths::writableLocation(location));
        if (!path.isEmpty() && path != home && isFolder(path))
            places.push_back({lastName(path), path});
    }
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    appendExisting(places,
                   bookmarksFromText(readText(configHome + QStringLiteral("/gtk-3.0/bookmarks"))));
    const std::vector<Place> volumes =
        volumesFromMountInfo(readText(QStringLiteral("/proc/self/mountinfo")));
    places.insert(places.end(), volumes.begin(), volumes.end());
    return places;
}
