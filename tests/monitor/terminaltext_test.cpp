#include "monitor/terminaltext.h"

#include <gtest/gtest.h>

namespace cvcfg {
namespace {

TEST(TerminalText, LineEndsBecomeLinesAndCarriageReturnsGo) {
    TerminalText text;
    text.receive("AB\r\n");
    EXPECT_EQ(text.text(), "AB\n");
    text.receive("\rC\n\nD");
    EXPECT_EQ(text.text(), "AB\nC\n\nD");
}

TEST(TerminalText, BackspacesDeleteTheCharacterBeforeButNoLineEnd) {
    TerminalText text;
    text.receive("line\nABCD");
    const TerminalText::Edit edit = text.receive("\b\bX");
    EXPECT_EQ(edit.eraseBack, 2u);
    EXPECT_EQ(edit.append, "X");
    EXPECT_EQ(text.text(), "line\nABX");
    text.receive("YZ\b!");
    EXPECT_EQ(text.text(), "line\nABXY!");
    text.receive("\b\b\b\b\b\b\b");
    EXPECT_EQ(text.text(), "line\n") << "a backspace stops at the line end";
    text.receive("q\n\b");
    EXPECT_EQ(text.text(), "line\nq\n");
}

TEST(TerminalText, StaysBoundedByDroppingTheOldestText) {
    TerminalText text;
    std::string all;
    for (int i = 0; i < 40; ++i) {
        const std::string chunk(1000, static_cast<char>('a' + i % 26));
        const std::size_t before = text.text().size();
        const TerminalText::Edit edit = text.receive(chunk);
        EXPECT_EQ(edit.dropFront, before >= TerminalText::kLimit ? TerminalText::kTrim : 0u);
        all += chunk;
        ASSERT_LT(text.text().size(), TerminalText::kLimit + 1000);
    }
    EXPECT_EQ(all.substr(all.size() - text.text().size()), text.text()) << "the newest text stays";
}

TEST(SystemFileSend, PiecesProgressAndPercent) {
    EXPECT_EQ(systemFilePieces(1000), (std::vector<std::size_t>{512, 488}));
    EXPECT_EQ(systemFilePieces(1024), (std::vector<std::size_t>{512, 512}));
    EXPECT_TRUE(systemFilePieces(0).empty());
    EXPECT_EQ(systemFileProgressMaximum(1000), 7);
    EXPECT_EQ(systemFileProgressMaximum(100), 5);
    EXPECT_EQ(systemFileProgressMaximum(256), 5) << "a half rounds to the even count";
    EXPECT_EQ(systemFileProgressMaximum(768), 7);
    EXPECT_EQ(percentSent(512, 1000), 51);
    EXPECT_EQ(percentSent(100, 100), 100);
    EXPECT_EQ(percentSent(0, 0), 100);
    EXPECT_EQ(percentSent(1, 200), 1);
}

} // namespace
} // namespace cvcfg
