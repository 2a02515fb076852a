#include "TestMachine.h"
#include "common/Format.h"
#include "qxmsica/LegacyRegistry.h"
#include "qxmsica/ParameterKey.h"

namespace qx::test {
namespace {

const std::string kTestKey = "HKLM\\SOFTWARE\\Quaxten\\Test";
const std::string kModernOrder =
    "HKLM\\System\\CurrentControlSet\\Services\\QXE\\Parameters\\Order";
const std::string kLegacyOrder = "HKLM\\SOFTWARE\\Quaxten\\QXE\\Parameters\\Order";

class SetDwordTest : public MachineTest {
  protected:
    explicit SetDwordTest(uint16_t architecture = kProcessorArchitectureIntel)
        : MachineTest(architecture) {}

    uint32_t run(const std::string& command) {
        deferred = &newSession(sim::RunKind::Deferred);
        deferred->properties["CustomActionData"] = command;
        return qxmsica::QX_SetHKLMRegDW(qxmsica, deferred->handle);
    }

    sim::SimSession* deferred = nullptr;
};

TEST_F(SetDwordTest, WritesTheCommandsDwordAndLogsItsThreeTexts) {
    struct Case {
        const char* command;
        uint32_t value;
        const char* line;
    } cases[] = {
        {"SOFTWARE\\Quaxten\\Test;Level;5;", 5,
         "QX_SetHKLMRegDW set registry key 'SOFTWARE\\Quaxten\\Test' name 'Level' data '5'"},
        {" SOFTWARE\\Quaxten\\Test ; Level ;\t5 ; ", 5,
         "QX_SetHKLMRegDW set registry key 'SOFTWARE\\Quaxten\\Test' name 'Level' data '5'"},
        {"SOFTWARE\\Quaxten\\Test;Level;0x10;", 0,
         "QX_SetHKLMRegDW set registry key 'SOFTWARE\\Quaxten\\Test' name 'Level' data '0x10'"},
        {"SOFTWARE\\Quaxten\\Test;Level;-1;", 0xFFFFFFFF,
         "QX_SetHKLMRegDW set registry key 'SOFTWARE\\Quaxten\\Test' name 'Level' data '-1'"},
        {"SOFTWARE\\Quaxten\\Test;Level;12abc;7;more", 12,
         "QX_SetHKLMRegDW set registry key 'SOFTWARE\\Quaxten\\Test' name 'Level' data "
         "'12abc'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        machine.registry.deleteKey(kTestKey);
        EXPECT_EQ(run(c.command), kErrorSuccess);
        auto value = machine.registry.value(kTestKey, "Level");
        ASSERT_TRUE(value);
        EXPECT_EQ(value->type, kRegDword);
        EXPECT_EQ(value->data.size(), 4u);
        EXPECT_EQ(machine.registry.dword(kTestKey, "Level"), c.value);
        EXPECT_EQ(InfoTexts(*deferred), std::vector<std::string>{c.line});
        EXPECT_EQ(deferred->messagesOfKind(kInstallMessageUser).size(), 0u);
    }
    EXPECT_EQ(machine.registry.openKeyCount(), 0u);
    EXPECT_EQ(machine.journal.calls("RegCreateKeyEx").back().arguments,
              "HKLM\\SOFTWARE\\Quaxten\\Test access=0x2");
}

TEST(SetDwordFailureTest, EveryFailureIsLoggedShownInAnErrorBoxAndFailsTheInstall) {
    auto nothing = [](sim::SimMachine&) {};
    struct Case {
        const char* command;
        std::function<void(sim::SimMachine&)> arrange;
        const char* text;
        int line;
    } cases[] = {
        {"", nothing, "invalid custom action key parameter", 231},
        {"SOFTWARE\\Quaxten\\Test", nothing, "invalid custom action key parameter", 231},
        {"SOFTWARE\\Quaxten\\Test;Level", nothing, "invalid custom action value parameter", 239},
        {"SOFTWARE\\Quaxten\\Test;Level;5", nothing, "invalid custom action data parameter", 247},
        {"SOFTWARE\\Quaxten\\Test;Level;5;",
         [](sim::SimMachine& m) {
             m.registry.createKey("HKLM\\SOFTWARE\\Quaxten");
             m.registry.denyWrites("HKLM\\SOFTWARE\\Quaxten");
         },
         "unable to create registry key", 282},
        {"SOFTWARE\\Quaxten\\Test;Level;5;",
         [](sim::SimMachine& m) { m.journal.failNth("RegSetValueEx", 1, kErrorAccessDenied); },
         "unable to set registry key value", 295},
    };
    for (int debug : {0, 1}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.command) + " DEBUG=" + std::to_string(debug));
            sim::SimMachine machine;
            Library library(machine.platform(), kQxmsica);
            // An immediate session: a deferred one would not show DEBUG.
            auto& s = machine.installer.openSession(sim::RunKind::Immediate);
            s.properties = {{"CustomActionData", c.command}, {"DEBUG", std::to_string(debug)}};
            library.debugLevel = 7;  // what an earlier action left; DEBUG is read again
            c.arrange(machine);
            EXPECT_EQ(qxmsica::QX_SetHKLMRegDW(library, s.handle), kErrorInstallFailure);
            std::string shown =
                debug ? formatText("QX_SetHKLMRegDW\r\nqxca (line %d)\r\n\r\nError: %s", c.line,
                                   c.text)
                      : formatText("QX_SetHKLMRegDW\r\n\r\nError: %s", c.text);
            ASSERT_EQ(s.messages.size(), 2u);
            EXPECT_EQ(s.messages[0].type, kInstallMessageInfo);
            EXPECT_EQ(s.messages[0].text, shown);
            EXPECT_EQ(s.messages[1].type, kInstallMessageUser | kMbIconError | kMbOk);
            EXPECT_EQ(s.messages[1].text, shown);
            EXPECT_EQ(machine.journal.count("MsiCloseAllHandles"), 1u);
            EXPECT_FALSE(machine.registry.value(kTestKey, "Level"));
            EXPECT_EQ(machine.openHandleCount(), 0u);
            EXPECT_TRUE(library.functionNames.empty());
        }
    }
}

