// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// What the kernel says of a folder itself, without reading its entries.
struct FolderStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec changed{};
    // The folder lies on a local filesystem whose folder times follow every change of the
    // folder's entries. Network and user-space filesystems cache attributes, and pseudo
    // filesystems such as /proc list entries that no time tracks.
    bool timesTrackEntries = false;
};

// The stamp of an open folder; nothing when the kernel cannot tell it.
std::optional<FolderStamp> stampOf(int folderFd);
// The stamp of a folder's status, without asking what filesystem it lies on: enough to find a
// remembered count, which is kept only for folders whose times track their entries.
FolderStamp stampFrom(const struct stat& status);
bool timesTrackEntriesOf(int folderFd);
// Whether folders on a filesystem of that type (statfs's f_type) keep times that follow every
// change of their entries.
bool timesTrackEntriesOnFilesystem(long filesystemType);

// The names in a folder that a remembered count cannot vouch for, since what they lead to can
// change while the folder stays as it was: symbolic links and entries of unknown type.
using NamesToRecheck = std::vector<std::string>;

// The file counts of the last full reads of a few folders, and when each of those reads began.
// A folder's count may leave out a few names that must be looked up again at each refresh.
// A remembered count holds while the folder's device, inode, modification and change times
// are all as they were at that read, and the modification time was older, by a safe margin,
// than the read: a change made in the same timestamp granule as the read could leave the
// times as they were (the rule git uses for its index). Counters on several threads may share
// one memory: each call holds its lock, and no call waits on the file system.
class RememberedCounts
{
public:
    // The five watch slots, with room to spare; the least recently used folder goes first.
    static constexpr std::size_t CAPACITY = 8;
    static constexpr std::time_t SAFE_MARGIN_SECONDS = 2;
    // A folder with more names to look up again is read in full each time.
    static constexpr std::size_t MAX_NAMES_TO_RECHECK = 65536;

    struct Remembered
    {
        // The files among the names the count vouches for.
        std::int64_t count = 0;
        // Null when there are none.
        std::shared_ptr<const NamesToRecheck> recheck;
    };

    // The remembered count of an unchanged folder, with the names to look up again.
    std::optional<Remembered> lookUp(const FolderStamp& stamp);
    // The count of an unchanged folder that has no names to look up again.
    std::optional<std::int64_t> countFor(const FolderStamp& stamp);
    // Remembers a full read that began at readStart (the wall clock, as file times use).
    void remember(const FolderStamp& stamp, const timespec& readStart, std::int64_t count,
                  NamesToRecheck recheck = {});
    void forget(const FolderStamp& stamp);

private:
    struct Entry
    {
        FolderStamp stamp;
        timespec readStart{};
        Remembered remembered;
        std::uint64_t lastUse = 0; // 0: the entry is free
    };

    Entry* find(const FolderStamp& stamp);

    std::mutex m_mutex;
    std::array<Entry, CAPACITY> m_entries{};
    std::uint64_t m_uses = 0;
};
