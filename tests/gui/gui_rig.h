#pragma once
// The rig of the offscreen window tests: one executable runs every test
// class (by name, one process each under ctest), and the set-up they share.
#include "../common/test_files.h"
#include "files/file_dialogs.h"
#include "ui/twips.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QObject>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace vox::test {

using GuiTestFactory = std::function<std::unique_ptr<QObject>()>;

inline std::map<std::string, GuiTestFactory> &GuiTests() {
    static std::map<std::string, GuiTestFactory> tests;
    return tests;
}

struct GuiTestRegistration {
    GuiTestRegistration(const char *name, GuiTestFactory make) { GuiTests().emplace(name, std::move(make)); }
};

// The caption a control shows, whatever kind it is.
inline QString CaptionOf(QWidget *w) {
    if (auto *b = dynamic_cast<WrapButton *>(w)) return b->caption();
    if (auto *b = qobject_cast<QAbstractButton *>(w)) return b->text();
    if (auto *l = qobject_cast<QLabel *>(w)) return l->text();
    if (auto *g = qobject_cast<QGroupBox *>(w)) return g->title();
    return {};
}

// The main window's MIDI menu opened as a user opens it: its submenu
// `objectName`, filled afresh.
inline QMenu *OpenMidiSubmenu(QWidget &mainWindow, const char *objectName) {
    auto *midi = mainWindow.findChild<QMenu *>("mnu_midiMenu");
    if (!midi) return nullptr;
    emit midi->aboutToShow();
    for (QAction *a : midi->actions())
        if (a->menu() && a->menu()->objectName() == objectName) return a->menu();
    return nullptr;
}

// A program folder of the test's own with its 32voice and 1voice folders.
class ProgramFolder : public ScratchFolder {
public:
    explicit ProgramFolder(const std::string &prefix) : ScratchFolder(prefix) {
        std::filesystem::create_directories(path() / "32voice");
        std::filesystem::create_directories(path() / "1voice");
    }
};

// The file dialogs list one volume, "/", whatever the machine has.
template <class... Dialogs> void OneVolume(Dialogs &...dialogs) {
    ((static_cast<FileDialogForm &>(dialogs).volumeSource = [] { return std::vector<std::string>{"/"}; }),
     ...);
}

} // namespace vox::test

// In place of QTEST_MAIN: `name` is the test file's name, what ctest runs.
#define VOXMERE_GUI_TEST(name, Class)                                                                        \
    static const vox::test::GuiTestRegistration name##Registration(                                          \
        #name, [] { return std::make_unique<Class>(); });
