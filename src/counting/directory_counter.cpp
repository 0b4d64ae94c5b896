// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "counting/directory_counter.h"

#include "support/unique_fd.h"

#include <QFile>

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

UniqueFd openFolder(const QByteArray& path)
{
    // O_DIRECTORY makes a FIFO or any other non-folder fail at once instead of blocking.
    return UniqueFd(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// A link or an entry of unknown type is a folder when what it leads to is one.
bool resolvesToFolder(int folderFd, const char* name)
{
    struct stat target;
    return ::fstatat(folderFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode);
}

struct Listing
{
    // Files among the entries whose kind holds while the folder is unchanged.
    std::int64_t fixedFiles = 0;
    // Files among the others, as they are now.
    std::int64_t otherFiles = 0;
    NamesToRecheck recheck;
};

void countEntry(int folderFd, const struct dirent64& entry, Listing& listing, bool collectNames)
{
    switch (entry.d_type) {
    case DT_DIR:
        return;
    case DT_LNK:
    case DT_UNKNOWN: // "." and ".." resolve to folders here too
        // What a link leads to can change while the folder stays as it was, whatever it led to
        // now: it is looked up again at every refresh.
        if (collectNames && listing.recheck.size() <= RememberedCounts::MAX_NAMES_TO_RECHECK)
            listing.recheck.emplace_back(entry.d_name);
        listing.otherFiles += !resolvesToFolder(folderFd, entry.d_name);
        return;
    default:
        ++listing.fixedFiles;
    }
}

// collectNames: whether the names of the entries that are not fixed are wanted.
std::optional<Listing> listNonFolders(int folderFd, std::byte* buffer, std::size_t size,
                                      bool collectNames)
{
    Listing listing;
    for (;;) {
        const ssize_t filled = ::getdents64(folderFd, buffer, size);
        if (filled == 0)
            return listing;
        if (filled < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        for (ssize_t offset = 0; offset < filled;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            countEntry(folderFd, *entry, listing, collectNames);
        }
    }
}

timespec wallClockNow()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

} // namespace

DirectoryCounter::DirectoryCounter(Memory memory)
    : DirectoryCounter(std::make_shared<RememberedCounts>())
{
    m_memory = memory;
}

DirectoryCounter::DirectoryCounter(std::shared_ptr<RememberedCounts> sharedMemory)
    : m_memory(Memory::RememberUnchangedFolders), m_remembered(std::move(sharedMemory)),
      m_folder("."), m_buffer(std::make_unique<std::byte[]>(BUFFER_SIZE))
{
}

DirectoryCounter::~DirectoryCounter() = default;

bool DirectoryCounter::setFolder(const QString& folder)
{
    return setFolderPath(QFile::encodeName(folder));
}

bool DirectoryCounter::setFolderPath(const QByteArray& path)
{
    // A NUL inside the text would silently cut the path short and name another folder.
    if (path.isEmpty() || path.contains('\0')) {
        m_lastError = EINVAL;
        return false;
    }
    UniqueFd opened = openFolder(path);
    if (!opened) {
        m_lastError = errno;
        return false;
    }
    m_folder = path;
    m_openedFolder = std::move(opened);
    return true;
}

bool DirectoryCounter::setFolderAndRefresh(const QByteArray& path)
{
    // A folder whose status is as at its last full read is the same folder with the same
    // entries and the same permissions: it would open, and it needs no other look.
    struct stat status;
    if (m_memory == Memory::RememberUnchangedFolders && !path.isEmpty() && !path.contains('\0') &&
        ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode)) {
        const auto remembered = m_remembered->lookUp(stampFrom(status));
        if (remembered && !remembered->recheck) {
            m_folder = path;
            m_openedFolder.reset();
            m_count = remembered->count;
            return true;
        }
    }
    return setFolderPath(path) && refresh();
}

bool DirectoryCounter::refresh()
{
    // The descriptor setFolder opened serves this read; a refresh with no set before it opens
    // the folder afresh. Either way it is closed right after, so no descriptor stays open
    // between ticks to keep a removable drive from being unmounted.
    const UniqueFd folderFd = m_openedFolder ? std::move(m_openedFolder) : openFolder(m_folder);
    if (!folderFd) {
        m_lastError = errno;
        return false;
    }
    const timespec readStart = wallClockNow();
    if (m_memory == Memory::AlwaysReadInFull)
        return readInFull(folderFd.get(), std::nullopt, readStart);

    struct stat status;
    if (::fstat(folderFd.get(), &status) != 0)
        return readInFull(folderFd.get(), std::nullopt, readStart);
    FolderStamp stamp = stampFrom(status);
    if (const auto remembered = m_remembered->lookUp(stamp)) {
        m_count = remembered->count;
        if (remembered->recheck)
            m_count += countFilesAmong(folderFd.get(), *remembered->recheck);
        return true;
    }
    stamp.timesTrackEntries = timesTrackEntriesOf(folderFd.get());
    return readInFull(folderFd.get(), stamp, readStart);
}

std::int64_t DirectoryCounter::countFilesAmong(int folderFd, const NamesToRecheck& names)
{
    std::int64_t files = 0;
    for (const std::string& name : names)
        files += !resolvesToFolder(folderFd, name.c_str());
    return files;
}

// Reads every entry, and remembers the count when a later refresh may trust it. The stamp was
// taken before the read, so a change during the read shows as a different stamp next time.
bool DirectoryCounter::readInFull(int folderFd, const std::optional<FolderStamp>& stamp,
                                  const timespec& readStart)
{
    const bool remembering = stamp && stamp->timesTrackEntries;
    auto listing = listNonFolders(folderFd, m_buffer.get(), BUFFER_SIZE, remembering);
    if (!listing) {
        m_lastError = errno;
        return false;
    }
    ++m_fullReads;
    m_count = listing->fixedFiles + listing->otherFiles;
    if (stamp)
        m_remembered->remember(*stamp, readStart, listing->fixedFiles, std::move(listing->recheck));
    return true;
}

std::int64_t DirectoryCounter::count() const
{
    return m_count;
}
