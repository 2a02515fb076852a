#include <gtest/gtest.h>

#include "common/Text.h"

namespace qx {
namespace {

TEST(TextTest, DecimalValueReadsLikeAtoi) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {{"", 0},
                 {"5", 5},
                 {"  12abc", 12},
                 {"abc", 0},
                 {"-1", -1},
                 {"+7", 7},
                 {"0x10", 0},
                 {"\t\n 42 ", 42},
                 {"1.5", 1},
                 {"- 3", 0},
                 {"99999999999", INT32_MAX},
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

TEST(TextTest, KeyNameDataNeedsAllThreeSemicolons) {
    struct Case {
        const char* command;
        int found;
        KeyNameData fields;
    } cases[] = {
        {"", 0, {}},
        {"SOFTWARE\\X", 0, {}},
        {"SOFTWARE\\X;Level", 1, {"SOFTWARE\\X", "", ""}},
        {"SOFTWARE\\X;Level;5", 2, {"SOFTWARE\\X", "Level", ""}},
        {" SOFTWARE\\X\t; Level ;\r\n5 ;", 3, {"SOFTWARE\\X", "Level", "5"}},
        {"SOFTWARE\\X;Level;5;6;rest", 3, {"SOFTWARE\\X", "Level", "5"}},
        {";;;", 3, {"", "", ""}},
    };
    for (const auto& c : cases) {
        KeyNameData fields;
        EXPECT_EQ(SplitKeyNameData(c.command, &fields), c.found) << "'" << c.command << "'";
        EXPECT_EQ(fields.key, c.fields.key) << "'" << c.command << "'";
        EXPECT_EQ(fields.name, c.fields.name) << "'" << c.command << "'";
        EXPECT_EQ(fields.data, c.fields.data) << "'" << c.command << "'";
    }
}

}  // namespace
}  // namespace qx
