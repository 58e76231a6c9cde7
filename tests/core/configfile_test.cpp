#include "core/configfile.h"
#include "core/fields.h"
#include "tests/support/records.h"
#include "tests/support/tempdir.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace cvcfg {
namespace {

using test::dataPath;
using test::df1SetupRecord;
using test::readFile;
using test::zeroRecord;

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

Expected<FileValues> parse(std::string_view text, const ConfigRecord& record) {
    return ParseConfigFile(text, sectionBFor(record), "test.CVF");
}

// Opens `text` into `record`, failing the test when the text is refused.
void openText(std::string_view text, ConfigRecord& record) {
    const Expected<FileValues> values = parse(text, record);
    ASSERT_TRUE(values.ok()) << values.error();
    ApplyFileValues(record, *values);
}

int lineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class SavedFile : public testing::Test {
protected:
    std::string path(const std::string& name) const { return m_dir.path(name); }

private:
    test::TempDir m_dir;
};

TEST(ConfigFileWriter, Df1SetupRecordWritesTheGoldenFile) {
    EXPECT_EQ(FormatConfigFile(df1SetupRecord()), readFile(dataPath("cv210-df1.CVF")));
}

TEST(ConfigFileWriter, LineCountFollowsTheVariant) {
    const std::map<std::string, int> expected = {
        {"CV210-MODBUS", 103},
        {"CV-PC/104-MODBUS", 103},
        {"CV210-KFR", 22},
        {"CV210-RMM", 15},
        {"CV210-ASCII", 18},
        {"CV210-ENI", 15},
        {"CV210-SLC5/04 Bridge", 15},
        {"CV210-DF1", 15},
        {"CV310-DMX", 103},
        {"CV310-MMX", 15},
        {"CV310-DFX", 15},
        {"CV310-BTI", 16},
        {"CV310-DF1", 15},
        {"CV310-DAS", 18},
        {"CV320-ME", 103},
        {"CV-PCI", 22},
    };
    for (const auto& [variant, lines] : expected) {
        SCOPED_TRACE(variant);
        const std::string text = FormatConfigFile(zeroRecord(variant));
        EXPECT_EQ(lineCount(text), lines);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), lines) << "every line ends CR LF";
    }
}

class GoldenFile : public testing::TestWithParam<const char*> {};

TEST_P(GoldenFile, OpensAndWritesBackByteForByte) {
    const std::string golden = readFile(dataPath(std::string(GetParam()) + ".CVF"));
    ConfigRecord record = zeroRecord(upper(GetParam()));
    openText(golden, record);
    EXPECT_EQ(FormatConfigFile(record), golden);
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, GoldenFile,
                         testing::Values("cv210-df1", "cv210-kfr", "cv-pci", "cv320-me",
                                         "cv310-bti", "cv210-ascii"));

TEST(ConfigFileReader, GoldenValuesLandInTheirFields) {
    ConfigRecord record = zeroRecord("CV320-ME");
    openText(readFile(dataPath("cv320-me.CVF")), record);
    // Codes that quotes cannot carry stand as bare numbers in this file.
    EXPECT_EQ(charCode(record.StationNo), 34);
    EXPECT_EQ(charCode(record.NetSpeed), 13);
    EXPECT_EQ(charCode(record.CHBSpeed), 10);
    EXPECT_EQ(record.CHAParams, 0x13);
    EXPECT_EQ(record.ModeBytes, std::string("\x01\x00", 2));
    EXPECT_EQ(JoinWord(record.ExtParams[9], record.ExtParams[8]), 40001);
    EXPECT_EQ(record.ExtParams[16], 1);
}

