#include "core/excerpt.h"

#include <gtest/gtest.h>

namespace cvcfg {
namespace {

std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

TEST(QuotedExcerpt, EscapesWhatAMessageCannotShowAndCutsLongValues) {
    using namespace std::string_literals;
    const std::size_t n = kExcerptLength;
    const struct {
        std::string text;
        std::string quoted;
    } cases[] = {
        {"", R"("")"},
        {"StationNo=3", R"("StationNo=3")"},
        {R"(a"b\c)", R"("a\"b\\c")"},
        {"\r\n\t\x1B\x7F\xC3\xA9\0"s, R"("\r\n\t\x1B\x7F\xC3\xA9\x00")"},
        {repeated("x", n), '"' + repeated("x", n) + '"'},
        {repeated("x", n + 1), '"' + repeated("x", n) + "\"..."},
        // The cut counts the value's bytes, not the escapes they become.
        {repeated("\x01", 1000), '"' + repeated(R"(\x01)", n) + "\"..."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quotedExcerpt(c.text), c.quoted);
    }
}

} // namespace
} // namespace cvcfg
