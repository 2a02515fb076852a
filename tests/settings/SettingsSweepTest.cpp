#include "support/FailureSweep.h"

#include <gtest/gtest.h>

#include "qxeca/settings/FileVersionCheck.h"
#include "qxeca/settings/LaunchApp.h"
#include "qxeca/settings/RegistrySaveRestore.h"
#include "qxeca/settings/RegistrySet.h"
#include "qxeca/settings/RenameFile.h"
#include "qxeca/settings/ServiceControl.h"
#include "qxeca/settings/TaskOffload.h"

namespace qx::test {
namespace {

const std::string kTool = "HKLM\\SOFTWARE\\Vendor\\Tool";
const std::string kCount = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\QXE\\Parameters";

// A session of the kind with the data and the user's SID, as the script passes them.
MsiHandle Script(sim::SimMachine& m, sim::RunKind kind, const std::string& data) {
    auto& s = m.installer.openSession(kind);
    s.properties["CustomActionData"] = data;
    s.properties["UserSID"] = m.registry.currentUserSid();
    return s.handle;
}

// Both the HKLM value and its saved copy exist, so that either operation runs to its end.
MsiHandle SaveAndRestoreReady(sim::SimMachine& m, sim::RunKind kind) {
    m.registry.setDword(kTool, "Level", 7);
    m.registry.setDword(
        "HKU\\" + m.registry.currentUserSid() + "\\SOFTWARE\\Quaxten\\InstalledProducts",
        "SavedDataDW\\SOFTWARE\\Vendor\\Tool\\Level", 3);
    return Script(m, kind, "SOFTWARE\\Vendor\\Tool;Level");
}

// The 64-bit machine, where every action takes its longest road.
void SixtyFour(sim::SimMachine& m) {
    m.system.setArchitecture(kProcessorArchitectureAmd64);
}

const std::set<uint32_t> kZero = {0};
const std::set<uint32_t> kFailure = {1603};
const std::set<uint32_t> kEither = {0, 1603};

std::vector<SweepCase> Sweeps() {
    using sim::RunKind;
    using sim::SimMachine;
    return {
        {"QX_SaveHKLMRegDW save",
         kQxeca,
         "QX_SaveHKLMRegDW",
         QX_SaveHKLMRegDW,
         [](SimMachine& m) { return SixtyFour(m), SaveAndRestoreReady(m, RunKind::Deferred); },
         kZero,
         {{"MsiGetProperty", kFailure}}},
        {"QX_SaveHKLMRegDW restore in rollback",
         kQxeca,
         "QX_SaveHKLMRegDW",
         QX_SaveHKLMRegDW,
         [](SimMachine& m) { return SaveAndRestoreReady(m, RunKind::Rollback); },
         kZero,
         {{"MsiGetProperty", kFailure}}},
        {"QX_RestoreHKLMRegDW restore",
         kQxeca,
         "QX_RestoreHKLMRegDW",
         QX_RestoreHKLMRegDW,
         [](SimMachine& m) { return SixtyFour(m), SaveAndRestoreReady(m, RunKind::Deferred); },
         kZero,
         {{"MsiGetProperty", kFailure}}},
        {"QX_RestoreHKLMRegDW save in rollback",
         kQxeca,
         "QX_RestoreHKLMRegDW",
         QX_RestoreHKLMRegDW,
         [](SimMachine& m) { return SaveAndRestoreReady(m, RunKind::Rollback); },
         kZero,
         {{"MsiGetProperty", kFailure}}},
        {"QX_SetHKLMRegDW",
         kQxeca,
         "QX_SetHKLMRegDW",
         QX_SetHKLMRegDW,
         [](SimMachine& m) {
             SixtyFour(m);
             return Script(m, RunKind::Deferred, "SOFTWARE\\Vendor\\Tool;Level;5;");
         },
         kZero,
         {{"MsiGetProperty", kFailure}, {"RegCreateKeyEx", kFailure}, {"RegSetValueEx", kFailure}}},
        {"QX_SetImmHKUSIDRegDW",
         kQxeca,
         "QX_SetImmHKUSIDRegDW",
         QX_SetImmHKUSIDRegDW,
         [](SimMachine& m) {
             SixtyFour(m);
             MsiHandle session = Script(m, RunKind::Immediate, "");
             m.installer.session(session)->properties["QX_REG_DATA"] = "SOFTWARE\\Vendor;L;5;";
             return session;
         },
         kZero,
         {{"MsiGetProperty", kFailure}}},
        {"QX_SetDefHKUSIDRegDW", kQxeca, "QX_SetDefHKUSIDRegDW", QX_SetDefHKUSIDRegDW,
         [](SimMachine& m) { return Script(m, RunKind::Deferred, "SOFTWARE\\Vendor;L;5;"); },
         kZero},
        // The TCP/IP key is missing, so every write also takes its create road.
        {"QX_TCPDisableTaskOffload",
         kQxeca,
         "QX_TCPDisableTaskOffload",
         QX_TCPDisableTaskOffload,
         [](SimMachine& m) { return SixtyFour(m), Script(m, RunKind::Deferred, ""); },
         kZero,
         {{"RegCreateKeyEx", kFailure}, {"RegSetValueEx", kFailure}}},
        {"QX_IncrementDisableTaskOffload",
         kQxeca,
         "QX_IncrementDisableTaskOffload",
         QX_IncrementDisableTaskOffload,
         [](SimMachine& m) { return SixtyFour(m), Script(m, RunKind::Deferred, ""); },
         kZero,
         {{"RegCreateKeyEx", kFailure}, {"RegSetValueEx", kFailure}}},
        {"QX_DecrementDisableTaskOffload at 1",
         kQxeca,
         "QX_DecrementDisableTaskOffload",
         QX_DecrementDisableTaskOffload,
         [](SimMachine& m) {
             SixtyFour(m);
             m.registry.setDword(kCount, "DisableTaskOffload", 1);
             return Script(m, RunKind::Deferred, "");
         },
         kZero,
         // Allowing offload again is only logged; the count's own failures fail setup.
         {{"RegCreateKeyEx", kEither}, {"RegSetValueEx", kEither}}},
        {"QX_DecrementDisableTaskOffload without a count",
         kQxeca,
         "QX_DecrementDisableTaskOffload",
         QX_DecrementDisableTaskOffload,
         [](SimMachine& m) { return Script(m, RunKind::Deferred, ""); },
         kZero,
         {{"RegCreateKeyEx", kEither}, {"RegSetValueEx", kEither}}},
        {"QXStartService",
         kQxeca,
         "QXStartService",
         QXStartService,
         [](SimMachine& m) {
             m.services.add("QxSvc", sim::ServiceState::Stopped);
             return Script(m, RunKind::Deferred, "QxSvc");
         },
         kZero,
         {{"MsiGetProperty", kFailure}}},
        {"QXStopService",
         kQxeca,
         "QXStopService",
         QXStopService,
         [](SimMachine& m) {
             m.services.add("QxSvc", sim::ServiceState::Running);
             return Script(m, RunKind::Deferred, "QxSvc");
         },
         kZero,
         {{"MsiGetProperty", kFailure}}},
        {"QX_CheckFileVers",
         kQxeca,
         "QX_CheckFileVers",
         QX_CheckFileVers,
         [](SimMachine& m) {
             m.files.writeFile("C:\\app\\tool.exe", "MZ");
             m.files.setVersion("C:\\app\\tool.exe", sim::SimFileSystem::VersionBlock::Fixed,
                                {0x10000, 1});
             MsiHandle session = Script(m, RunKind::Immediate, "");
             auto& properties = m.installer.session(session)->properties;
             properties["QX_PACKAGE_FILE_VER"] = "1.0.0.2";
             properties["QX_INSTALLED_FILE_NAME"] = "C:\\app\\tool.exe";
             return session;
         },
         // DEBUG is read before the log, outside any handler.
         kZero,
         {{"MsiGetProperty", kEither}}},
        {"QXRenameFile", kQxeca, "QXRenameFile", QXRenameFile,
         [](SimMachine& m) {
             m.files.writeFile("C:\\dir\\app.log", "data");
             return Script(m, RunKind::Deferred, "C:\\dir\\app.log");
         },
         kZero},
        {"QXLaunchApp now", kQxeca, "QXLaunchApp", QXLaunchApp,
         [](SimMachine& m) {
             SixtyFour(m);
             m.processes.addProgram("C:\\app\\app.exe");
             MsiHandle session = Script(m, RunKind::Immediate, "");
             m.installer.session(session)->properties["QXI_LAUNCHCMD"] = "C:\\app\\app.exe /x";
             return session;
         },
         kZero},
        {"QXLaunchApp at the next logon", kQxeca, "QXLaunchApp", QXLaunchApp,
         [](SimMachine& m) {
             SixtyFour(m);
             MsiHandle session = Script(m, RunKind::Immediate, "");
             auto* s = m.installer.session(session);
             s->properties["QXI_LAUNCHCMD"] = "C:\\app\\app.exe /x";
             s->modes.insert(kRunModeRebootAtEnd);
             return session;
         },
         kZero},
    };
}

TEST(SettingsSweepTest, EveryFailingCallEndsWithTheExportsResultAndNothingLeftOpen) {
    std::set<std::string> swept;
    for (const auto& sweep : Sweeps()) {
        auto outcome = RunFailureSweep(sweep);
        EXPECT_GT(outcome.runs, 5) << sweep.name;
        swept.insert(sweep.exportName);
    }
    EXPECT_EQ(swept.size(), 13u);
}

}  // namespace
}  // namespace qx::test
