#include "TestMachine.h"
#include "qxmsica/FilePrompt.h"

namespace qx::test {
namespace {

constexpr const char* kWizardTitle = "Default - InstallShield Wizard";

class FilePromptTest : public MachineTest {
  protected:
    FilePromptTest() {
        machine.windows.foreground = machine.windows.addTopLevel("Some other window");
    }
    uint32_t run() { return qxmsica::QX_BrowseFile(qxmsica, session.handle); }
    std::string textOf(OsHandle window) { return machine.windows.window(window)->text; }
};

TEST_F(FilePromptTest, ShowsTheOpenDialogStartingFromThePropertysValue) {
    session.properties["QX_PATHTOFILE"] = "C:\\data\\old.txt";
    EXPECT_EQ(run(), kErrorSuccess);
    ASSERT_EQ(machine.windows.shownFileDialogs.size(), 1u);
    const auto& shown = machine.windows.shownFileDialogs[0];
    EXPECT_EQ(shown.owner, machine.windows.foreground);
    EXPECT_EQ(shown.filter, std::string("All Files (*.*)\0*.*\0Text File (*.txt)\0*.txt\0", 44));
    EXPECT_EQ(shown.filterIndex, 1u);
    EXPECT_EQ(shown.initialFile, "C:\\data\\old.txt");
    EXPECT_EQ(shown.maxFile, 260u);
    EXPECT_FALSE(shown.hasTitle);
    EXPECT_FALSE(shown.hasInitialDir);
    EXPECT_EQ(shown.flags, 0u);

    session.properties.erase("QX_PATHTOFILE");
    EXPECT_EQ(run(), kErrorSuccess);
    EXPECT_EQ(machine.windows.shownFileDialogs[1].initialFile, "");
}

TEST_F(FilePromptTest, TheChoiceGoesToThePropertyAndTheWizardsFirstTextField) {
    OsHandle wizard = machine.windows.addTopLevel(kWizardTitle);
    OsHandle ansi = machine.windows.addChild(wizard, "RichEdit20A");
    OsHandle longer = machine.windows.addChild(wizard, "RichEdit20WPT");
    OsHandle group = machine.windows.addChild(wizard, "Static");
    OsHandle first = machine.windows.addChild(group, "RichEdit20W");  // found before `second`
    OsHandle second = machine.windows.addChild(wizard, "RichEdit20W");
    session.properties["QX_PATHTOFILE"] = "C:\\data\\old.txt";
    machine.windows.fileDialogAnswers = {"C:\\data\\new.cfg"};

    EXPECT_EQ(run(), kErrorSuccess);
    EXPECT_EQ(session.properties["QX_PATHTOFILE"], "C:\\data\\new.cfg");
    EXPECT_EQ(textOf(first), "C:\\data\\new.cfg");
    EXPECT_EQ(textOf(second), "");
    EXPECT_EQ(textOf(ansi), "");
    EXPECT_EQ(textOf(longer), "");
    EXPECT_TRUE(session.messages.empty());
}

TEST_F(FilePromptTest, WhatChangesWithoutAChoiceOrWithoutTheWizardsField) {
    struct Case {
        const char* name;
        const char* title;       // of the wizard window
        const char* fieldClass;  // of its only child
        bool chosen;
        const char* property;
        const char* field;
    } cases[] = {
        {"cancelled", kWizardTitle, "RichEdit20W", false, "C:\\data\\old.txt", "typed"},
        {"localised wizard", "Standard - InstallShield-Assistent", "RichEdit20W", true,
         "C:\\data\\new.cfg", "typed"},
        {"no text field", kWizardTitle, "Edit", true, "C:\\data\\new.cfg", "typed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimMachine fresh;
        Library library(fresh.platform(), kQxmsica);
        auto& s = fresh.installer.openSession();
        s.properties["QX_PATHTOFILE"] = "C:\\data\\old.txt";
        OsHandle field = fresh.windows.addChild(fresh.windows.addTopLevel(c.title), c.fieldClass);
        fresh.windows.window(field)->text = "typed";
        if (c.chosen) {
            fresh.windows.fileDialogAnswers = {"C:\\data\\new.cfg"};
        }
        EXPECT_EQ(qxmsica::QX_BrowseFile(library, s.handle), kErrorSuccess);
        EXPECT_EQ(s.properties["QX_PATHTOFILE"], c.property);
        EXPECT_EQ(fresh.windows.window(field)->text, c.field);
        EXPECT_EQ(fresh.journal.count("SendMessage"), 0u);
    }
}

}  // namespace
}  // namespace qx::test
