#pragma once
// Everything the forms take from the windowing system. The Qt host shows
// real boxes and windows; the test host answers from a script and runs a
// fake clock, so behaviour runs without a display.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vox {

enum class MsgButtons { Ok, OkHelp, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Exclamation, Question, Critical };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageBoxSpec {
    std::string text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    std::string title;              // empty: the application's default title
    std::filesystem::path helpFile; // used by the Help button
    int helpTopic = 0;
    // The button Return presses; none: the host's own (the first).
    std::optional<MsgResult> defaultButton;
    // A check box under the text ("" for none); when the box closes, its
    // state is written to *checked.
    std::string checkBox;
    bool *checked = nullptr;
};

// Windows of the program, named as the forms are.
enum class WindowId {
    Form1,
    Form2,
    form3,
    Form4,
    Form5,
    Form6,
    Form7,
    MidiMonitor,
    MidiSettings,
    Library,
    FunctionSettings,
    Explore,
    FamilyData,
};

class Host {
public:
    virtual ~Host() = default;

    // Modal; returns the button pressed. The Help button opens its topic
    // and leaves the box open.
    virtual MsgResult messageBox(const MessageBoxSpec &box) = 0;

    // Modal; the user picks one of `items` (a bank of a file that holds
    // several). Returns its index, or nothing when the user cancels. A
    // host that cannot ask cancels, so nothing changes without a choice.
    virtual std::optional<int> chooseItem(const std::string &title, const std::string &text,
                                          const std::vector<std::string> &items) {
        (void)title;
        (void)text;
        (void)items;
        return std::nullopt;
    }

    // One pass of the message loop: handle what is waiting now, MIDI input
    // included, then return.
    virtual void processEvents() = 0;
    // The same pass, but with nothing waiting it first sleeps until an
    // event comes or `seconds` have passed, so that a wait costs no
    // processor time. A host that cannot sleep makes a plain pass.
    virtual void processEventsFor(double seconds) {
        (void)seconds;
        processEvents();
    }

    // Monotonic seconds; never jumps at midnight.
    virtual double monotonicSeconds() = 0;

    // Topic 0 opens the contents.
    virtual void showHelp(const std::filesystem::path &helpFile, int topic) = 0;

    virtual void showWindow(WindowId window) = 0;
    // Shows the window and returns when it has closed.
    virtual void showWindowModal(WindowId window) = 0;
    virtual void closeWindow(WindowId window) = 0;
    virtual void setWindowEnabled(WindowId window, bool enabled) = 0;
    // Redraw the window from its form's state (after a change that did not
    // come from one of its own events).
    virtual void refreshWindow(WindowId window) = 0;
    // Redraw every open window; views call it after forwarding a user
    // event, since a handler of one window may change another.
    virtual void refreshAll() = 0;

    // Ends the program at once, no close handler.
    virtual void endProgram() = 0;
};

// Shorthand for the common box: the text, an OK button, the default title.
inline MsgResult ShowMessage(Host &host, const std::string &text) {
    MessageBoxSpec box;
    box.text = text;
    return host.messageBox(box);
}

} // namespace vox