TEST(ConfigFileReader, PairLinesSplitOrJoinedReadTheSame) {
    const std::string golden = readFile(dataPath("cv210-kfr.CVF"));
    ConfigRecord expected = zeroRecord("CV210-KFR");
    openText(golden, expected);

    std::string split = golden;
    for (std::size_t comma; (comma = split.find(',')) != std::string::npos;) {
        split.replace(comma, 1, "\r\n");
    }
    ConfigRecord fromSplit = zeroRecord("CV210-KFR");
    openText(split, fromSplit);
    EXPECT_EQ(fromSplit, expected);

    std::string joined = golden.substr(0, golden.size() - 2);
    for (std::size_t end; (end = joined.find("\r\n")) != std::string::npos;) {
        joined.replace(end, 2, 1, ','); // a literal here trips g++ 12 -O3's -Wrestrict
    }
    ConfigRecord fromJoined = zeroRecord("CV210-KFR");
    openText(joined, fromJoined);
    EXPECT_EQ(fromJoined, expected);
}

TEST(ConfigFileReader, OpeningTwiceEqualsOpeningOnce) {
    const std::string golden = readFile(dataPath("cv210-ascii.CVF"));
    ConfigRecord once = zeroRecord("CV210-ASCII");
    openText(golden, once);
    ConfigRecord twice = once;
    openText(golden, twice);
    EXPECT_EQ(twice, once);
}

TEST(ConfigFileReader, ModeBytesKeepTheFirstCharacterAndAZero) {
    std::string text = readFile(dataPath("cv210-df1.CVF"));
    const std::size_t line11 = text.find("\"\"\r\n\"0\"");
    ASSERT_NE(line11, std::string::npos);
    text.replace(line11, 2, "\"AB\"");
    ConfigRecord record = df1SetupRecord();
    openText(text, record);
    EXPECT_EQ(record.ModeBytes, std::string("A\0", 2));
}

TEST(ConfigFileReader, FileWithoutExtendedSectionLeavesExtParamsAloneButChannelBsWiring) {
    ConfigRecord record = df1SetupRecord();
    record.ExtParams.fill(77); // 0x4D: the Modbus two-wire bit 0x08 set
    openText(readFile(dataPath("cv210-df1.CVF")), record);
    EXPECT_EQ(record.ExtParams[1], 77 & ~0x08) << "channel B is RS-232C";
    record.ExtParams[1] = 77;
    for (const int32_t value : record.ExtParams) {
        EXPECT_EQ(value, 77);
    }

    // The RMM's file holds no option byte; the bit follows the wiring it holds.
    ConfigRecord rmm = blankRecord(*findVariant("CV210-RMM"));
    rmm.CHBParams = 0x60; // RS485-2 Wire
    const std::string text = FormatConfigFile(rmm);
    rmm.ExtParams[1] = 0;
    openText(text, rmm);
    EXPECT_EQ(rmm.ExtParams[1], 0x08);
}

TEST(ConfigFileReader, AcceptsLfLineEndsTrailingBlankLinesAndTheOlderNotation) {
    // Empty values take the defaults; NumText may stand bare, as uploads write it.
    using namespace std::string_literals;
    const std::string text =
        "\"\"\n\"\x01\"\n\"\x02\"\n\"\"\n0\n\"\"\n0\n\"\"\n0\n0\n\"\x04\x00\"\n"
        "3\n\"17\"\n\"\x01\"\n  2  \n\n\r\n  \n"s;
    ConfigRecord record = zeroRecord("CV210-DF1");
    openText(text, record);
    EXPECT_EQ(charCode(record.NetType), 0);
    EXPECT_EQ(charCode(record.NetSpeed), 8);
    EXPECT_EQ(charCode(record.CHBSpeed), 8);
    EXPECT_EQ(charCode(record.CHCSpeed), 8);
    EXPECT_EQ(record.ModeBytes, std::string("\x04\x00", 2));
    EXPECT_EQ(record.NumText1, "3");
    EXPECT_EQ(record.NumText2, "17");
    EXPECT_EQ(record.AuxValue, 2);
}

