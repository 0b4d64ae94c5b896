#pragma once

#include "platform/file_counter.h"
#include "platform/remembered_counts.h"
#include "platform/unique_fd.h"

#include <QByteArray>

#include <cstddef>
#include <memory>
#include <optional>

// The file counter on Linux: reads the folder with getdents64 into one buffer that is reused
// for every read, so counting a folder of any size builds no list of names and takes constant
// memory.
//
// Every entry that is not a folder counts, "." and ".." aside. The entry's type decides; a
// symbolic link counts as a folder when it resolves to one and as a file otherwise (a broken or
// looping link is a file). An entry of unknown type is looked up with fstatat.
//
// A refresh of a folder that has not changed since its last full read costs no more than
// asking the kernel for the folder's own status: RememberedCounts says when a remembered count
// holds. A folder whose last read met a link or an entry of unknown type is always read in
// full, since what a link leads to can change while the folder's own times stay as they were.
class DirectoryCounter final : public FileCounter
{
public:
    static constexpr std::size_t BUFFER_SIZE = 64 * 1024;

    enum class Memory { RememberUnchangedFolders, AlwaysReadInFull };

    // The current folder starts as the process's working directory.
    explicit DirectoryCounter(Memory memory = Memory::RememberUnchangedFolders);
    DirectoryCounter(const DirectoryCounter&) = delete;
    DirectoryCounter& operator=(const DirectoryCounter&) = delete;
    ~DirectoryCounter() override;

    bool setFolder(const QString& folder) override;
    bool refresh() override;
    std::int64_t count() const override;

    // The current folder as the bytes given to the kernel. A relative folder resolves against
    // the process's working directory at each refresh.
    const QByteArray& folder() const { return m_folder; }
    // How many refreshes read a folder's entries, rather than trusting a remembered count.
    std::int64_t fullReads() const { return m_fullReads; }

private:
    bool readInFull(int folderFd, const std::optional<FolderStamp>& stamp,
                    const timespec& readStart);

    Memory m_memory;
    RememberedCounts m_remembered;
    QByteArray m_folder;
    // The folder as setFolder opened it, handed to the refresh that follows.
    UniqueFd m_openedFolder;
    std::int64_t m_count = 0;
    std::int64_t m_fullReads = 0;
    std::unique_ptr<std::byte[]> m_buffer;
};
