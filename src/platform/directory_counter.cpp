#include "platform/directory_counter.h"

#include "platform/unique_fd.h"

#include <QFile>

#include <cerrno>
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

std::optional<std::int64_t> countNonFolders(int folderFd, std::byte* buffer, std::size_t size)
{
    std::int64_t count = 0;
    for (;;) {
        const ssize_t filled = ::getdents64(folderFd, buffer, size);
        if (filled == 0)
            return count;
        if (filled < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        for (ssize_t offset = 0; offset < filled;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            if (!isFolder(folderFd, *entry))
                ++count;
        }
    }
}

} // namespace

DirectoryCounter::DirectoryCounter()
    : m_folder("."), m_buffer(std::make_unique<std::byte[]>(BUFFER_SIZE))
{
}

DirectoryCounter::~DirectoryCounter() = default;

bool DirectoryCounter::setFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    // A NUL inside the text would silently cut the path short and name another folder.
    if (path.isEmpty() || path.contains('\0'))
        return false;
    if (!openFolder(path))
        return false;
    m_folder = path;
    return true;
}

bool DirectoryCounter::refresh()
{
    // The folder is opened afresh for each read and closed right after, so no descriptor stays
    // open between ticks to keep a removable drive from being unmounted.
    const UniqueFd folderFd = openFolder(m_folder);
    if (!folderFd)
        return false;
    const auto counted = countNonFolders(folderFd.get(), m_buffer.get(), BUFFER_SIZE);
    if (!counted)
        return false;
    m_count = *counted;
    return true;
}

std::int64_t DirectoryCounter::count() const
{
    return m_count;
}
