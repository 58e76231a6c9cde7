#include "cli/cli.h"
#include "tests/support/records.h"
#include "tests/support/tempdir.h"
#include "tests/support/unitprocess.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace cvcfg::cli {
namespace {

using namespace std::chrono_literals;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// A simulated unit reached as COM4 through the environment's port map.
class CliTransfer : public testing::Test {
protected:
    void start(const std::string& variant, std::vector<std::string> faults = {}) {
        std::vector<std::string> args = {"--variant", variant, "--link", link()};
        for (const std::string& fault : faults) {
            args.insert(args.end(), {"--fault", fault});
        }
        m_unit.emplace(args);
    }
    void TearDown() override { m_unit.reset(); }

    Outcome cvcfg(const std::vector<std::string>& args, const std::string& input = {}) {
        PortMap environment;
        EXPECT_TRUE(environment.addMapping("4=" + link()).ok());
        std::istringstream in(input);
        std::ostringstream out;
        std::ostringstream err;
        Outcome outcome;
        outcome.status = run(args, in, out, err, environment);
        outcome.out = out.str();
        outcome.err = err.str();
        return outcome;
    }

    std::string link() const { return m_dir.path("port"); }
    std::string file(const std::string& name) const { return m_dir.path(name); }
    test::UnitProcess& unit() { return *m_unit; }

private:
    test::TempDir m_dir;
    std::optional<test::UnitProcess> m_unit;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(CliTransfer, DownloadThenUploadGivesTheFileBack) {
    start("CV210-KFR");
    const Outcome download = cvcfg({"download", "--variant", "CV210-KFR", "--port", "COM4", "--yes",
                                    test::dataPath("cv210-kfr.CVF")});
    ASSERT_EQ(download.status, kSuccess) << download.err;
    EXPECT_EQ(download.out, "A-OK! Transmission received by Corvane\n");
    EXPECT_TRUE(contains(download.err, "PRESS THE CONFIGURE PUSHBUTTON NOW!!!")) << download.err;
    EXPECT_TRUE(contains(download.err, "Press the RESET Button of the Corvane to put it ON-LINE"));
    EXPECT_NE(unit().awaitLine("configuration kept", 3s), "");

    const std::string uploaded = file("up.CVF");
    const Outcome upload =
        cvcfg({"upload", "--variant", "CV210-KFR", "--port", link(), "--yes", "-o", uploaded});
    ASSERT_EQ(upload.status, kSuccess) << upload.err;
    EXPECT_TRUE(contains(upload.out, "ExtParams[0..13] 1 2 3 4 5 6 7 8 9 10 11 12 13 14"))
        << upload.out;
    const std::string text = test::readFile(uploaded);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 15 + 14);
    const Outcome image = cvcfg({"image", "--variant", "CV210-KFR", uploaded});
    EXPECT_EQ(image.out, test::readFile(test::dataPath("cv210-kfr.hex")));
}

TEST_F(CliTransfer, AnsweringAtTheKeyboard) {
    start("CV210-DF1");
    const Outcome cancelled = cvcfg(
        {"download", "--variant", "CV210-DF1", "--port", "COM4", test::dataPath("cv210-df1.CVF")},
        "c\n");
    EXPECT_EQ(cancelled.status, kFailure);
    EXPECT_EQ(cancelled.out, "");
    EXPECT_TRUE(contains(cancelled.err, "type C and Enter to cancel")) << cancelled.err;
    EXPECT_EQ(unit().awaitLine("download rx", 300ms), "");

    const Outcome confirmed = cvcfg(
        {"download", "--variant", "CV210-DF1", "--port", "COM4", test::dataPath("cv210-df1.CVF")},
        "\n");
    EXPECT_EQ(confirmed.status, kSuccess) << confirmed.err;
}

TEST_F(CliTransfer, RefusedDownloadFailsWithNothingOnStandardOutput) {
    start("CV210-DF1", {"nak"});
    const Outcome refused = cvcfg({"download", "--variant", "CV210-DF1", "--port", "COM4", "--yes",
                                   test::dataPath("cv210-df1.CVF")});
    EXPECT_EQ(refused.status, kFailure);
    EXPECT_EQ(refused.out, "");
    EXPECT_TRUE(contains(refused.err, "NO ACK RECEIVED")) << refused.err;
    EXPECT_TRUE(contains(refused.err, "download failed: Try TRANSFER CONFIGURATION Again"));

    const Outcome wrongBaud = cvcfg({"download", "--variant", "CV210-DF1", "--port", "COM4",
                                     "--baud", "4800", test::dataPath("cv210-df1.CVF")});
    EXPECT_EQ(wrongBaud.status, kUsage);
}

} // namespace
} // namespace cvcfg::cli
