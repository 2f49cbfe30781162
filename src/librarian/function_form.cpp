#include "librarian/function_form.h"

#include "midi/midi_output.h"

namespace vox {

namespace {
std::vector<std::string> Numbers(int max, const std::string &unit = {}) {
    std::vector<std::string> items;
    for (int v = 0; v <= max; ++v)
        items.push_back(std::to_string(v) + unit);
    return items;
}

FunctionParam AssignOf(int source) {
    return static_cast<FunctionParam>(static_cast<int>(FunctionParam::WheelAssign) + 2 * source);
}
} // namespace

void FunctionForm::open() {
    open_ = true;
    program_.host.showWindow(WindowId::FunctionSettings);
}

std::vector<std::string> FunctionForm::Choices(FunctionParam p) {
    using namespace function_text;
    switch (p) {
    case FunctionParam::PolyMono:
        return {kPoly, kMono};
    case FunctionParam::PortaMode:
        return {kRetain, kFollow};
    case FunctionParam::Glissando:
        return {kOff, kOn};
    case FunctionParam::BendRange:
    case FunctionParam::BendStep:
        return Numbers(12, kSemitones);
    case FunctionParam::WheelAssign:
    case FunctionParam::FootAssign:
    case FunctionParam::BreathAssign:
    case FunctionParam::AftertouchAssign:
        return {};
    default:
        return Numbers(FunctionParamMax(static_cast<int>(p)));
    }
}

void FunctionForm::choose(FunctionParam p, int value) {
    const int number = static_cast<int>(p);
    if (values.get(p) == value || !values.set(number, value)) return;
    send(number);
    if (changed) changed(values);
}

void FunctionForm::assignClick(int source, int bit) {
    if (source < 0 || source > 3 || bit < 0 || bit > 2) return;
    const FunctionParam p = AssignOf(source);
    choose(p, values.get(p) ^ (1 << bit));
}

bool FunctionForm::assigned(int source, int bit) const {
    return source >= 0 && source <= 3 && (values.get(AssignOf(source)) >> bit & 1) != 0;
}

void FunctionForm::sendAllClick() {
    for (int number = kFirstFunctionParam; number < kFirstFunctionParam + kFunctionParamCount; ++number)
        send(number);
}

void FunctionForm::closeClick() {
    if (!open_) return;
    open_ = false;
    program_.host.closeWindow(WindowId::FunctionSettings);
}

void FunctionForm::send(int number) {
    // A receive or transmit owns the port while it runs.
    if (TransferRunning(program_.state)) return;
    SendLongMessage(program_.state, program_.host, FunctionChangeMessage(number, values.get(number)));
}

} // namespace vox
