#pragma once
// The desktop of the simulated machine: top-level windows with their descendants, the
// foreground window, and the file-open dialog with the answers a test scripts for it.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace qx::sim {

struct SimWindow {
    OsHandle handle = 0;
    OsHandle parent = 0;
    std::string title;
    std::string className;
    std::string text;  // what WM_SETTEXT put there
    std::vector<OsHandle> children;
};

// What a file-open dialog was shown with.
struct ShownFileDialog {
    OsHandle owner = 0;
    std::string filter;  // with its null separators
    uint32_t filterIndex = 0;
    std::string initialFile;
    uint32_t maxFile = 0;
    bool hasTitle = false;
    bool hasInitialDir = false;
    uint32_t flags = 0;
};

class SimWindows {
  public:
    OsHandle addTopLevel(const std::string& title, const std::string& className = "#32770");
    OsHandle addChild(OsHandle parent, const std::string& className, const std::string& title = "");
    SimWindow* window(OsHandle handle);
    OsHandle foreground = 0;
    // The next dialogs' answers: a path, or nullopt for Cancel. Cancel when none is scripted.
    std::deque<std::optional<std::string>> fileDialogAnswers;
    std::vector<ShownFileDialog> shownFileDialogs;

    // --- The calls behind the seam.
    OsHandle findTopLevel(const std::string& title) const;
    // Descendants depth first, each window before its own children.
    std::vector<OsHandle> descendants(OsHandle parent) const;
    bool showFileDialog(OpenFileName* dialog);

  private:
    std::vector<SimWindow> windows_;
};

}  // namespace qx::sim
