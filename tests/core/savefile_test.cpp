#include "core/configfile.h"
#include "core/savefile.h"
#include "tests/support/records.h"
#include "tests/support/tempdir.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
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

TEST_F(SaveFileTest, RefusesWhatIsNotARegularFileAndNamesTheRealCause) {
    fs::create_directory(path("adir"));
    EXPECT_EQ(SaveFile(path("adir"), "x").error,
              "Cannot write " + path("adir") + ": it is a folder");
    EXPECT_TRUE(fs::is_directory(path("adir")));

    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    EXPECT_EQ(SaveFile(path("pipe"), "x").error,
              "Cannot write " + path("pipe") + ": it is not a regular file");
    EXPECT_TRUE(fs::is_fifo(path("pipe")));

    const std::string lost = path("no-folder/a.CVF");
    EXPECT_EQ(SaveFile(lost, "x").error, "Cannot write " + lost + ": No such file or directory");
    EXPECT_EQ(names(), (std::vector<std::string>{"adir", "pipe"})) << "no temporary file is left";
}

TEST_F(SaveFileTest, AConfigurationSavedThroughALinkReadsBack) {
    ConfigRecord record = test::distinctRecord("CV210-KFR");
    fs::create_symlink("kfr.CVF", path("link.CVF"));
    ASSERT_TRUE(SaveConfigFile(path("link.CVF"), record));
    ConfigRecord opened = test::zeroRecord("CV210-KFR");
    ASSERT_TRUE(OpenConfigFile(path("kfr.CVF"), opened));
    EXPECT_EQ(FormatConfigFile(opened), FormatConfigFile(record));
}

} // namespace
} // namespace cvcfg
