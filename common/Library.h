#pragma once
// Everything one loaded library keeps between and during its actions. A DLL owns one; a test or
// the dry-run tool can hold several (a fresh one is a freshly loaded library; two are the
// immediate and the deferred half of one setup, running in two processes).

#include <string>
#include <vector>

#include "common/Flavour.h"
#include "common/Log.h"
#include "platform/Platform.h"

namespace qx {

struct Library {
    Library(Platform& platform, const Flavour& libraryFlavour)
        : os(platform), flavour(libraryFlavour), log(platform) {}
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    Platform& os;
    const Flavour& flavour;
    MsiHandle hInstall = 0;                  // the session of the action running now
    int debugLevel = 0;                      // the DEBUG property, read by ReadDebugLevel
    std::vector<std::string> functionNames;  // the name stack shown in in-source errors
    int exitCode = kErrorInstallFailure;     // set by in-MSI errors
    CLog log;
};

// Pushes a name on the function-name stack for the length of a scope.
class CFunctionScope {
  public:
    CFunctionScope(Library& library, std::string name) : library_(library) {
        library_.functionNames.push_back(std::move(name));
    }
    ~CFunctionScope() {
        if (!library_.functionNames.empty()) {
            library_.functionNames.pop_back();
        }
    }
    CFunctionScope(const CFunctionScope&) = delete;
    CFunctionScope& operator=(const CFunctionScope&) = delete;

  private:
    Library& library_;
};

}  // namespace qx
