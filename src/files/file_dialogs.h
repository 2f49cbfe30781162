#pragma once
// The four file chooser dialogs: behaviour without Qt.
//   Form3 (form3): load a 32-voice file     Form4: save a 32-voice file
//   Form5: save a 1-voice file              Form6: load a 1-voice file

#include <string>

namespace vox {

struct Program;

class Form3 {
public:
    explicit Form3(Program& program) : program_(program) {}
    void open() {}

private:
    [[maybe_unused]] Program& program_;
};

class Form4 {
public:
    explicit Form4(Program& program) : program_(program) {}
    void open() {}

private:
    [[maybe_unused]] Program& program_;
};

class Form5 {
public:
    explicit Form5(Program& program) : program_(program) {}
    void open() {}
    // The editor's save command: the dialog's name box gets the editor's name.
    void openFromEditor(const std::string& name) { text2 = name; }
    std::string text2;

private:
    [[maybe_unused]] Program& program_;
};

class Form6 {
public:
    explicit Form6(Program& program) : program_(program) {}
    void open() {}

private:
    [[maybe_unused]] Program& program_;
};

} // namespace vox
