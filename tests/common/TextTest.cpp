#include <gtest/gtest.h>

#include "common/Text.h"

namespace qx {
namespace {

TEST(TextTest, DecimalValueReadsLikeAtoi) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {{"", 0},          {"5", 5},        {"  12abc", 12}, {"abc", 0},
                 {"-1", -1},       {"+7", 7},       {"0x10", 0},     {"\t\n 42 ", 42},
                 {"1.5", 1},       {"- 3", 0},      {"99999999999", INT32_MAX},
                 {"-99999999999", INT32_MIN}};
    for (const auto& c : cases) {
        EXPECT_EQ(DecimalValue(c.text), c.value) << "'" << c.text << "'";
    }
}

TEST(TextTest, TrimRemovesTheSixWhiteSpaceCharacters) {
    EXPECT_EQ(Trim(" \t\n\v\f\rkey name\r\f\v\n\t "), "key name");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
}

}  // namespace
}  // namespace qx
