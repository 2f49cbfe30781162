#pragma once
// The voice editor window "EDIT MODE DATA　CHAT": behaviour without Qt.

namespace vox {

struct Program;

class Form2 {
public:
    explicit Form2(Program& program) : program_(program) {}

    // The window's load event (also run by the initialise command).
    void load();

private:
    Program& program_;
};

} // namespace vox
