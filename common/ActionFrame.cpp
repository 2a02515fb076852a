#include "common/ActionFrame.h"

#include <optional>

#include "common/Format.h"
#include "common/InstallerLog.h"
#include "common/MsiException.h"
#include "common/PropertyActions.h"
#include "common/Text.h"

namespace qx {
namespace {

void FinishAction(Library& library, const ActionFrame& frame, const ExitLine& exit) {
    std::string line = formatText(exit.format, frame.name);
    if (exit.echoed) {
        LogToMsi(library, line);
    }
    LogMessage(library.log, SEV_INFO, "%s", line.c_str());
    CloseLog(library.log);
}

uint32_t HandlerResult(const Library& library, const Handler& handler) {
    return handler.returnsExitCode ? static_cast<uint32_t>(library.exitCode) : handler.result;
}

}  // namespace

void ReadDebugLevel(Library& library, MsiHandle session) {
    library.debugLevel = DecimalValue(GetProperty(library, session, "DEBUG"));
}

uint32_t RunAction(Library& library, MsiHandle session, const ActionFrame& frame,
                   const std::function<uint32_t()>& work) {
    std::optional<CFunctionScope> outerScope;
    if (frame.debugRead == DebugRead::BeforeLog || frame.debugRead == DebugRead::DebugOnlyBeforeLog) {
        ReadDebugLevel(library, session);
        if (frame.debugRead == DebugRead::BeforeLog) {
            outerScope.emplace(library, frame.name);
        }
    }
    library.hInstall = session;
    QxecaLogInit(library.log, "qxeca");
    LogMessage(library.log, SEV_INFO, frame.startLine, frame.name);
    try {
        std::optional<CFunctionScope> scope;
        if (frame.debugRead == DebugRead::InsideRegion) {
            ReadDebugLevel(library, session);
            scope.emplace(library, frame.name);
        }
        uint32_t result = work();
        scope.reset();
        FinishAction(library, frame, frame.normalExit);
        return result;
    } catch (const CMSIException& exception) {
        if (!frame.onMsiException.present) {
            throw;
        }
        exception.ProcessError(session);
        exception.Delete();
        library.os.msiCloseAllHandles();
        FinishAction(library, frame, frame.exceptionExit);
        return HandlerResult(library, frame.onMsiException);
    } catch (...) {
        if (!frame.onOtherException.present) {
            throw;
        }
        library.os.msiCloseAllHandles();
        FinishAction(library, frame, frame.exceptionExit);
        return HandlerResult(library, frame.onOtherException);
    }
}

}  // namespace qx
