#include <optional>

#include "TestMachine.h"
#include "qxmsica/LinkSpeed.h"
#include "qxmsica/LinkSpeedRules.h"

namespace qx::test {
namespace {

using qxmsica::BitsFromRegistry;
using qxmsica::HasRejectedCharacter;

using LinkSpeedTest = MachineTest;

TEST(LinkSpeedRulesTest, RejectsLettersAndTheListedSignsOnly) {
    const std::string rejected =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ`~[]{}-_=+\\|'/?><.";
    int count = 0;
    for (char c = ' '; c <= '~'; ++c) {
        bool listed = rejected.find(c) != std::string::npos;
        EXPECT_EQ(HasRejectedCharacter(std::string("12") + c + "00"), listed) << "'" << c << "'";
        count += listed;
    }
    EXPECT_EQ(count, 70);
    EXPECT_FALSE(HasRejectedCharacter("1,000 000\t#!@$%^&*();:\""));
    EXPECT_FALSE(HasRejectedCharacter(""));
}

TEST(LinkSpeedRulesTest, RegistryBytesBecomeBitsOnlyWhenTheProductFits) {
    struct Case {
        const char* value;
        std::optional<int32_t> bits;
    } cases[] = {
        {"#125", 1000},
        {"125", 1000},
        {"#0", std::nullopt},
        {"", std::nullopt},
        {"#abc", std::nullopt},
        {"#268435455", 2147483640},
        // 268435456 * 8 wraps to INT32_MIN and 536870912 * 8 to 0 in 32 bits.
        {"#268435456", std::nullopt},
        {"#536870912", std::nullopt},
        {"#99999999999", std::nullopt},
        {"#-268435456", INT32_MIN},
        {"#-268435457", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BitsFromRegistry(c.value), c.bits) << "'" << c.value << "'";
    }
}

TEST_F(LinkSpeedTest, BitsToBytesWritesTheRegistryValuesOrReportsInvalidEntries) {
    constexpr const char* kKept = "old";
    struct Case {
        const char* down;
        const char* up;
        const char* downBytes;  // kKept: the registry property keeps its earlier value
        const char* upBytes;
        const char* bad;
        const char* line;
    } cases[] = {
        {"8,000", "2,400", "1000", "300", "0",
         "QX_FixLinkSpeedParams valid, returning DownSpeed='1000' and UpSpeed='300'"},
        {"15", " 16", "1", "2", "0",
         "QX_FixLinkSpeedParams valid, returning DownSpeed='1' and UpSpeed='2'"},
        {"7", "1000", kKept, kKept, "1",
         "QX_FixLinkSpeedParams INVALID, got DownSpeed='7' and UpSpeed='1000', set "
         "QX_LinkSpeedBad=1"},
        // A zero result shows the entries without their commas...
        {"8,000", "0,7", kKept, kKept, "1",
         "QX_FixLinkSpeedParams INVALID, got DownSpeed='8000' and UpSpeed='07', set "
         "QX_LinkSpeedBad=1"},
        // ...a rejected character shows them as typed.
        {"10 Mbit", "1,000", kKept, kKept, "1",
         "QX_FixLinkSpeedParams INVALID, got DownSpeed='10 Mbit' and UpSpeed='1,000', set "
         "QX_LinkSpeedBad=1"},
        {"8,000", "1.5", kKept, kKept, "1",
         "QX_FixLinkSpeedParams INVALID, got DownSpeed='8,000' and UpSpeed='1.5', set "
         "QX_LinkSpeedBad=1"},
        {"-800", "800", kKept, kKept, "1",
         "QX_FixLinkSpeedParams INVALID, got DownSpeed='-800' and UpSpeed='800', set "
         "QX_LinkSpeedBad=1"},
        {"", "", kKept, kKept, "1",
         "QX_FixLinkSpeedParams INVALID, got DownSpeed='' and UpSpeed='', set "
         "QX_LinkSpeedBad=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.down) + " / " + c.up);
        auto& s = newSession(sim::RunKind::Immediate);
        s.properties = {{"QX_LINKDOWN_SPEED_Gui", c.down},
                        {"QX_LINKUP_SPEED_Gui", c.up},
                        {"QX_LINKDOWN_SPEED_TOREG", kKept},
                        {"QX_LINKUP_SPEED_TOREG", kKept},
                        {"QX_LinkSpeedBad", "unset"}};
        EXPECT_EQ(qxmsica::QX_LinkSpeedBitsToBytes(qxmsica, s.handle), kErrorSuccess);
        EXPECT_EQ(s.properties["QX_LINKDOWN_SPEED_TOREG"], c.downBytes);
        EXPECT_EQ(s.properties["QX_LINKUP_SPEED_TOREG"], c.upBytes);
        EXPECT_EQ(s.properties["QX_LinkSpeedBad"], c.bad);
        EXPECT_EQ(s.properties["QX_LINKDOWN_SPEED_Gui"], c.down);  // the dialog keeps its text
        EXPECT_EQ(InfoTexts(s), std::vector<std::string>{c.line});
        EXPECT_EQ(qxmsica.hInstall, s.handle);
    }
    EXPECT_EQ(machine.installer.openRecordCount(), 0u);
}

TEST_F(LinkSpeedTest, BytesToBitsSetsEachDialogValueOnItsOwn) {
    constexpr const char* kKept = "kept";
    struct Case {
        const char* down;
        const char* up;
        const char* downBits;
        const char* upBits;
    } cases[] = {
        {"#125", "#0", "1000", kKept},
        {"#0", "#40", kKept, "320"},
        {"#1250000", "#125000", "10000000", "1000000"},
        {"", "", kKept, kKept},
        {"#268435456", "#536870912", kKept, kKept},  // products beyond 32 bits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.down) + " / " + c.up);
        auto& s = newSession(sim::RunKind::Immediate);
        s.properties = {{"QX_LINKDOWN_SPEED_FROMREG", c.down},
                        {"QX_LINKUP_SPEED_FROMREG", c.up},
                        {"QX_LINKDOWN_SPEED_Gui", kKept},
                        {"QX_LINKUP_SPEED_Gui", kKept}};
        EXPECT_EQ(qxmsica::QX_LinkSpeedBytesToBits(qxmsica, s.handle), kErrorSuccess);
        EXPECT_EQ(s.properties["QX_LINKDOWN_SPEED_Gui"], c.downBits);
        EXPECT_EQ(s.properties["QX_LINKUP_SPEED_Gui"], c.upBits);
        EXPECT_TRUE(s.messages.empty());
    }
}

}  // namespace
}  // namespace qx::test
