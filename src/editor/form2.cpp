#include "editor/form2.h"

#include "librarian/program.h"

namespace vox {

void Form2::load() {}

} // namespace vox
