// The main window's file buttons.
#include "librarian/form1.h"

#include "librarian/program.h"

namespace vox {

void Form1::command6Click() {}
void Form1::command7Click() {}
void Form1::command9Click() {}
void Form1::command10Click() {}

} // namespace vox
