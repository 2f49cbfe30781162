// The main window's side of MIDI input and the bank exchange.
#include "librarian/form1.h"

#include "librarian/program.h"

namespace vox {

void Form1::startInputAtLoad() {}
void Form1::command2Click() {}
void Form1::command4Click() {}
void Form1::command8Click() {}
void Form1::receiveMidiEvent(const MidiInEvent&) {}

} // namespace vox
