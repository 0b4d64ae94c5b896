// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

// A small FUSE filesystem for the tests, standing in for a network share whose server went
// away: its one folder, "hang", holds the files "a" and "b", but opening it for reading waits
// until the release file named on the command line exists. With "stat" after the release file,
// asking for the attributes of the mount point itself waits too, as on a dead NFS hard mount:
// whoever looks at the mount from its parent folder hangs. Like NFS's waits, the wait ends when
// the process waiting is killed (the kernel then interrupts the request), so a program that
// exits is not held as a zombie by its thread stuck here. With "lookup" instead, asking for
// any name it does not hold waits: the folder lists, but a file looked for there never comes.
//
//     hanging_fs MOUNTPOINT RELEASE_FILE [stat | lookup]
//
// Its other modes show the files of FOLDER, to read and write, as a share would with one fault:
// with --slow-open MS, opening a folder to list it takes MS milliseconds, every time (a share
// that is slow but answers); with --slow-sync MS, syncing a file takes MS milliseconds (a
// settings folder whose flush is slow); with --sync-fails, syncing a file fails with EIO; with
// --close-fails, closing a file opened for writing fails with EIO, as NFS may.
//
//     hanging_fs --slow-open MS FOLDER MOUNTPOINT
//     hanging_fs --slow-sync MS FOLDER MOUNTPOINT
//     hanging_fs --sync-fails FOLDER MOUNTPOINT
//     hanging_fs --close-fails FOLDER MOUNTPOINT
//
// It stays in the foreground; unmount it with fusermount3 -u.
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::string releaseFile;
bool statHangs = false;
bool lookupHangs = false;

// Waits until the test lets go, or the request is interrupted.
int waitForRelease()
{
    while (::access(releaseFile.c_str(), F_OK) != 0) {
        if (fuse_interrupted())
            return -EINTR;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}
bool isFile(const char* path)
{
    return std::strcmp(path, "/hang/a") == 0 || std::strcmp(path, "/hang/b") == 0;
}

int getAttributes(const char* path, struct stat* status, fuse_file_info*)
{
    std::memset(status, 0, sizeof *status);
    if (statHangs && std::strcmp(path, "/") == 0) {
        if (const int interrupted = waitForRelease())
            return interrupted;
    }
    if (std::strcmp(path, "/") == 0 || std::strcmp(path, "/hang") == 0) {
        status->st_mode = S_IFDIR | 0755;
        status->st_nlink = 2;
        return 0;
    }
    if (isFile(path)) {
        status->st_mode = S_IFREG | 0644;
        status->st_nlink = 1;
        return 0;
    }
    if (lookupHangs) {
        if (const int interrupted = waitForRelease())
            return interrupted;
    }
    return -ENOENT;
}

int openFolder(const char* path, fuse_file_info*)
{
    return std::strcmp(path, "/hang") == 0 ? waitForRelease() : 0;
}

int readFolder(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
               fuse_readdir_flags)
{
    fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags{});
    fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags{});
    if (std::strcmp(path, "/") == 0) {
        fill(buffer, "hang", nullptr, 0, fuse_fill_dir_flags{});
    } else {
        fill(buffer, "a", nullptr, 0, fuse_fill_dir_flags{});
        fill(buffer, "b", nullptr, 0, fuse_fill_dir_flags{});
    }
    return 0;
}

std::string shown; // the folder the passing modes show
int slowOpenMs = 0;
int slowSyncMs = 0;
bool syncFails = false;
bool closeFails = false;

std::string real(const char* path)
{
    return shown + path;
}

