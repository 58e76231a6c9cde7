#include "core/configfile.h"
#include "core/savefile.h"
#include "tests/support/records.h"
#include "tests/support/tempdir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

namespace cvcfg {
namespace {

namespace fs = std::filesystem;

class SaveFileTest : public testing::Test {
protected:
    std::string path(const std::string& name) const { return m_dir.path(name); }
    // The names in the folder, so that a temporary file left behind shows.
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& item : fs::directory_iterator(m_dir.path(""))) {
            found.push_back(item.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    }

private:
    test::TempDir m_dir;
};

#ifdef _WIN32
// Windows files carry no permission bits; the C library's rename would not
// replace the file at all.
TEST_F(SaveFileTest, ReplacesTheFile) {
    const std::string file = path("a.CVF");
    test::writeFile(file, "old");
    ASSERT_TRUE(SaveFile(file, "new"));
    EXPECT_EQ(test::readFile(file), "new");
    EXPECT_EQ(names(), std::vector<std::string>{"a.CVF"}) << "no temporary file is left";
}
#else
TEST_F(SaveFileTest, ReplacesTheFileAndKeepsItsPermissions) {
    const std::string file = path("a.CVF");
    test::writeFile(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    ASSERT_TRUE(SaveFile(file, "new"));
    EXPECT_EQ(test::readFile(file), "new");
    struct stat about {};
    ASSERT_EQ(::stat(file.c_str(), &about), 0);
    EXPECT_EQ(about.st_mode & 07777, 0600u);
    EXPECT_EQ(names(), std::vector<std::string>{"a.CVF"});
}
#endif

#ifndef _WIN32 // links need a privilege on Windows
TEST_F(SaveFileTest, WritesThroughSymbolicLinks) {
    const std::string target = path("real.CVF");
    test::writeFile(target, "old");
    fs::create_symlink("real.CVF", path("link.CVF"));
    ASSERT_TRUE(SaveFile(path("link.CVF"), "new"));
    EXPECT_TRUE(fs::is_symlink(path("link.CVF")));
    EXPECT_EQ(test::readFile(target), "new");

    // A link to a file not yet there makes the file.
    fs::create_symlink("later.CVF", path("dangling.CVF"));
    ASSERT_TRUE(SaveFile(path("dangling.CVF"), "made"));
    EXPECT_TRUE(fs::is_symlink(path("dangling.CVF")));
    EXPECT_EQ(test::readFile(path("later.CVF")), "made");

    fs::create_symlink("loop2", path("loop1"));
    fs::create_symlink("loop1", path("loop2"));
    const Status loop = SaveFile(path("loop1"), "x");
    EXPECT_EQ(loop.error, "Cannot write " + path("loop1") + ": " + std::strerror(ELOOP));
}
#endif

TEST_F(SaveFileTest, RefusesWhatIsNotARegularFileAndNamesTheRealCause) {
    fs::create_directory(path("adir"));
    EXPECT_EQ(SaveFile(path("adir"), "x").error,
              "Cannot write " + path("adir") + ": it is a folder");
    EXPECT_TRUE(fs::is_directory(path("adir")));

    std::vector<std::string> made = {"adir"};
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    EXPECT_EQ(SaveFile(path("pipe"), "x").error,
              "Cannot write " + path("pipe") + ": it is not a regular file");
    EXPECT_TRUE(fs::is_fifo(path("pipe")));
    made.push_back("pipe");
#endif

    const std::string lost = path("no-folder/a.CVF");
    EXPECT_EQ(SaveFile(lost, "x").error, "Cannot write " + lost + ": No such file or directory");
    EXPECT_EQ(names(), made) << "no temporary file is left";
}

// Passes every call on to the system and notes it as a step ("fsync file",
// "fsync folder", ...); the one step named `failing` fails with `cause`
// instead, as a full disk or a failing device would make it.
class Steps : public FileSystemCalls {
public:
    explicit Steps(std::string failing = {}, int cause = 0)
        : m_failing(std::move(failing)), m_cause(cause) {}

    int open(const char* path, int flags, mode_t mode) override {
#ifdef O_DIRECTORY
        const std::string kind = (flags & O_DIRECTORY) != 0 ? "folder" : "file";
#else
        const std::string kind = "file";
#endif
        if (fails("open " + kind)) {
            return -1;
        }
        const int fd = FileSystemCalls::open(path, flags, mode);
        if (fd >= 0) {
            m_open[fd] = kind;
        }
        return fd;
    }
    ssize_t write(int fd, const void* data, std::size_t size) override {
        return fails("write " + m_open[fd]) ? -1 : FileSystemCalls::write(fd, data, size);
    }
    int fsync(int fd) override {
        return fails("fsync " + m_open[fd]) ? -1 : FileSystemCalls::fsync(fd);
    }
    // A failed close still releases the descriptor, as on Linux.
    int close(int fd) override {
        const std::string step = "close " + m_open[fd];
        m_open.erase(fd);
        const int result = FileSystemCalls::close(fd);
        return fails(step) ? -1 : result;
    }
    int rename(const char* from, const char* to) override {
        return fails("rename") ? -1 : FileSystemCalls::rename(from, to);
    }

    std::vector<std::string> taken;
    // Descriptors opened and not closed.
    [[nodiscard]] std::size_t leftOpen() const {
        return m_open.size();
    }

private:
    bool fails(const std::string& step) {
        taken.push_back(step);
        if (step != m_failing) {
            return false;
        }
        errno = m_cause;
        return true;
    }

    std::string m_failing;
    int m_cause;
    std::map<int, std::string> m_open;
};

TEST_F(SaveFileTest, TheContentIsOnTheDiskBeforeTheRenameAndTheRenameAfterIt) {
    const std::string file = path("a.CVF");
    test::writeFile(file, "old");
    Steps steps;
    ASSERT_TRUE(SaveFile(file, "new", steps));
    std::vector<std::string> expected = {"open file", "write file", "fsync file", "close file",
                                         "rename"};
#ifndef _WIN32 // Windows renames through to the disk in the one call.
    expected.insert(expected.end(), {"open folder", "fsync folder", "close folder"});
#endif
    EXPECT_EQ(steps.taken, expected);
    EXPECT_EQ(test::readFile(file), "new");
    EXPECT_EQ(steps.leftOpen(), 0u);
}

TEST_F(SaveFileTest, AFailedStepNamesFileAndCauseAndLeavesNoTemporaryFile) {
    struct Case {
        const char* step;
        int cause;
        const char* left; // what the file holds afterwards
    };
    // Up to the rename the old file stays whole. Once renamed, the new
    // content cannot be taken back; a folder that was not flushed is still
    // reported, for the rename may not outlast a power cut.
    std::vector<Case> cases = {Case{"open file", EACCES, "old"}, Case{"write file", ENOSPC, "old"},
                               Case{"fsync file", EIO, "old"}, Case{"close file", EFBIG, "old"},
                               Case{"rename", EXDEV, "old"}};
#ifndef _WIN32
    cases.insert(cases.end(),
                 {Case{"open folder", EMFILE, "new"}, Case{"fsync folder", EIO, "new"}});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        const std::string file = path("a.CVF");
        test::writeFile(file, "old");
        Steps steps(c.step, c.cause);
        EXPECT_EQ(SaveFile(file, "new", steps).error,
                  "Cannot write " + file + ": " + std::strerror(c.cause));
        EXPECT_EQ(test::readFile(file), c.left);
        EXPECT_EQ(names(), std::vector<std::string>{"a.CVF"});
        EXPECT_EQ(steps.leftOpen(), 0u);
    }
#ifndef _WIN32
    // A file system that cannot flush a folder at all is no failure.
    Steps steps("fsync folder", EINVAL);
    EXPECT_TRUE(SaveFile(path("a.CVF"), "newer", steps));
    EXPECT_EQ(test::readFile(path("a.CVF")), "newer");
#endif
}

#ifndef _WIN32 // links need a privilege on Windows
TEST_F(SaveFileTest, AConfigurationSavedThroughALinkReadsBack) {
    ConfigRecord record = test::distinctRecord("CV210-KFR");
    fs::create_symlink("kfr.CVF", path("link.CVF"));
    ASSERT_TRUE(SaveConfigFile(path("link.CVF"), record));
    ConfigRecord opened = test::zeroRecord("CV210-KFR");
    ASSERT_TRUE(OpenConfigFile(path("kfr.CVF"), opened));
    EXPECT_EQ(FormatConfigFile(opened), FormatConfigFile(record));
}
#endif

} // namespace
} // namespace cvcfg