class SetDwordOn64BitTest : public SetDwordTest {
  protected:
    SetDwordOn64BitTest() : SetDwordTest(kProcessorArchitectureAmd64) {}
};

TEST_F(SetDwordOn64BitTest, LandsInThe32BitView) {
    EXPECT_EQ(run("SOFTWARE\\Quaxten\\Test;Level;5;"), kErrorSuccess);
    EXPECT_EQ(machine.registry.dword("HKLM\\SOFTWARE\\Wow6432Node\\Quaxten\\Test", "Level"), 5u);
    EXPECT_FALSE(machine.registry.keyExists(kTestKey));
}

TEST(ParameterKeyTest, ChosenByWindowsFamilyAndVersion) {
    struct Case {
        uint32_t platformId;
        uint32_t major;
        const char* key;
    } cases[] = {
        {kVerPlatformWin32Windows, 4, "SOFTWARE\\Quaxten\\QXE\\Parameters"},
        {kVerPlatformWin32Nt, 4, "SOFTWARE\\Quaxten\\QXE\\Parameters"},
        {kVerPlatformWin32Nt, 5, "System\\CurrentControlSet\\Services\\QXE\\Parameters"},
        {kVerPlatformWin32Nt, 10, "System\\CurrentControlSet\\Services\\QXE\\Parameters"},
        {kVerPlatformWin32Nt, 3, "System\\CurrentControlSet\\Services\\QXE\\Parameters"},
        {kVerPlatformWin32s, 3, ""},
        {0, 0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qxmsica::QxeParameterKey(c.platformId, c.major), c.key)
            << c.platformId << "." << c.major;
    }
}

class OrderKeyTest : public MachineTest {
  protected:
    // The Order key as the framework leaves it: nested sub-keys, DBVersion and another value.
    void fill(const std::string& order) {
        machine.registry.createKey(order + "\\A\\B\\C");
        machine.registry.createKey(order + "\\A\\D");
        machine.registry.createKey(order + "\\E");
        machine.registry.setDword(order, "DBVersion", 3);
        machine.registry.setDword(order, "Other", 1);
    }
    uint32_t run() { return qxmsica::QX_DelRegQXEOrder(qxmsica, session.handle); }
};

