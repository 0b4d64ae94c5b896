// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "platform/directory_counter.h"

#include "platform/unique_fd.h"

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

bool isFolder(int folderFd, const struct dirent64& entry)
{
    switch (entry.d_type) {
    case DT_DIR:
        return true;
    case DT_LNK:
    case DT_UNKNOWN: // "." and ".." resolve to folders here too
        return resolvesToFolder(folderFd, entry.d_name);
    default:
        return false;
    }
}

struct Listing
{
    std::int64_t files = 0;
    bool metLinkOrUnknown = false;
};

std::optional<Listing> listNonFolders(int folderFd, std::byte* buffer, std::size_t size)
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
            listing.metLinkOrUnknown |= entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN;
            if (!isFolder(folderFd, *entry))
                ++listing.files;
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

    const std::optional<FolderStamp> stamp = stampOf(folderFd.get());
    if (stamp) {
        if (const auto remembered = m_remembered->countFor(*stamp)) {
            m_count = *remembered;
            return true;
        }
    }
    return readInFull(folderFd.get(), stamp, readStart);
}

// Reads every entry, and remembers the count when a later refresh may trust it. The stamp was
// taken before the read, so a change during the read shows as a different stamp next time.
bool DirectoryCounter::readInFull(int folderFd, const std::optional<FolderStamp>& stamp,
                                  const timespec& readStart)
{
    const auto listing = listNonFolders(folderFd, m_buffer.get(), BUFFER_SIZE);
    if (!listing) {
        m_lastError = errno;
        return false;
    }
    ++m_fullReads;
    m_count = listing->files;
    if (stamp && stamp->timesTrackEntries && !listing->metLinkOrUnknown)
        m_remembered->remember(*stamp, readStart, m_count);
    else if (stamp)
        m_remembered->forget(*stamp);
    return true;
}

std::int64_t DirectoryCounter::count() const
{
    return m_count;
}
