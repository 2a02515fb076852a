#include "platform/sim/SimWindows.h"

#include <cstring>

namespace qx::sim {

OsHandle SimWindows::addTopLevel(const std::string& title, const std::string& className) {
    OsHandle handle = 0x40000 + windows_.size();
    windows_.push_back({handle, 0, title, className, "", {}});
    return handle;
}

OsHandle SimWindows::addChild(OsHandle parent, const std::string& className,
                              const std::string& title) {
    OsHandle handle = 0x40000 + windows_.size();
    windows_.push_back({handle, parent, title, className, "", {}});
    window(parent)->children.push_back(handle);
    return handle;
}

SimWindow* SimWindows::window(OsHandle handle) {
    for (auto& w : windows_) {
        if (w.handle == handle) {
            return &w;
        }
    }
    return nullptr;
}

OsHandle SimWindows::findTopLevel(const std::string& title) const {
    for (const auto& w : windows_) {
        if (w.parent == 0 && w.title == title) {
            return w.handle;
        }
    }
    return 0;
}

std::vector<OsHandle> SimWindows::descendants(OsHandle parent) const {
    std::vector<OsHandle> found;
    for (const auto& w : windows_) {
        if (w.handle != parent) {
            continue;
        }
        for (OsHandle child : w.children) {
            found.push_back(child);
            auto below = descendants(child);
            found.insert(found.end(), below.begin(), below.end());
        }
    }
    return found;
}

bool SimWindows::showFileDialog(OpenFileName* dialog) {
    ShownFileDialog shown;
    shown.owner = dialog->owner;
    if (dialog->filter) {
        const char* p = dialog->filter;
        while (*p) {
            size_t length = std::strlen(p) + 1;
            shown.filter.append(p, length);
            p += length;
        }
    }
    shown.filterIndex = dialog->filterIndex;
    shown.initialFile = dialog->file ? dialog->file : "";
    shown.maxFile = dialog->maxFile;
    shown.hasTitle = dialog->title != nullptr;
    shown.hasInitialDir = dialog->initialDir != nullptr;
    shown.flags = dialog->flags;
    shownFileDialogs.push_back(shown);
    std::optional<std::string> answer;
    if (!fileDialogAnswers.empty()) {
        answer = fileDialogAnswers.front();
        fileDialogAnswers.pop_front();
    }
    if (!answer || answer->size() + 1 > dialog->maxFile) {
        return false;
    }
    std::memcpy(dialog->file, answer->c_str(), answer->size() + 1);
    return true;
}

}  // namespace qx::sim
