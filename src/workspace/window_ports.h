#pragma once
// The narrow ports through which a window reaches the running program and
// the main window. The windows never include each other; the program
// object (src/program/) builds the forms and connects them through these.

#include "common/host.h"
#include "common/program_state.h"
#include "workspace/workspace.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vox {

// What a window's form reaches of the running program.
struct FormContext {
    ProgramState &state;
    Workspace &workspace;
    Host &host;
};

// The main window as the other windows see it; Form1 implements it.
class MainWindowPort {
public:
    // The receive logs (List1, List2, List4) are emptied.
    virtual void clearReceiveLogs() = 0;
    // Enables or disables the main window: its form's flag and the window.
    virtual void setEnabled(bool enabled) = 0;
    // The SOUND LIST entries as shown: none while a receive runs.
    virtual std::vector<std::string> soundListEntries() const = 0;
    // The edit-area voice or the name the open editor holds changed since
    // it was last placed, written or saved.
    virtual bool editAreaUnwritten() const = 0;
    // What just finished, for the main window's status line.
    virtual void reportDone(const std::string &text) = 0;

protected:
    ~MainWindowPort() = default;
};

// What the library window needs of the main window beyond MainWindowPort.
// The library window stays open beside the main window, so it asks before
// it changes the edit area or the SOUND LIST.
class LibraryPort {
public:
    // Another window holds the main window (the editor, a file window, the
    // chooser; the main window is disabled): the edit area and the SOUND
    // LIST must not change under it.
    virtual bool mainWindowHeld() const = 0;
    // A full SOUND LIST that changed since it was last loaded, saved or sent.
    virtual bool soundListUnsaved() const = 0;
    // The overwrite-position chooser over the edit-area voice, opened as the
    // main window's "SOUND LIST へ  書込" opens it.
    virtual void openOverwriteChooser() = 0;
    // The SOUND LIST's bank to the instrument, as "DX7へ送信" sends it
    // (with its question and its read-back).
    virtual void transmitSoundList() = 0;
    // Writes the bank to `file` as its name says (.syx, .v32), whole or
    // not at all; "" when written, else the message that says why not.
    // When every voice holds its additional data, it goes with the bank:
    // the AMEM before the bulk dump in a .syx, the companion beside a .v32
    // (SupplementCompanion); otherwise the bank is the Mk I's alone.
    virtual std::string saveBank(const std::filesystem::path &file, const BankRecords &bank,
                                 const BankSupplements &supplements) = 0;

protected:
    ~LibraryPort() = default;
};

} // namespace vox
