#include "common/ActionFrame.h"

#include <optional>

#include "common/Format.h"
#include "common/InstallerLog.h"
#include "common/MsiException.h"
#include "common/PropertyActions.h"
#include "common/Text.h"

namespace qx {
namespace {

void FinishAction(Library& library, const std::string& line, bool echoed, uint32_t severity) {
    if (echoed) {
        LogToMsi(library, line);
    }
    LogMessage(library.log, severity, "%s", line.c_str());
    CloseLog(library.log);
}

void FinishAction(Library& library, const ActionFrame& frame, const ExitLine& exit,
                  uint32_t result) {
    FinishAction(library, formatText(exit.format, frame.name, result), exit.echoed, exit.severity);
}

uint32_t HandlerResult(const Library& library, const Handler& handler) {
    return handler.returnsExitCode ? static_cast<uint32_t>(library.exitCode) : handler.result;
}

}  // namespace

void ReadDebugLevel(Library& library, MsiHandle session) {
    library.debugLevel = DecimalValue(GetProperty(library, session, "DEBUG"));
}

uint32_t RunAction(Library& library, MsiHandle session, const ActionFrame& frame,
                   const std::function<ActionEnd()>& work) {
    return RunAction(library, session, frame, [&](const std::string&) { return work(); });
}

uint32_t RunAction(Library& library, MsiHandle session, const ActionFrame& frame,
                   const std::function<ActionEnd(const std::string&)>& work) {
    std::optional<CFunctionScope> outerScope;
    if (frame.debugRead == DebugRead::BeforeLog ||
        frame.debugRead == DebugRead::DebugOnlyBeforeLog) {
        ReadDebugLevel(library, session);
        if (frame.debugRead == DebugRead::BeforeLog) {
            outerScope.emplace(library, frame.name);
        }
    }
    library.hInstall = session;
    std::string propertyValue =
        frame.startLineProperty ? GetProperty(library, session, frame.startLineProperty) : "";
    QxecaLogInit(library.log, "qxeca");
    LogMessage(library.log, SEV_INFO, frame.startLine,
               frame.startLineProperty ? propertyValue.c_str() : frame.name);
    if (frame.propertyBeforeRegion) {
        propertyValue = GetProperty(library, session, frame.propertyBeforeRegion);
    }
    try {
        std::optional<CFunctionScope> scope;
        if (frame.debugRead == DebugRead::InsideRegion) {
            ReadDebugLevel(library, session);
            scope.emplace(library, frame.name);
        }
        ActionEnd end = work(propertyValue);
        scope.reset();
        if (end.exitLine.empty()) {
            FinishAction(library, frame, frame.normalExit, end.result);
        } else {
            FinishAction(library, end.exitLine, frame.normalExit.echoed, end.severity);
        }
        return end.result;
    } catch (const CMSIException& exception) {
        if (!frame.onMsiException.present) {
            throw;
        }
        exception.ProcessError(session);
        exception.Delete();
        library.os.msiCloseAllHandles();
        uint32_t result = HandlerResult(library, frame.onMsiException);
        FinishAction(library, frame, frame.exceptionExit, result);
        return result;
    } catch (...) {
        if (!frame.onOtherException.present) {
            throw;
        }
        library.os.msiCloseAllHandles();
        uint32_t result = HandlerResult(library, frame.onOtherException);
        FinishAction(library, frame, frame.exceptionExit, result);
        return result;
    }
}

}  // namespace qx
