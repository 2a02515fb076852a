#include "qxmsica/FilePrompt.h"

#include <string>

namespace qx::qxmsica {
namespace {

constexpr uint32_t kPathChars = 260;
constexpr int kClassNameChars = 100;
// Description and pattern pairs, each ended by a null; the literal's own null ends the list.
constexpr char kFilter[] = "All Files (*.*)\0*.*\0Text File (*.txt)\0*.txt\0";
constexpr const char* kWizardTitle = "Default - InstallShield Wizard";

}  // namespace

bool FindRichEditChild(Platform& os, OsHandle window, OsHandle* found) {
    char className[kClassNameChars] = {};
    os.getClassName(window, className, kClassNameChars);
    if (std::string(className) == "RichEdit20W") {
        *found = window;
        return false;
    }
    return true;
}

uint32_t QX_BrowseFile(Library& library, MsiHandle session) {
    library.hInstall = session;
    Platform& os = library.os;
    char path[kPathChars] = {};
    uint32_t chars = kPathChars;
    // The dialog starts from the property's value; the result of the read is not used.
    os.msiGetProperty(session, "QX_PATHTOFILE", path, &chars);

    OpenFileName dialog;
    dialog.owner = os.getForegroundWindow();
    dialog.filter = kFilter;
    dialog.filterIndex = 1;
    dialog.file = path;
    dialog.maxFile = kPathChars;
    if (!os.getOpenFileName(&dialog)) {
        return kErrorSuccess;
    }
    os.msiSetProperty(session, "QX_PATHTOFILE", path);

    // The wizard does not refresh its field when an action changes the property.
    OsHandle wizard = os.findWindow(kWizardTitle);
    if (wizard == 0) {
        return kErrorSuccess;
    }
    OsHandle field = 0;
    os.enumChildWindows(wizard,
                        [&](OsHandle window) { return FindRichEditChild(os, window, &field); });
    if (field != 0) {
        os.setWindowText(field, path);
    }
    return kErrorSuccess;
}

}  // namespace qx::qxmsica
