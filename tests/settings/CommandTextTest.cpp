#include <gtest/gtest.h>

#include "qxeca/settings/CommandText.h"

namespace qx::test {
namespace {

TEST(CommandTextTest, TwoFieldsSplitAtTheFirstSeparatorAndAreTrimmed) {
    struct Case {
        const char* text;
        const char* key;
        const char* valueName;
    } cases[] = {
        {"SOFTWARE\\Vendor\\Tool;Level", "SOFTWARE\\Vendor\\Tool", "Level"},
        {" \tSOFTWARE\\Vendor \r\n; Level\v\f ", "SOFTWARE\\Vendor", "Level"},
        {"SOFTWARE\\Vendor;a;b", "SOFTWARE\\Vendor", "a;b"},
        {";", "", ""},
        {"key;", "key", ""},
    };
    for (const auto& c : cases) {
        auto fields = SplitTwoFields(c.text);
        ASSERT_TRUE(fields) << c.text;
        EXPECT_EQ(fields->key, c.key) << c.text;
        EXPECT_EQ(fields->valueName, c.valueName) << c.text;
    }
    EXPECT_FALSE(SplitTwoFields(""));
    EXPECT_FALSE(SplitTwoFields("SOFTWARE\\Vendor Level"));
}

TEST(CommandTextTest, VersionTextGivesFourPartsAndTheirNumbers) {
    struct Case {
        const char* text;
        std::array<const char*, 4> parts;
        std::array<uint32_t, 4> numbers;
    } cases[] = {
        {"1.5.2.18338", {"1", "5", "2", "18338"}, {1, 5, 2, 18338}},
        // With fewer parts the last one given is the fourth.
        {"1.2.3", {"1", "2", "", "3"}, {1, 2, 0, 3}},
        {"1.2", {"1", "", "", "2"}, {1, 0, 0, 2}},
        {"7", {"", "", "", "7"}, {0, 0, 0, 7}},
        {"1.2.", {"1", "2", "0", "0"}, {1, 2, 0, 0}},
        {"", {"0", "0", "0", "0"}, {0, 0, 0, 0}},
        {"1.2.3.4.5", {"1", "2", "3", "4.5"}, {1, 2, 3, 4}},
        {"1.2.3.", {"1", "2", "3", "0"}, {1, 2, 3, 0}},
        {"-1.0.70000.x9", {"-1", "0", "70000", "x9"}, {4294967295u, 0, 70000, 0}},
        {" 2b.c3. +4.5 ", {" 2b", "c3", " +4", "5 "}, {2, 0, 4, 5}},
    };
    for (const auto& c : cases) {
        VersionText version = ParseVersionText(c.text);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(version.parts[i], c.parts[i]) << "'" << c.text << "' part " << i;
            EXPECT_EQ(version.numbers[i], c.numbers[i]) << "'" << c.text << "' part " << i;
        }
    }
}

}  // namespace
}  // namespace qx::test
