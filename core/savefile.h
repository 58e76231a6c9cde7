#pragma once

#include "core/expected.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace cvcfg {

// The system calls by which SaveFile puts a file on the disk. Each does what
// the POSIX call of its name does and reports a failure the same way (-1 and
// errno). The program uses these as they stand; a test puts itself in
// between to see the order of the steps or to fail one of them.
class FileSystemCalls {
public:
    virtual ~FileSystemCalls() = default;
    virtual int open(const char* path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void* data, std::size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char* from, const char* to);
};

// The one way this program writes a file. The content goes to a temporary
// file beside the target, is flushed to the disk and then renamed over the
// target, and the folder is flushed so that the rename itself lasts; a reader
// sees the old file or the new one, never a part. A symbolic link is
// followed and its target written; a target that exists and is not a regular
// file (a folder, a device) is refused and left alone; an existing file keeps
// its permission bits. A failure before the rename leaves the old file as it
// was and no temporary file behind. The message of a failure names the file
// and the real cause.
[[nodiscard]] Status SaveFile(const std::string& path, std::string_view content);
[[nodiscard]] Status SaveFile(const std::string& path, std::string_view content,
                              FileSystemCalls& calls);

} // namespace cvcfg
