#include "support/FailureSweep.h"

#include <gtest/gtest.h>

#include "common/ConfigLogging.h"

namespace qx::test {
namespace {

const std::string kSharedDlls = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";

MsiHandle WithMakerCounts(sim::SimMachine& m, sim::RunKind kind) {
    m.registry.setDword(kSharedDlls, "C:\\Program Files\\Common Files\\Quaxten\\a.dll", 1);
    m.registry.setString(kSharedDlls, "C:\\Program Files\\Common Files\\Quaxten\\b.dll", "x");
    auto& session = m.installer.openSession(kind);
    session.modes = {kRunModeLogEnabled};
    return session.handle;
}

TEST(FailureSweepTest, QXLogConfigAlwaysLetsSetupGoOn) {
    for (auto kind : {sim::RunKind::Immediate, sim::RunKind::Deferred, sim::RunKind::Rollback}) {
        auto outcome = RunFailureSweep({
            .name = "QXLogConfig run kind " + std::to_string(static_cast<int>(kind)),
            .flavour = kQxeca,
            .exportName = "QXLogConfig",
            .action = QXLogConfig,
            .arrange = [kind](sim::SimMachine& m) { return WithMakerCounts(m, kind); },
            .allowedResults = {0},
        });
        EXPECT_GT(outcome.runs, 20);
    }
}

}  // namespace
}  // namespace qx::test
