// The Data Entry Zone's step buttons, option buttons, selectors and the
// envelope graphs. They change only the zone; 変更 applies what they set.

#include "editor/eg_graph.h"
#include "editor/form2.h"
#include "editor/step_rules.h"
#include "voice/algorithms.h"
#include "voice/display_conversions.h"
#include "voice/text.h"

#include <cstdlib>

namespace vox {

namespace {

constexpr auto Up = StepDirection::Up;
constexpr auto Down = StepDirection::Down;

std::int16_t I16(int v) { return static_cast<std::int16_t>(v); }

// One click of UpDown5 / UpDown6 on column j, by the rule of the open group.
void StepColumn(Form2 &f, int j, StepButton button, StepDirection direction) {
    const GroupInfo &rule = ColumnStepRuleFor(f.selectedGroup());
    const auto c = static_cast<std::size_t>(j);
    auto step = [&](int v) { return StepColumnValue(rule, v, button, direction); };
    const bool left = !rule.twoRows || f.entry.leftActive == 1;
    const bool right = rule.twoRows && f.entry.rightActive == 1;
    switch (rule.field) {
    case ColumnField::BreakPoint:
        f.entry.breakPoint[c] = I16(step(f.entry.breakPoint[c]));
        f.showEntryBreakPoint(j);
        break;
    case ColumnField::Curves:
        if (left) f.entry.leftCurve[c] = I16(step(f.entry.leftCurve[c]));
        if (right) f.entry.rightCurve[c] = I16(step(f.entry.rightCurve[c]));
        f.showEntryCurves(j);
        break;
    case ColumnField::Fine:
        f.entry.fine[c] = I16(step(f.entry.fine[c]));
        f.showEntryFrequency(j);
        break;
    case ColumnField::Text: {
        auto stepText = [&](std::string &text) {
            const int v = step(ReadEntryNumber(text, rule.min, rule.max));
            text = ShownText(rule, v + rule.offset).value_or(PlainText(v));
        };
        if (left) stepText(f.text42[c]);
        if (right) stepText(f.text44[c]);
        break;
    }
    }
}

void StepEgColumn(Form2 &f, int c, int step, StepDirection direction) {
    for (int i = 0; i < 6; ++i) {
        if (f.egRowSelected[static_cast<std::size_t>(i)] != 1) continue;
        std::string &box = f.text43[static_cast<std::size_t>(c * 6 + i)];
        box = PlainText(StepEnvelopeValue(ReadEntryNumber(box, 0, 99), step, direction));
        f.drawOperatorEgGraph(i);
    }
}

} // namespace

// --- Value panel ---------------------------------------------------------------

void Form2::text40Change() {
    if (selectedGroup() != static_cast<int>(Group::Algorithm)) return;
    const int x = LeadingInteger(text40).value_or(0);
    if (x > 0 && x < kAlgorithmCount + 1) picture3File = AlgorithmPictureName(x);
}

namespace {
// Label31 follows the value box for the wave and transpose groups.
void RefreshLabel31(Form2 &f, int group, int v) {
    const GroupInfo *g = FindGroup(group);
    if (!g || !HasCaption(*g)) return;
    if (auto text = ShownText(*g, v + g->offset)) f.label31 = *text;
}

void StepValueBox(Form2 &f, bool ten, StepDirection direction) {
    const int group = f.selectedGroup();
    const UpDownState &buttons = ten ? f.upDown2 : f.upDown1;
    const int v = ReadEntryNumber(f.text40, buttons.min, buttons.max);
    const int stepped = ten ? StepValueBoxTen(group, v, buttons.min, buttons.max, direction)
                            : StepValueBoxSingle(v, buttons.min, buttons.max, direction);
    f.text40 = PlainText(stepped);
    RefreshLabel31(f, group, stepped);
    f.text40Change();
}
} // namespace

void Form2::upDown1Up() { StepValueBox(*this, false, Up); }
void Form2::upDown1Down() { StepValueBox(*this, false, Down); }
void Form2::upDown2Up() { StepValueBox(*this, true, Up); }
void Form2::upDown2Down() { StepValueBox(*this, true, Down); }

void Form2::option1Click() {
    option1 = true;
    text40 = "1";
}
void Form2::option2Click() {
    option1 = false;
    text40 = "0";
}
void Form2::option5Click() {
    option5 = true;
    text40 = "1";
}
void Form2::option6Click() {
    option5 = false;
    text40 = "0";
}
void Form2::option3Click(int column) {
    const auto j = static_cast<std::size_t>(column);
    option4[j] = false;
    entry.oscMode[j] = 0;
    showEntryFrequency(column);
}
void Form2::option4Click(int column) {
    const auto j = static_cast<std::size_t>(column);
    option4[j] = true;
    entry.oscMode[j] = 1;
    showEntryFrequency(column);
}

void Form2::label33Click() {
    entry.leftActive = I16(std::abs(entry.leftActive - 1));
    shape5Border[0] = entry.leftActive == 1;
}
void Form2::label9Click() {
    entry.rightActive = I16(std::abs(entry.rightActive - 1));
    shape5Border[1] = entry.rightActive == 1;
}

// --- Operator columns ------------------------------------------------------------

void Form2::upDown5Up(int column) { StepColumn(*this, column, StepButton::Large, Up); }
void Form2::upDown5Down(int column) { StepColumn(*this, column, StepButton::Large, Down); }
void Form2::upDown6Up(int column) { StepColumn(*this, column, StepButton::Single, Up); }
void Form2::upDown6Down(int column) { StepColumn(*this, column, StepButton::Single, Down); }

namespace {
void StepCoarseOf(Form2 &f, int column, int step, StepDirection direction) {
    if (f.selectedGroup() != static_cast<int>(Group::Oscillator)) return;
    auto &coarse = f.entry.coarse[static_cast<std::size_t>(column)];
    coarse = I16(StepCoarse(coarse, step, direction));
    f.showEntryFrequency(column);
}
} // namespace

void Form2::upDown7Up(int column) { StepCoarseOf(*this, column, 10, Up); }
void Form2::upDown7Down(int column) { StepCoarseOf(*this, column, 10, Down); }
void Form2::upDown8Up(int column) { StepCoarseOf(*this, column, 1, Up); }
void Form2::upDown8Down(int column) { StepCoarseOf(*this, column, 1, Down); }

void Form2::showEntryFrequency(int column) {
    const auto j = static_cast<std::size_t>(column);
    text42[j] = FrequencyText(entry.oscMode[j], entry.coarse[j], entry.fine[j]);
}

void Form2::showEntryBreakPoint(int column) {
    const auto j = static_cast<std::size_t>(column);
    text42[j] = BreakPointText(entry.breakPoint[j]);
}

void Form2::showEntryCurves(int column) {
    const auto j = static_cast<std::size_t>(column);
    if (auto name = CurveName(entry.leftCurve[j])) text42[j] = *name;
    if (auto name = CurveName(entry.rightCurve[j])) text44[j] = *name;
}

// --- Envelopes ---------------------------------------------------------------------

void Form2::label7Click(int row) {
    const auto i = static_cast<std::size_t>(row);
    egRowSelected[i] = I16(std::abs(egRowSelected[i] - 1));
    shape3Border[i] = egRowSelected[i] == 1;
}

void Form2::upDown9Up(int c) { StepEgColumn(*this, c, 10, Up); }
void Form2::upDown9Down(int c) { StepEgColumn(*this, c, 10, Down); }
void Form2::upDown10Up(int c) { StepEgColumn(*this, c, 1, Up); }
void Form2::upDown10Down(int c) { StepEgColumn(*this, c, 1, Down); }

void Form2::upDown3Up(int n) {
    std::string &box = text41[static_cast<std::size_t>(n)];
    box = PlainText(StepPitchTen(ReadEntryNumber(box, 0, 99), Up));
    drawPitchEgGraph();
}
void Form2::upDown3Down(int n) {
    std::string &box = text41[static_cast<std::size_t>(n)];
    box = PlainText(StepPitchTen(ReadEntryNumber(box, 0, 99), Down));
    drawPitchEgGraph();
}
// The ±1 buttons step their bound box within 0..99, then the graph follows.
void Form2::upDown4Up(int n) {
    std::string &box = text41[static_cast<std::size_t>(n)];
    box = PlainText(StepEnvelopeValue(ReadEntryNumber(box, 0, 99), 1, Up));
    drawPitchEgGraph();
}
void Form2::upDown4Down(int n) {
    std::string &box = text41[static_cast<std::size_t>(n)];
    box = PlainText(StepEnvelopeValue(ReadEntryNumber(box, 0, 99), 1, Down));
    drawPitchEgGraph();
}

void Form2::drawOperatorEgGraph(int row) {
    std::array<int, 4> rates{}, levels{};
    for (int k = 0; k < 4; ++k) {
        rates[static_cast<std::size_t>(k)] =
            ReadEntryNumber(text43[static_cast<std::size_t>(k * 6 + row)], 0, 99);
        levels[static_cast<std::size_t>(k)] =
            ReadEntryNumber(text43[static_cast<std::size_t>((k + 4) * 6 + row)], 0, 99);
    }
    const auto segments = OperatorEgSegments(rates, levels);
    graphSegments[static_cast<std::size_t>(row + 1)].assign(segments.begin(), segments.end());
}

void Form2::drawPitchEgGraph() {
    std::array<int, 4> rates{}, levels{};
    for (std::size_t k = 0; k < 4; ++k) {
        rates[k] = ReadEntryNumber(text41[k], 0, 99);
        levels[k] = ReadEntryNumber(text41[k + 4], 0, 99);
    }
    const auto segments = PitchEgSegments(rates, levels);
    graphSegments[0].assign(segments.begin(), segments.end());
}

} // namespace vox
