// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "bench_fixture.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string entryName(std::int64_t index)
{
    char name[32];
    std::snprintf(name, sizeof name, "n%07lld", static_cast<long long>(index));
    return name;
}

enum class Kind { File, Folder, LinkToFile, LinkToFolder };

Kind kindOf(std::int64_t index, bool withLinks)
{
    switch (index % 100) {
    case 0:
        return Kind::Folder;
    case 1:
        if (!withLinks)
            return Kind::File;
        return (index / 100) % 2 == 0 ? Kind::LinkToFile : Kind::LinkToFolder;
    default:
        return Kind::File;
    }
}

void check(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error("cannot make the benchmark folder: " + what);
}

void makeEntry(int folderFd, std::int64_t index, bool withLinks, const std::string& linkPrefix)
{
    const std::string name = entryName(index);
    switch (kindOf(index, withLinks)) {
    case Kind::File: {
        const int fd = ::openat(folderFd, name.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        check(fd >= 0, name);
        ::close(fd);
        break;
    }
    case Kind::Folder:
        check(::mkdirat(folderFd, name.c_str(), 0755) == 0, name);
        break;
    case Kind::LinkToFile: // the next entry, a file
        check(::symlinkat((linkPrefix + entryName(index + 1)).c_str(), folderFd, name.c_str()) == 0,
              name);
        break;
    case Kind::LinkToFolder: // the previous entry, a folder
        check(::symlinkat((linkPrefix + entryName(index - 1)).c_str(), folderFd, name.c_str()) == 0,
              name);
        break;
    }
}

} // namespace

BenchFolder makeBenchFolder(const std::string& parent, std::int64_t names, bool withLinks, int copy,
                            bool absoluteLinks)
{
    BenchFolder folder;
    folder.path = parent + "/marrowquill-bench-";
    if (!withLinks)
        folder.path += "plain-";
    else if (absoluteLinks)
        folder.path += "absolute-";
    folder.path += std::to_string(names);
    if (copy) {
        folder.path += '-';
        folder.path += std::to_string(copy);
    }
    folder.names = names;
    for (std::int64_t i = 0; i < names; ++i) {
        const Kind kind = kindOf(i, withLinks);
        folder.expectedFiles += kind == Kind::File || kind == Kind::LinkToFile;
    }

    const std::string marker = folder.path + ".ready";
    if (std::filesystem::exists(marker))
        return folder;

    std::filesystem::remove_all(folder.path);
    std::filesystem::create_directories(folder.path);
    const int folderFd = ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    check(folderFd >= 0, folder.path);
    for (std::int64_t i = 0; i < names; ++i)
        makeEntry(folderFd, i, withLinks, absoluteLinks ? folder.path + '/' : std::string());
    ::close(folderFd);
    std::FILE* ready = std::fopen(marker.c_str(), "w");
    check(ready != nullptr, marker);
    std::fclose(ready);
    return folder;
}

void removeBenchFolder(const BenchFolder& folder)
{
    std::filesystem::remove(folder.path + ".ready");
    std::filesystem::remove_all(folder.path);
}
