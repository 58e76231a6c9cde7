#include "core/record.h"

#include <gtest/gtest.h>

namespace cvcfg {
namespace {

TEST(BitHelpers, SetAndClearTouchOnlyTheMask) {
    EXPECT_EQ(ClearBits(255, 8), 247);
    EXPECT_EQ(SetBits(0, 8), 8);
    EXPECT_EQ(SetBits(8, 8), 8);
    EXPECT_EQ(ClearBits(0x46, 0x04), 0x42);
}

TEST(WordHelpers, SplitAndJoinAreInverse) {
    const WordBytes bytes = SplitWord(40001);
    EXPECT_EQ(bytes.HiByte, 156);
    EXPECT_EQ(bytes.LoByte, 65);
    EXPECT_EQ(JoinWord(156, 65), 40001);
    for (int value = 0; value <= 65535; ++value) {
        const WordBytes split = SplitWord(value);
        ASSERT_EQ(JoinWord(split.HiByte, split.LoByte), value);
        ASSERT_LE(split.LoByte, 255);
    }
}

} // namespace
} // namespace cvcfg