TEST(ConfigFileReader, TheLastCompleteRecordWins) {
    ConfigRecord first = df1SetupRecord();
    ConfigRecord second = df1SetupRecord();
    second.StationNo = charField(9);
    second.CHAParams = 0x21;
    ConfigRecord record = zeroRecord("CV210-DF1");
    openText(FormatConfigFile(first) + FormatConfigFile(second), record);
    EXPECT_EQ(record, second);
}

TEST(ConfigFileRoundTrip, EveryCharacterCodeSurvivesInEveryCharacterField) {
    for (const ByteField& field : sectionAFields()) {
        if (field.form != ByteForm::Character && field.form != ByteForm::CharacterPair) {
            continue;
        }
        SCOPED_TRACE(std::string(field.name));
        for (int code = 0; code <= 255; ++code) {
            ConfigRecord record = zeroRecord("CV210-KFR");
            record.*field.text = charField(code);
            if (field.form == ByteForm::CharacterPair) {
                record.*field.text += charField(0);
            }
            ConfigRecord reopened = zeroRecord("CV210-KFR");
            openText(FormatConfigFile(record), reopened);
            ASSERT_EQ(reopened, record) << "code " << code;
        }
    }
}

TEST_F(SavedFile, SavedFileOpensToTheSameRecordAndReplacesAnOldOne) {
    const std::string file = path("out.CVF");
    ConfigRecord saved = zeroRecord("CV-PCI");
    saved.ExtParams[13] = 200;
    ASSERT_TRUE(SaveConfigFile(file, zeroRecord("CV-PCI")).ok());
    ASSERT_TRUE(SaveConfigFile(file, saved).ok());
    EXPECT_EQ(lineCount(readFile(file)), 22);
    ConfigRecord record = zeroRecord("CV-PCI");
    ASSERT_TRUE(OpenConfigFile(file, record).ok());
    EXPECT_EQ(record, saved);
    EXPECT_FALSE(std::filesystem::exists(file + ".partial"));
}

TEST_F(SavedFile, SaveIntoAMissingFolderFailsAndSaysWhere) {
    const Status status = SaveConfigFile(path("missing/out.CVF"), df1SetupRecord());
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error.find("missing/out.CVF"), std::string::npos) << status.error;
}

struct BadFile {
    const char* what;
    std::string text;
    std::vector<std::string> mentions;
};

std::string goldenDf1() {
    return readFile(dataPath("cv210-df1.CVF"));
}

TEST(ConfigFileReader, BadFilesAreRefusedAndLeaveTheRecordAlone) {
    const std::string golden = goldenDf1();
    const std::vector<BadFile> cases = {
        {"truncated",
         golden.substr(0, golden.rfind("2\r\n")),
         {"test.CVF", "ends at line 14", "AuxValue is missing"}},
        {"letters for a number",
         test::replaceLine(golden, 5, "abc"),
         {"test.CVF, line 5", "CHAParams", "\"abc\""}},
        {"number above a byte",
         test::replaceLine(golden, 7, "256"),
         {"line 7", "CHBParams", "256"}},
        {"character code above a byte",
         test::replaceLine(golden, 2, "256"),
         {"line 2", "StationNo"}},
        {"negative number", test::replaceLine(golden, 15, "-1"), {"line 15", "AuxValue"}},
        {"decimal text not a number",
         test::replaceLine(golden, 12, "\"x\""),
         {"line 12", "NumText1"}},
        {"lone quote", test::replaceLine(golden, 15, "\""), {"line 15", "no closing quote"}},
        // A quoted value may run over a line end, so an early lone quote pairs
        // with a later one and the values after it come out of step.
        {"lone quote early", test::replaceLine(golden, 3, "\""), {"test.CVF"}},
        {"no values", "\r\n\r\n", {"holds no values"}},
        {"surplus values", golden + "\"\"\r\n", {"ends at line 16", "StationNo is missing"}},
    };
    for (const BadFile& bad : cases) {
        SCOPED_TRACE(bad.what);
        const Expected<FileValues> values = parse(bad.text, df1SetupRecord());
        ASSERT_FALSE(values.ok());
        for (const std::string& mention : bad.mentions) {
            EXPECT_NE(values.error().find(mention), std::string::npos) << values.error();
        }
    }
}

