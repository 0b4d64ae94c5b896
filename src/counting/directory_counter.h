// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "counting/remembered_counts.h"
#include "support/unique_fd.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <memory>
#include <optional>

// Counts the files directly inside one current folder on Linux, on the calling thread: reads the
// folder with getdents64 into one buffer that is reused for every read, so counting a folder of any
// size builds no list of names and takes constant memory.
//
// Every entry that is not a folder counts, "." and ".." aside. The entry's type decides; a
// symbolic link counts as a folder when it resolves to one and as a file otherwise (a broken or
// looping link is a file). An entry of unknown type is looked up with fstatat.
//
// A refresh of a folder that has not changed since its last full read costs no more than
// asking the kernel for the folder's own status: RememberedCounts says when a remembered count
// holds. What a link leads to can change while the folder's own times stay as they were, so
// such a refresh looks up again every link and every entry of unknown type.
class DirectoryCounter final
{
public:
    static constexpr std::size_t BUFFER_SIZE = 64 * 1024;

    enum class Memory { RememberUnchangedFolders, AlwaysReadInFull };

    // The current folder starts as the process's working directory.
    explicit DirectoryCounter(Memory memory = Memory::RememberUnchangedFolders);
    // Remembers unchanged folders in a memory that other counters, on other threads, share.
    explicit DirectoryCounter(std::shared_ptr<RememberedCounts> sharedMemory);
    DirectoryCounter(const DirectoryCounter&) = delete;
    DirectoryCounter& operator=(const DirectoryCounter&) = delete;
    ~DirectoryCounter();

    // Makes the folder current. Fails, keeping the previous folder, when the text cannot be
    // opened as a folder (missing, not a folder, unreadable, not a path).
    bool setFolder(const QString& folder);
    // The same, for a path already in the bytes the kernel takes.
    bool setFolderPath(const QByteArray& path);
    // setFolderPath and refresh at once; a folder whose remembered count holds with nothing to
    // look up again costs one stat, and is not even opened.
    bool setFolderAndRefresh(const QByteArray& path);
    // Reads the current folder's listing again, even when nothing changed. Fails when the
    // folder can no longer be read; the count then stays as it was.
    bool refresh();
    // The number of files found by the last successful refresh.
    std::int64_t count() const;
    // The errno of the last failed setFolder or refresh.
    int lastError() const { return m_lastError; }

    // The current folder as the bytes given to the kernel. A relative folder resolves against
    // the process's working directory at each refresh.
    const QByteArray& folder() const { return m_folder; }
    // How many refreshes read a folder's entries, rather than trusting a remembered count.
    std::int64_t fullReads() const { return m_fullReads; }

private:
    bool readInFull(int folderFd, const std::optional<FolderStamp>& stamp,
                    const timespec& readStart);
    static std::int64_t countFilesAmong(int folderFd, const NamesToRecheck& names);

    Memory m_memory;
    std::shared_ptr<RememberedCounts> m_remembered;
    QByteArray m_folder;
    // The folder as setFolder opened it, handed to the refresh that follows.
    UniqueFd m_openedFolder;
    std::int64_t m_count = 0;
    std::int64_t m_fullReads = 0;
    int m_lastError = 0;
    std::unique_ptr<std::byte[]> m_buffer;
};