TEST_F(OrderKeyTest, ClearsTheOrderKeyOfTheRunningWindows) {
    struct Case {
        OsVersion version;
        const std::string& cleared;
        const std::string& untouched;
    } cases[] = {
        {{4, 10, 1998, kVerPlatformWin32Windows}, kLegacyOrder, kModernOrder},
        {{4, 0, 1381, kVerPlatformWin32Nt}, kLegacyOrder, kModernOrder},
        {{5, 0, 2195, kVerPlatformWin32Nt}, kModernOrder, kLegacyOrder},
        {{6, 1, 7601, kVerPlatformWin32Nt}, kModernOrder, kLegacyOrder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cleared + " on " + std::to_string(c.version.major));
        fill(kLegacyOrder);
        fill(kModernOrder);
        machine.system.version = c.version;
        session.messages.clear();
        EXPECT_EQ(run(), kErrorSuccess);
        EXPECT_TRUE(machine.registry.keyExists(c.cleared));
        EXPECT_EQ(machine.registry.subKeys(c.cleared), std::vector<std::string>{});
        EXPECT_FALSE(machine.registry.value(c.cleared, "DBVersion"));
        EXPECT_EQ(machine.registry.dword(c.cleared, "Other"), 1u);
        EXPECT_EQ(machine.registry.subKeys(c.untouched), (std::vector<std::string>{"A", "E"}));
        EXPECT_EQ(machine.registry.dword(c.untouched, "DBVersion"), 3u);
        EXPECT_EQ(InfoTexts(session),
                  std::vector<std::string>{"QX_DelRegQXEOrder deleting all keys in '" +
                                           c.cleared.substr(5) + "'"});
        EXPECT_EQ(machine.registry.openKeyCount(), 0u);
    }
}

TEST_F(OrderKeyTest, WithoutAnOrderKeyOnlyLogs) {
    machine.registry.createKey("HKLM\\System\\CurrentControlSet\\Services\\QXE\\Parameters");
    EXPECT_EQ(run(), kErrorSuccess);
    EXPECT_EQ(InfoTexts(session),
              std::vector<std::string>{"QX_DelRegQXEOrder unable to open key "
                                       "'System\\CurrentControlSet\\Services\\QXE\\Parameters\\"
                                       "Order'"});
    EXPECT_FALSE(machine.registry.keyExists(kModernOrder));
}

TEST_F(OrderKeyTest, WhenTheVersionIsUnknownNoKeyIsTouched) {
    fill(kModernOrder);
    fill(kLegacyOrder);
    machine.system.versionQueryFails = true;
    EXPECT_EQ(run(), kErrorSuccess);
    EXPECT_EQ(InfoTexts(session),
              std::vector<std::string>{"QX_DelRegQXEOrder unable to open key '\\Order'"});
    EXPECT_EQ(machine.registry.subKeys(kModernOrder), (std::vector<std::string>{"A", "E"}));
    EXPECT_EQ(machine.registry.subKeys(kLegacyOrder), (std::vector<std::string>{"A", "E"}));
}

TEST_F(OrderKeyTest, ASubKeyThatWillNotGoIsLoggedAndEndsTheLoop) {
    fill(kModernOrder);
    machine.registry.denySubKeyDeletion(kModernOrder + "\\A\\B");
    EXPECT_EQ(run(), kErrorSuccess);
    EXPECT_EQ(InfoTexts(session),
              (std::vector<std::string>{
                  "QX_DelRegQXEOrder deleting all keys in "
                  "'System\\CurrentControlSet\\Services\\QXE\\Parameters\\Order'",
                  "QX_DelRegQXEOrder unable to delete key "
                  "'System\\CurrentControlSet\\Services\\QXE\\Parameters\\Order\\A' (rc=0x5), "
                  "stopping"}));
    EXPECT_EQ(machine.registry.subKeys(kModernOrder), (std::vector<std::string>{"A", "E"}));
    EXPECT_EQ(machine.registry.subKeys(kModernOrder + "\\A\\B"), std::vector<std::string>{"C"});
    EXPECT_FALSE(machine.registry.value(kModernOrder, "DBVersion"));
    EXPECT_EQ(machine.registry.openKeyCount(), 0u);
}

}  // namespace
}  // namespace qx::test