TEST(ConfigFileReader, ARefusedValueIsQuotedShortAndEscaped) {
    const std::string value = "\x1B[2J" + std::string(100000, '7');
    const Expected<FileValues> values =
        parse(test::replaceLine(goldenDf1(), 5, value), df1SetupRecord());
    ASSERT_FALSE(values.ok());
    EXPECT_NE(values.error().find("line 5: CHAParams"), std::string::npos) << values.error();
    EXPECT_NE(values.error().find("\"\\x1B[2J777"), std::string::npos) << values.error();
    EXPECT_LT(values.error().size(), 200u) << values.error();
}

TEST(ConfigFileReader, AByteOrderMarkAtTheStartIsPassedOver) {
    const std::string golden = readFile(dataPath("cv210-kfr.CVF"));
    ConfigRecord plain = zeroRecord("CV210-KFR");
    openText(golden, plain);
    ConfigRecord marked = zeroRecord("CV210-KFR");
    openText("\xEF\xBB\xBF" + golden, marked);
    EXPECT_EQ(marked, plain);
    // Only at the start: elsewhere the same bytes are a value's text.
    const Expected<FileValues> inside =
        parse(test::replaceLine(golden, 5, "\xEF\xBB\xBF"), zeroRecord("CV210-KFR"));
    ASSERT_FALSE(inside.ok());
    EXPECT_NE(inside.error().find("\\xEF\\xBB\\xBF"), std::string::npos) << inside.error();
}

TEST(ConfigFileReader, ExtendedValuesMustBeBytes) {
    std::string kfr = readFile(dataPath("cv210-kfr.CVF"));
    kfr = test::replaceLine(kfr, 17, "3,");
    const Expected<FileValues> values = parse(kfr, zeroRecord("CV210-KFR"));
    ASSERT_FALSE(values.ok());
    EXPECT_NE(values.error().find("line 17: ExtParams[3]"), std::string::npos) << values.error();
}

TEST(ConfigFileReader, FailedOpenLeavesTheRecordUntouched) {
    ConfigRecord record = df1SetupRecord();
    record.StationNo = charField(5);
    const ConfigRecord before = record;
    const Status missing = OpenConfigFile(dataPath("no-such-file.CVF"), record);
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error.find("no-such-file.CVF"), std::string::npos);
    // A file that is complete for CV210-DF1 is short for CV210-KFR.
    record.ModelVariant = "CV210-KFR";
    const ConfigRecord kfrBefore = record;
    ASSERT_FALSE(OpenConfigFile(dataPath("cv210-df1.CVF"), record).ok());
    EXPECT_EQ(record, kfrBefore);
    record.ModelVariant = before.ModelVariant;
    EXPECT_EQ(record, before);
}

