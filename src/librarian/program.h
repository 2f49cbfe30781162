#pragma once
// The running program: the shared state, the host and every window's form.
// Forms reach each other through it, as the windows of the classic design
// do; each form holds a reference to it.

#include "common/host.h"
#include "common/program_state.h"
#include "editor/form2.h"
#include "files/file_dialogs.h"
#include "librarian/form1.h"
#include "librarian/form7.h"

namespace vox {

struct Program {
    Program(ProgramState& state, Host& host);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    ProgramState& state;
    Host& host;

    Form1 form1;
    Form2 form2;
    Form3 form3;
    Form4 form4;
    Form5 form5;
    Form6 form6;
    Form7 form7;

    // Handles every MIDI input event waiting now and ends a receive the
    // DX7 stopped answering; the hosts call it from their message-loop pass
    // and from an idle timer. True when anything was handled, so the host
    // knows the windows need redrawing.
    bool pumpMidiInput();
};

} // namespace vox
