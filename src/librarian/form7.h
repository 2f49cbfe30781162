#pragma once
// "SOUND LIST 変更": the overwrite-position chooser.

namespace vox {

struct Program;

class Form7 {
public:
    explicit Form7(Program& program) : program_(program) {}
    void open() {}

private:
    [[maybe_unused]] Program& program_;
};

} // namespace vox
