#include "core/savefile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#endif

namespace cvcfg {

namespace {

namespace fs = std::filesystem;

// A new file of our own, written as the bytes stand, and not handed to
// programs this one starts.
#ifdef _WIN32
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_NOINHERIT;
#else
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
#endif

Status cannotWrite(const std::string& path, const std::string& reason) {
    return Status::failure("Cannot write " + path + ": " + reason);
}

Status cannotWrite(const std::string& path, int code) {
    return cannotWrite(path, std::strerror(code));
}

// The file a path stands for: symbolic links are followed, also to a target
// that does not exist yet. Too long a chain of links is a loop.
Expected<fs::path> finalTarget(const std::string& path) {
    fs::path target = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(target, error)) || error) {
            return target;
        }
        const fs::path next = fs::read_symlink(target, error);
        if (error) {
            return Expected<fs::path>::failure(error.message());
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return Expected<fs::path>::failure(std::strerror(ELOOP));
}

bool writeAll(FileSystemCalls& calls, int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = calls.write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Makes a rename in `folder` last through a power cut. (Windows renames
// through to the disk itself; see FileSystemCalls::rename.)
int syncFolder([[maybe_unused]] FileSystemCalls& calls, [[maybe_unused]] const fs::path& folder) {
#ifdef _WIN32
    return 0;
#else
    const int fd =
        calls.open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) {
        return errno;
    }
    // Some file systems cannot sync a folder; the rename stands all the same.
    const int code = calls.fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    calls.close(fd);
    return code;
#endif
}

#ifdef _WIN32
// The errno value nearest to a Windows error, for the message's reason.
int errnoFrom(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    default:
        return EIO;
    }
}
#endif

} // namespace

int FileSystemCalls::open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

ssize_t FileSystemCalls::write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}

int FileSystemCalls::fsync(int fd) {
#ifdef _WIN32
    return ::_commit(fd);
#else
    return ::fsync(fd);
#endif
}

int FileSystemCalls::close(int fd) {
    return ::close(fd);
}

int FileSystemCalls::rename(const char* from, const char* to) {
#ifdef _WIN32
    // The C library's rename will not replace a file on Windows.
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    errno = errnoFrom(GetLastError());
    return -1;
#else
    return ::rename(from, to);
#endif
}

Status SaveFile(const std::string& path, std::string_view content) {
    FileSystemCalls system;
    return SaveFile(path, content, system);
}

Status SaveFile(const std::string& path, std::string_view content, FileSystemCalls& calls) {
    const Expected<fs::path> resolved = finalTarget(path);
    if (!resolved) {
        return cannotWrite(path, resolved.error());
    }
    const fs::path& target = *resolved;
    struct stat existing {};
    const bool exists = ::stat(target.string().c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) {
        return cannotWrite(path, errno);
    }
    if (exists && S_ISDIR(existing.st_mode)) {
        return cannotWrite(path, "it is a folder");
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        return cannotWrite(path, "it is not a regular file");
    }

    // A name of our own beside the target, so that the rename stays on one
    // file system and never meets another writer's temporary file.
    static std::atomic<unsigned> counter{0};
    const fs::path folder = target.parent_path();
    const fs::path temporary =
        folder / ("." + target.filename().string() + ".cvcfg-" + std::to_string(::getpid()) + "-" +
                  std::to_string(counter++));
    const int fd = calls.open(temporary.string().c_str(), kCreateFlags, 0666);
    if (fd < 0) {
        return cannotWrite(path, errno);
    }
    auto abandon = [&](int code) {
        calls.close(fd);
        ::unlink(temporary.string().c_str());
        return cannotWrite(path, code);
    };
#ifndef _WIN32 // Windows files carry no such bits.
    if (exists) {
        if (::fchmod(fd, existing.st_mode & 07777) != 0) {
            return abandon(errno);
        }
        // Only root can give the file back to its owner; anyone else makes it
        // their own, as an editor's save does.
        (void)!::fchown(fd, existing.st_uid, existing.st_gid);
    }
#endif
    // The content must be on the disk before the rename makes it the file's:
    // otherwise a power cut can leave the target renamed but empty.
    if (!writeAll(calls, fd, content) || calls.fsync(fd) != 0) {
        return abandon(errno);
    }
    if (calls.close(fd) != 0) {
        const int code = errno;
        ::unlink(temporary.string().c_str());
        return cannotWrite(path, code);
    }
    if (calls.rename(temporary.string().c_str(), target.string().c_str()) != 0) {
        const int code = errno;
        ::unlink(temporary.string().c_str());
        return cannotWrite(path, code);
    }
    if (const int code = syncFolder(calls, folder); code != 0) {
        return cannotWrite(path, code);
    }
    return Status::success();
}

} // namespace cvcfg
