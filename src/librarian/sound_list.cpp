// SOUND LIST, edit area, audition and the overwrite chooser's opener.
#include "librarian/form1.h"

#include "librarian/program.h"

namespace vox {

void Form1::rebuildSoundList() {}
void Form1::command11Click() {}
void Form1::list3DoubleClick() {}
void Form1::command12Click() {}
void Form1::command1MouseDown() {}
void Form1::command1MouseUp() {}

// Opening the editor.
void Form1::command13Click() {}
void Form1::command5Click() {}

} // namespace vox
