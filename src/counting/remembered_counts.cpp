// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "counting/remembered_counts.h"

#include <algorithm>
#include <sys/stat.h>
#include <sys/statfs.h>

// Local filesystems whose folder times change with every entry created, removed or renamed,
// at a granularity far below the safe margin. Any other filesystem is read in full every time.
bool timesTrackEntriesOnFilesystem(long filesystemType)
{
    switch (static_cast<unsigned long>(filesystemType)) {
    case 0xEF53:     // ext2, ext3, ext4
    case 0x58465342: // xfs
    case 0x9123683E: // btrfs
    case 0x01021994: // tmpfs
    case 0xF2F52010: // f2fs
    case 0x2FC12FC1: // zfs
    case 0xCA451A4E: // bcachefs
    case 0x3153464A: // jfs
    case 0x52654973: // reiserfs
        return true;
    default:
        return false;
    }
}

namespace {

bool operator==(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool sameFolder(const FolderStamp& a, const FolderStamp& b)
{
    return a.device == b.device && a.inode == b.inode;
}

// True when `earlier` lies before `later` by more than the margin.
bool olderByMargin(const timespec& earlier, const timespec& later, std::time_t marginSeconds)
{
    const timespec limit{earlier.tv_sec + marginSeconds, earlier.tv_nsec};
    return limit.tv_sec < later.tv_sec ||
           (limit.tv_sec == later.tv_sec && limit.tv_nsec < later.tv_nsec);
}

} // namespace

FolderStamp stampFrom(const struct stat& status)
{
    FolderStamp stamp;
    stamp.device = status.st_dev;
    stamp.inode = status.st_ino;
    stamp.modified = status.st_mtim;
    stamp.changed = status.st_ctim;
    return stamp;
}

bool timesTrackEntriesOf(int folderFd)
{
    struct statfs filesystem;
    return ::fstatfs(folderFd, &filesystem) == 0 &&
           timesTrackEntriesOnFilesystem(filesystem.f_type);
}

std::optional<FolderStamp> stampOf(int folderFd)
{
    struct stat status;
    if (::fstat(folderFd, &status) != 0)
        return std::nullopt;
    FolderStamp stamp = stampFrom(status);
    stamp.timesTrackEntries = timesTrackEntriesOf(folderFd);
    return stamp;
}

// Only folders whose times track their entries are remembered, so the stamp asked about need
// not say it again.
std::optional<RememberedCounts::Remembered> RememberedCounts::lookUp(const FolderStamp& stamp)
{
    const std::lock_guard lock(m_mutex);
    Entry* entry = find(stamp);
    if (!entry || !(entry->stamp.modified == stamp.modified) ||
        !(entry->stamp.changed == stamp.changed) ||
        !olderByMargin(entry->stamp.modified, entry->readStart, SAFE_MARGIN_SECONDS)) {
        return std::nullopt;
    }
    entry->lastUse = ++m_uses;
    return entry->remembered;
}

std::optional<std::int64_t> RememberedCounts::countFor(const FolderStamp& stamp)
{
    const std::optional<Remembered> remembered = lookUp(stamp);
    if (!remembered || remembered->recheck)
        return std::nullopt;
    return remembered->count;
}

void RememberedCounts::remember(const FolderStamp& stamp, const timespec& readStart,
                                std::int64_t count, NamesToRecheck recheck)
{
    if (!stamp.timesTrackEntries || recheck.size() > MAX_NAMES_TO_RECHECK) {
        forget(stamp);
        return;
    }
    Remembered remembered{count, nullptr};
    if (!recheck.empty())
        remembered.recheck = std::make_shared<const NamesToRecheck>(std::move(recheck));
    const std::lock_guard lock(m_mutex);
    Entry* entry = find(stamp);
    if (!entry) {
        entry = &*std::min_element(
            m_entries.begin(), m_entries.end(),
            [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
    }
    *entry = Entry{stamp, readStart, std::move(remembered), ++m_uses};
}

void RememberedCounts::forget(const FolderStamp& stamp)
{
    const std::lock_guard lock(m_mutex);
    if (Entry* entry = find(stamp))
        *entry = Entry{};
}

RememberedCounts::Entry* RememberedCounts::find(const FolderStamp& stamp)
{
    for (Entry& entry : m_entries) {
        if (entry.lastUse != 0 && sameFolder(entry.stamp, stamp))
            return &entry;
    }
    return nullptr;
}