TEST_F(SavedFile, FoldersAndOversizedFilesAreRefusedUnreadAndLeaveTheRecordAlone) {
    const std::string folder = path("folder.CVF");
    std::filesystem::create_directory(folder);
    // Sparse, so that a reader that reads before it measures would have to
    // take in 256 MB of zeros.
    const std::string sparse = path("sparse.CVF");
    std::ofstream(sparse).close();
    std::filesystem::resize_file(sparse, 256u << 20);
    // Just over the bound, and made of a single quoted value.
    const std::string quoted = path("quoted.CVF");
    std::ofstream(quoted, std::ios::binary)
        << '"' << std::string(kMaxConfigFileSize - 1, 'x') << "\"\r\n";
    struct Case {
        std::string file;
        std::string says;
    };
    for (const Case& c : {Case{folder, "Cannot open " + folder + ": it is a folder"},
                          Case{sparse, "Cannot open " + sparse + ": it is larger than 1 MB"},
                          Case{quoted, "Cannot open " + quoted + ": it is larger than 1 MB"},
                          // A device has no size to measure; reading stops at the bound.
                          Case{"/dev/zero", "Cannot open /dev/zero: it is larger than 1 MB"}}) {
        SCOPED_TRACE(c.file);
        ConfigRecord record = df1SetupRecord();
        const ConfigRecord before = record;
        const Status status = OpenConfigFile(c.file, record);
        ASSERT_FALSE(status.ok());
        EXPECT_TRUE(status.error.starts_with(c.says)) << status.error;
        EXPECT_EQ(status.error.find('\n'), std::string::npos) << "one line";
        EXPECT_EQ(record, before);
    }
    // At the bound a file is still read.
    std::filesystem::resize_file(quoted, kMaxConfigFileSize);
    const Expected<FileValues> atBound = ReadConfigFile(quoted, df1SetupRecord());
    ASSERT_FALSE(atBound.ok());
    EXPECT_NE(atBound.error().find("no closing quote"), std::string::npos) << atBound.error();
}

// AddressSanitizer reserves terabytes of address space, so a cap on it
// cannot measure what the reader takes.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

#ifndef _WIN32 // The memory cap needs a child process and its rlimit.
// Runs `work` in a child process whose address space may grow by `budget`
// bytes at most; true when it finished within it.
bool runsWithin(std::size_t budget, const std::function<void()>& work) {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    const auto limit =
        static_cast<rlim_t>(pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) + budget);
    const pid_t child = ::fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        const rlimit cap{limit, limit};
        ::setrlimit(RLIMIT_AS, &cap);
        work();
        ::_exit(0);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(SavedFile, ReadingAnyFileTakesLessThan50MB) {
    if (kSanitized) {
        GTEST_SKIP() << "the sanitizers reserve more address space than the cap allows";
    }
    const std::string sparse = path("sparse.CVF");
    std::ofstream(sparse).close();
    std::filesystem::resize_file(sparse, 256u << 20);
    // Texts that reach the parser without a file's bound: values by the
    // million, one quoted value and one line of 8 MB each.
    const std::string commas(2u << 20, ',');
    const std::string quotedValue = '"' + std::string(8u << 20, 'x') + '"';
    const std::string longLine = "\"\"\r\n" + std::string(8u << 20, '9');
    EXPECT_TRUE(runsWithin(50u << 20, [&] {
        (void)ReadConfigFile(sparse, df1SetupRecord());
        (void)ReadConfigFile("/dev/zero", df1SetupRecord());
        for (const std::string* text : {&commas, &quotedValue, &longLine}) {
            for (const char* variant : {"CV210-DF1", "CV320-ME"}) {
                (void)parse(*text, zeroRecord(variant));
            }
        }
    }));
}
#endif

// Records what the record held when the editor was asked to show it.
class RecordingView : public FileValueView {
public:
    explicit RecordingView(const ConfigRecord& record) : m_record(record) {}
    void showLoadedRecord() override { shown.push_back(m_record); }
    const ConfigRecord& m_record;
    std::vector<ConfigRecord> shown;
};

TEST(ConfigFileReader, EditorShowsTheRecordOnceItHoldsTheFile) {
    ConfigRecord record = df1SetupRecord();
    record.StationNo = charField(40);
    RecordingView view(record);
    ASSERT_TRUE(OpenConfigFile(dataPath("cv210-df1.CVF"), record, &view).ok());
    ASSERT_EQ(view.shown.size(), 1u);
    EXPECT_EQ(charCode(view.shown[0].StationNo), 1);
    EXPECT_EQ(view.shown[0], record);
    // A file that does not open shows nothing.
    EXPECT_FALSE(OpenConfigFile(dataPath("no-such-file.CVF"), record, &view).ok());
    EXPECT_EQ(view.shown.size(), 1u);
}

} // namespace
} // namespace cvcfg
