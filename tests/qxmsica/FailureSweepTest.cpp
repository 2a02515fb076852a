#include "support/FailureSweep.h"

#include <gtest/gtest.h>

#include "qxmsica/FileCheck.h"
#include "qxmsica/FilePrompt.h"
#include "qxmsica/LegacyRegistry.h"
#include "qxmsica/LinkSpeed.h"

namespace qx::test {
namespace {

MsiHandle Immediate(sim::SimMachine& m, std::map<std::string, std::string> properties) {
    auto& session = m.installer.openSession(sim::RunKind::Immediate);
    session.properties = std::move(properties);
    return session.handle;
}

// Each export on the machine where it walks its longest road; the failure of any one platform
// call ends in the result the export gives for it, with nothing left open. 1603 comes only from
// the calls whose failure throws: property calls, the record of an installer-log line, and
// QX_SetHKLMRegDW's own registry writes.
TEST(QxmsicaFailureSweepTest, EveryExportSurvivesAnyOneFailingCall) {
    const std::string order = "HKLM\\System\\CurrentControlSet\\Services\\QXE\\Parameters\\Order";
    SweepCase cases[] = {
        {"QX_LinkSpeedBitsToBytes valid",
         kQxmsica,
         "QX_LinkSpeedBitsToBytes",
         qxmsica::QX_LinkSpeedBitsToBytes,
         [](sim::SimMachine& m) {
             return Immediate(
                 m, {{"QX_LINKDOWN_SPEED_Gui", "8,000"}, {"QX_LINKUP_SPEED_Gui", "2,400"}});
         },
         {0},
         {{"MsiGetProperty", {1603}}, {"MsiSetProperty", {1603}}, {"MsiCreateRecord", {1603}}}},
        {"QX_LinkSpeedBitsToBytes invalid",
         kQxmsica,
         "QX_LinkSpeedBitsToBytes",
         qxmsica::QX_LinkSpeedBitsToBytes,
         [](sim::SimMachine& m) {
             return Immediate(m, {{"QX_LINKDOWN_SPEED_Gui", "7"}, {"QX_LINKUP_SPEED_Gui", "8"}});
         },
         {0},
         {{"MsiGetProperty", {1603}}, {"MsiSetProperty", {1603}}, {"MsiCreateRecord", {1603}}}},
        {"QX_LinkSpeedBytesToBits",
         kQxmsica,
         "QX_LinkSpeedBytesToBits",
         qxmsica::QX_LinkSpeedBytesToBits,
         [](sim::SimMachine& m) {
             return Immediate(
                 m, {{"QX_LINKDOWN_SPEED_FROMREG", "#125"}, {"QX_LINKUP_SPEED_FROMREG", "#40"}});
         },
         {0},
         {{"MsiGetProperty", {1603}}, {"MsiSetProperty", {1603}}}},
        {"QX_SetHKLMRegDW",
         kQxmsica,
         "QX_SetHKLMRegDW",
         qxmsica::QX_SetHKLMRegDW,
         [](sim::SimMachine& m) {
             auto& session = m.installer.openSession(sim::RunKind::Deferred);
             session.properties["CustomActionData"] = "SOFTWARE\\Quaxten\\Test;Level;5;";
             return session.handle;
         },
         {0},
         {{"MsiGetProperty", {1603}},
          {"MsiCreateRecord", {1603}},
          {"RegCreateKeyEx", {1603}},
          {"RegSetValueEx", {1603}}}},
        {"QX_DelRegQXEOrder",
         kQxmsica,
         "QX_DelRegQXEOrder",
         qxmsica::QX_DelRegQXEOrder,
         [order](sim::SimMachine& m) {
             m.registry.createKey(order + "\\A\\B");
             m.registry.createKey(order + "\\C");
             m.registry.setDword(order, "DBVersion", 3);
             return Immediate(m, {});
         },
         {0},
         {{"MsiCreateRecord", {1603}}}},
        {"QX_BrowseFile",
         kQxmsica,
         "QX_BrowseFile",
         qxmsica::QX_BrowseFile,
         [](sim::SimMachine& m) {
             OsHandle wizard = m.windows.addTopLevel("Default - InstallShield Wizard");
             m.windows.addChild(wizard, "RichEdit20W");
             m.windows.foreground = wizard;
             m.windows.fileDialogAnswers = {"C:\\data\\new.cfg"};
             return Immediate(m, {{"QX_PATHTOFILE", "C:\\data\\old.cfg"}});
         },
         {0}},
        {"QX_CheckFileExists present",
         kQxmsica,
         "QX_CheckFileExists",
         qxmsica::QX_CheckFileExists,
         [](sim::SimMachine& m) {
             m.files.writeFile("C:\\data\\here.txt", "x");
             return Immediate(m, {{"QX_PATHTOFILE", "C:\\data\\here.txt"}});
         },
         {0},
         {{"MsiGetProperty", {1603}}}},
        {"QX_CheckFileExists missing",
         kQxmsica,
         "QX_CheckFileExists",
         qxmsica::QX_CheckFileExists,
         [](sim::SimMachine& m) {
             return Immediate(m, {{"QX_PATHTOFILE", "C:\\none.txt"}});
         },
         {0},
         {{"MsiGetProperty", {1603}}}},
    };
    for (const auto& sweep : cases) {
        EXPECT_GT(RunFailureSweep(sweep).runs, 0) << sweep.name;
    }
}

}  // namespace
}  // namespace qx::test
