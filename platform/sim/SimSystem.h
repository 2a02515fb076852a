#pragma once
// What the simulated Windows tells about itself: processor architecture and WOW64, the OS
// version, the Windows directory, the environment, short path names, the system's message
// texts; and what it shows: debug-string output and message boxes.

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/CaseInsensitive.h"

namespace qx::sim {

struct ShownMessageBox {
    std::string text;
    std::string caption;
    uint32_t style = 0;
};

class SimSystem {
  public:
    SimSystem();

    // x86 (0), IA64 (6) or x64 (9): a 64-bit machine runs the 32-bit library under WOW64.
    void setArchitecture(uint16_t nativeArchitecture);
    uint16_t nativeArchitecture() const { return nativeArchitecture_; }
    bool is64Bit() const { return nativeArchitecture_ == 6 || nativeArchitecture_ == 9; }

    // Which kernel32 functions exist (the newer ones are looked up at run time).
    bool kernel32Loads = true;
    bool hasGetNativeSystemInfo = true;
    bool hasWow64Redirection = false;
    bool fsRedirectionDisabled = false;
    int redirectionTokens = 0;  // tokens handed out by the disable call

    OsVersion version{6, 1, 7601, kVerPlatformWin32Nt};
    bool versionQueryFails = false;
    std::string windowsDirectory = "C:\\WINDOWS";
    std::map<std::string, std::string, CaseInsensitiveLess> environment;
    std::map<std::string, std::string, CaseInsensitiveLess> shortNames;  // long -> short
    std::map<Status, std::string> systemMessages;  // as FormatMessage gives them, with "\r\n"

    std::vector<std::string> debugOutput;  // every OutputDebugString call
    std::vector<ShownMessageBox> messageBoxes;
    std::deque<int> messageBoxAnswers;  // IDOK when none is scripted
    Status lastError = 0;
    uint32_t randState = 1;  // the C runtime's rand() state, never seeded

    // rand() as the C runtime computes it: the first value is 41.
    int nextRand();

    // Everything sent to the debug-string output, joined.
    std::string debugText() const;

  private:
    uint16_t nativeArchitecture_ = 0;
};

}  // namespace qx::sim
