#pragma once

#include <QString>

#include <cstdint>

// Counts the files directly inside one current folder: every entry that is not a folder,
// hidden names included. Nothing below the folder is looked at.
class FileCounter
{
public:
    virtual ~FileCounter() = default;

    // Makes the folder current. Fails, keeping the previous folder, when the text cannot be
    // opened as a folder (missing, not a folder, unreadable, not a path).
    virtual bool setFolder(const QString& folder) = 0;
    // Reads the current folder's listing again, even when nothing changed. Fails when the
    // folder can no longer be read; the count then stays as it was.
    virtual bool refresh() = 0;
    // The number of files found by the last successful refresh.
    virtual std::int64_t count() const = 0;
};