// A system call's result as FUSE wants it: the error negated.
int answer(long result)
{
    return result < 0 ? -errno : int(result);
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int passAttributes(const char* path, struct stat* status, fuse_file_info*)
{
    return answer(::lstat(real(path).c_str(), status));
}

int passOpen(const char* path, fuse_file_info* file)
{
    const int fd = ::open(real(path).c_str(), file->flags);
    file->fh = uint64_t(fd);
    return answer(fd < 0 ? fd : 0);
}

int passCreate(const char* path, mode_t mode, fuse_file_info* file)
{
    const int fd = ::open(real(path).c_str(), file->flags | O_CREAT, mode);
    file->fh = uint64_t(fd);
    return answer(fd < 0 ? fd : 0);
}

int passRead(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* file)
{
    return answer(::pread(int(file->fh), buffer, size, offset));
}

int passWrite(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* file)
{
    return answer(::pwrite(int(file->fh), buffer, size, offset));
}

int passFlush(const char*, fuse_file_info* file)
{
    const bool written = (::fcntl(int(file->fh), F_GETFL) & O_ACCMODE) != O_RDONLY;
    return closeFails && written ? -EIO : 0;
}

int passSync(const char*, int dataOnly, fuse_file_info* file)
{
    sleepMs(slowSyncMs);
    if (syncFails)
        return -EIO;
    return answer(dataOnly ? ::fdatasync(int(file->fh)) : ::fsync(int(file->fh)));
}

int passOpenFolder(const char* path, fuse_file_info* file)
{
    sleepMs(slowOpenMs);
    DIR* folder = ::opendir(real(path).c_str());
    file->fh = uint64_t(reinterpret_cast<uintptr_t>(folder));
    return folder ? 0 : -errno;
}

int passReadFolder(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info* file,
                   fuse_readdir_flags)
{
    DIR* folder = reinterpret_cast<DIR*>(uintptr_t(file->fh));
    ::rewinddir(folder);
    while (const dirent* entry = ::readdir(folder))
        fill(buffer, entry->d_name, nullptr, 0, fuse_fill_dir_flags{});
    return 0;
}

int passReleaseFolder(const char*, fuse_file_info* file)
{
    return answer(::closedir(reinterpret_cast<DIR*>(uintptr_t(file->fh))));
}

int passRelease(const char*, fuse_file_info* file)
{
    return answer(::close(int(file->fh)));
}

int passRename(const char* from, const char* to, unsigned int flags)
{
    return flags ? -EINVAL : answer(::rename(real(from).c_str(), real(to).c_str()));
}

int passUnlink(const char* path)
{
    return answer(::unlink(real(path).c_str()));
}

// FOLDER shown at MOUNTPOINT with the fault the mode names.
int mountPassing(char* program, const char* mode, int ms, char* folder, char* mountPoint)
{
    shown = folder;
    slowOpenMs = std::strcmp(mode, "--slow-open") == 0 ? ms : 0;
    slowSyncMs = std::strcmp(mode, "--slow-sync") == 0 ? ms : 0;
    syncFails = std::strcmp(mode, "--sync-fails") == 0;
    closeFails = std::strcmp(mode, "--close-fails") == 0;
    fuse_operations operations{};
    operations.getattr = passAttributes;
    operations.open = passOpen;
    operations.create = passCreate;
    operations.read = passRead;
    operations.write = passWrite;
    operations.flush = passFlush;
    operations.fsync = passSync;
    operations.release = passRelease;
    operations.rename = passRename;
    operations.unlink = passUnlink;
    operations.opendir = passOpenFolder;
    operations.readdir = passReadFolder;
    operations.releasedir = passReleaseFolder;
    char* fuseArgs[] = {program, const_cast<char*>("-f"), mountPoint};
    return fuse_main(3, fuseArgs, &operations, nullptr);
}

int usage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s MOUNTPOINT RELEASE_FILE [stat | lookup]\n"
                 "       %s --slow-open MS FOLDER MOUNTPOINT\n"
                 "       %s --slow-sync MS FOLDER MOUNTPOINT\n"
                 "       %s --sync-fails FOLDER MOUNTPOINT\n"
                 "       %s --close-fails FOLDER MOUNTPOINT\n",
                 program, program, program, program, program);
    return 2;
}

// libfuse from 3.17 on tells the kernel to send no interrupts unless the filesystem asks for
// them: without them, a process killed while it waits here would wait on as a zombie.
void* start(fuse_conn_info*, fuse_config* config)
{
    config->intr = 1;
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    const bool timed = argc == 5 && (std::strcmp(argv[1], "--slow-open") == 0 ||
                                     std::strcmp(argv[1], "--slow-sync") == 0);
    if (timed)
        return mountPassing(argv[0], argv[1], std::atoi(argv[2]), argv[3], argv[4]);
    const bool faulty = argc == 4 && (std::strcmp(argv[1], "--sync-fails") == 0 ||
                                      std::strcmp(argv[1], "--close-fails") == 0);
    if (faulty)
        return mountPassing(argv[0], argv[1], 0, argv[2], argv[3]);
    const bool withStat = argc == 4 && std::strcmp(argv[3], "stat") == 0;
    const bool withLookup = argc == 4 && std::strcmp(argv[3], "lookup") == 0;
    if (argc != 3 && !withStat && !withLookup)
        return usage(argv[0]);
    releaseFile = argv[2];
    statHangs = withStat;
    lookupHangs = withLookup;
    // The signal libfuse sends the thread of an interrupted request, where it installs no
    // handler itself (before 3.17): it only ends the sleep in waitForRelease.
    std::signal(SIGUSR1, [](int) {});
    fuse_operations operations{};
    operations.init = start;
    operations.getattr = getAttributes;
    operations.opendir = openFolder;
    operations.readdir = readFolder;
    char* fuseArgs[] = {argv[0], const_cast<char*>("-f"), argv[1]};
    return fuse_main(3, fuseArgs, &operations, nullptr);
}
