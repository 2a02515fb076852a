#include <functional>

#include "TestMachine.h"
#include "common/ExportGuard.h"
#include "qxmsica/FileCheck.h"
#include "qxmsica/LegacyRegistry.h"
#include "qxmsica/LinkSpeed.h"

namespace qx::test {
namespace {

// Failures where the action has no handler of its own: before QX_SetHKLMRegDW's handler exists,
// before QX_CheckFileExists's region, and anywhere in the link-speed actions. The export guard
// turns them into a logged ERROR_INSTALL_FAILURE, and the action leaves nothing half done.
TEST(QxmsicaEscapeTest, FailuresWithoutAHandlerEndInTheExportGuard) {
    struct Case {
        const char* exportName;
        Action action;
        std::function<void(sim::SimMachine&, sim::SimSession&)> arrange;
        std::function<void(sim::SimMachine&, sim::SimSession&)> expectNothingDone;
    } cases[] = {
        {"QX_SetHKLMRegDW", qxmsica::QX_SetHKLMRegDW,
         [](sim::SimMachine& m, sim::SimSession& s) {
             s.properties["CustomActionData"] = "SOFTWARE\\Quaxten\\Test;Level;5;";
             m.journal.failNth("MsiGetProperty", 1, kErrorInvalidHandle);  // DEBUG
         },
         [](sim::SimMachine& m, sim::SimSession& s) {
             EXPECT_FALSE(m.registry.keyExists("HKLM\\SOFTWARE\\Quaxten\\Test"));
             EXPECT_TRUE(s.messagesOfKind(kInstallMessageUser).empty());
         }},
        {"QX_CheckFileExists", qxmsica::QX_CheckFileExists,
         [](sim::SimMachine&, sim::SimSession& s) {
             s.properties["QX_PATHTOFILE"] = std::string(512, 'x');  // beyond the reader's limit
         },
         [](sim::SimMachine& m, sim::SimSession& s) {
             EXPECT_EQ(s.properties.count("QX_FileMissing"), 0u);
             EXPECT_EQ(m.journal.count("CreateFile"), 0u);
         }},
        {"QX_LinkSpeedBitsToBytes", qxmsica::QX_LinkSpeedBitsToBytes,
         [](sim::SimMachine& m, sim::SimSession& s) {
             s.properties = {{"QX_LINKDOWN_SPEED_Gui", "8000"}, {"QX_LINKUP_SPEED_Gui", "800"}};
             m.journal.failNth("MsiSetProperty", 2, kErrorFunctionFailed);
         },
         [](sim::SimMachine&, sim::SimSession& s) {
             EXPECT_EQ(s.properties["QX_LINKDOWN_SPEED_TOREG"], "1000");
             EXPECT_EQ(s.properties.count("QX_LinkSpeedBad"), 0u);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exportName);
        sim::SimMachine machine;
        Library library(machine.platform(), kQxmsica);
        auto& session = machine.installer.openSession();
        c.arrange(machine, session);
        EXPECT_EQ(GuardExport(library, c.exportName, session.handle, c.action),
                  kErrorInstallFailure);
        EXPECT_EQ(InfoTexts(session),
                  std::vector<std::string>{std::string("----->> ") + c.exportName +
                                           " unhandled exception (CMSIException kind 5), "
                                           "returning ERROR_INSTALL_FAILURE <<-----\n"});
        c.expectNothingDone(machine, session);
        EXPECT_EQ(machine.openHandleCount(), 0u);
        EXPECT_TRUE(library.functionNames.empty());
    }
}

}  // namespace
}  // namespace qx::test
