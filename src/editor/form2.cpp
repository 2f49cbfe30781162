#include "editor/form2.h"

#include "editor/display_conversions.h"
#include "midi/midi_output.h"
#include "voice/dx7_messages.h"
#include "voice/text.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

namespace vox {

// --- The groups ------------------------------------------------------------

const std::vector<GroupInfo>& GroupTable() {
    using P = GroupPanel;
    static const std::vector<GroupInfo> table{
        {0, P::Envelope, 0, 99, false, false, 0, 0, 48, {3465, 2520, 3975, 3030},
         {"Text23", "Text24", "Text25", "Text26", "Text27", "Text28", "Text29", "Text30", "Label13_6"}},
        {8, P::Columns, 0, 99, true, false, 31, 0, 6, {7425, 2520, 510, 2445}, {"Text31", "Label13_7"}},
        {9, P::Columns, 0, 99, false, false, 34, 35, 12, {8910, 2535, 1020, 2445},
         {"Text34", "Text35", "Label13_9"}},
        {11, P::Columns, 0, 3, false, false, 32, 33, 12, {7905, 2535, 1020, 2445},
         {"Text32", "Text33", "Label13_8"}},
        {13, P::Columns, 0, 7, true, false, 36, 0, 6, {9885, 2550, 540, 3000}, {"Text36", "Label13_10"}},
        {14, P::Columns, 0, 3, true, false, 19, 0, 6, {1125, 2520, 555, 2445}, {"Text19", "Label13_1"}},
        {15, P::Columns, 0, 7, true, false, 38, 0, 6, {10875, 2550, 540, 2490}, {"Text38", "Label13_12"}},
        {16, P::Columns, 0, 99, true, false, 37, 0, 6, {10380, 2550, 540, 2490}, {"Text37", "Label13_11"}},
        {17, P::Oscillator, 0, 99, false, false, 21, 0, 19, {1665, 2565, 1320, 2400},
         {"Text20", "Text21", "Label29", "Label13_2"}},
        {20, P::Columns, -7, 7, true, false, 22, 0, 6, {2970, 2520, 510, 2445}, {"Text22", "Label13_5"}},
        {126, P::PitchEnvelope, 0, 99, false, false, 0, 0, 8, {6930, 495, 3975, 1995},
         {"Label12", "Text9", "Text10", "Text11", "Text12", "Text13", "Text14", "Text15", "Text16"}},
        {134, P::Algorithm, 1, 32, false, true, 0, 0, 1, {45, 450, 3390, 2085}, {"Label30", "Text8"}},
        {135, P::Value, 0, 7, false, false, 0, 0, 1, {3465, 495, 510, 1995}, {"Label11", "Text1"}},
        {137, P::Value, 0, 99, false, true, 0, 0, 1, {4455, 495, 510, 1680}, {"Label58", "Text3"}},
        {138, P::Value, 0, 99, false, true, 0, 0, 1, {4950, 495, 510, 1680}, {"Label59", "Text4"}},
        {139, P::Value, 0, 99, false, true, 0, 0, 1, {5445, 495, 510, 1680}, {"Label60", "Text5"}},
        {140, P::Value, 0, 99, false, true, 0, 0, 1, {5940, 495, 510, 1680}, {"Label61", "Text6"}},
        {141, P::OnOff, 0, 1, false, false, 0, 0, 1, {6435, 495, 510, 1680}, {"Label62", "Text7"}},
        {142, P::Value, 0, 5, false, false, 0, 0, 1, {3960, 495, 510, 1680}, {"Label57", "Text2"}},
        {143, P::Value, 0, 7, false, false, 0, 0, 1, {675, 2520, 510, 2445}, {"Text18", "Label13_0"}},
        {144, P::Value, 0, 48, false, true, 0, 0, 1, {10890, 495, 510, 1995}, {"Label63", "Text17"}},
    };
    return table;
}

const GroupInfo* FindGroup(int group) {
    for (const auto& g : GroupTable())
        if (g.group == group) return &g;
    return nullptr;
}

int GroupOfControl(std::string_view name) {
    auto lookup = [](std::string_view n) {
        for (const auto& g : GroupTable())
            for (const char* t : g.targets)
                if (t && n == t) return g.group;
        return -1;
    };
    if (int g = lookup(name); g >= 0) return g;
    // A field of an operator row opens its whole column's group.
    const auto under = name.rfind('_');
    if (under == std::string_view::npos || name.substr(0, 4) != "Text") return -1;
    const std::string_view base = name.substr(0, under);
    int number = 0;
    for (char c : base.substr(4)) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    if (number < 19 || number > 38) return -1;
    return lookup(base);
}

int GroupParameter(int group, int n) {
    const int k = kOperatorBlockParams;
    switch (group) {
    case 0: return (n / 8) * k + n % 8;
    case 9:
    case 11: return n < 6 ? n * k + group : (n - 6) * k + group + 1;
    case 17:
        if (n < 6) return n * k + 17;
        if (n < 12) return (n - 6) * k + 18;
        if (n < 18) return (n - 12) * k + 19;
        return param::OscKeySync;
    default: return group >= 126 ? group + n : n * k + group;
    }
}

namespace {

// A field's number has at most five digits; a longer one is not a number.
constexpr std::size_t kFieldDigits = 5;

std::int16_t* ValueOfGroup(EditorValues& v, int group) {
    switch (group) {
    case param::Feedback: return &v.feedback;
    case param::LfoSpeed: return &v.lfoSpeed;
    case param::LfoDelay: return &v.lfoDelay;
    case param::LfoPmd: return &v.lfoPmd;
    case param::LfoAmd: return &v.lfoAmd;
    case param::LfoKeySync: return &v.lfoSync;
    case param::LfoWave: return &v.lfoWave;
    case param::PitchModSens: return &v.pitchModSens;
    case param::Transpose: return &v.transpose;
    default: return nullptr;
    }
}

// The chart field Text1..Text18 of a single-value group.
int FieldOfGroup(int group) {
    switch (group) {
    case param::Feedback: return 1;
    case param::LfoWave: return 2;
    case param::LfoSpeed: return 3;
    case param::LfoDelay: return 4;
    case param::LfoPmd: return 5;
    case param::LfoAmd: return 6;
    case param::LfoKeySync: return 7;
    case param::PitchModSens: return 18;
    case param::Transpose: return 17;
    default: return 0;
    }
}

std::int16_t I16(int v) { return static_cast<std::int16_t>(v); }

// A name character as a data byte: a character beyond 127 (only one kept
// from a file can be there) loses bit 7, as every voice dump drops it.
char32_t NameCode(char32_t c) { return c & 0x7F; }

} // namespace

// --- Load ------------------------------------------------------------------

int Form2::selectedGroup() const { return program_.state.selectedGroup; }

std::string Form2::PictureFileName(int algorithmNo) { return "alg" + std::to_string(algorithmNo) + ".jpg"; }

std::filesystem::path Form2::picturePath(const std::string& file) const {
    return program_.state.programFolder.empty() ? std::filesystem::path(file)
                                                : program_.state.programFolder / file;
}

void Form2::resetEntryZone() {
    frame4Visible = frame5Visible = frame7Visible = frame8Visible = false;
    picture2Visible.fill(false);
    for (int j = 0; j < 6; ++j) {
        frame6Visible[j] = false;
        upDown7[j].visible = false;
        upDown8[j].visible = false;
        text44Visible[j] = false;
    }
    picture3Visible = false;
    shape5Visible.fill(false);
    frame9Visible.fill(false);
    frame10Visible = false;
    upDown2.visible = false;
    label9Visible = label33Visible = false;
    text40Visible = true;
}

void Form2::load() {
    ProgramState& state = program_.state;
    ++session_;
    frame1Visible = false;
    shape1Border = false;
    resetEntryZone();

    // The edit area, not the slot CurrentSlot names: after a bank load or
    // receive that slot may hold another voice, and an ended edit (a new
    // name included) lives only in the EditBuffer and the edit-area text.
    auto cps = CodePoints(mainWindow_.editAreaText());
    std::size_t first = 4;
    while (first < cps.size() && cps[first] == U' ') ++first;
    // The name as the instrument is sent it: no character beyond 127.
    for (std::size_t c = first; c < cps.size(); ++c) cps[c] = NameCode(cps[c]);
    text39 = Utf8Of(cps, first, cps.size());
    loadedName = text39;
    label34 = Utf8Of(cps, 0, 4);

    // The dump header and the positions after the parameters as the slot
    // holds them, as a copy of the whole slot would leave them.
    Slot& voice = state.editBuffer;
    const Slot& slot = state.voiceTable[static_cast<std::size_t>(state.currentSlot)];
    std::copy(slot.begin(), slot.begin() + kParamBase, voice.begin());
    std::copy(slot.begin() + kChecksumPos, slot.end(), voice.begin() + kChecksumPos);
    opened_ = voice;
    open_ = true;
    auto at = [&](int p) { return ParamValue(p, voice[ParamPos(p)]); };

    values.algorithmNo = I16(at(param::Algorithm) + 1);
    algorithmPictureFile = PictureFileName(values.algorithmNo);
    picture1File = algorithmPictureFile;
    text8 = PlainText(values.algorithmNo);

    values.feedback = I16(at(param::Feedback));
    text[1] = PlainText(values.feedback);
    values.lfoWave = I16(at(param::LfoWave));
    if (auto name = LfoWaveName(values.lfoWave)) values.lfoWaveText = *name;
    text[2] = values.lfoWaveText;
    values.lfoSpeed = I16(at(param::LfoSpeed));
    text[3] = PlainText(values.lfoSpeed);
    values.lfoDelay = I16(at(param::LfoDelay));
    text[4] = PlainText(values.lfoDelay);
    values.lfoPmd = I16(at(param::LfoPmd));
    text[5] = PlainText(values.lfoPmd);
    values.lfoAmd = I16(at(param::LfoAmd));
    text[6] = PlainText(values.lfoAmd);
    values.lfoSync = I16(at(param::LfoKeySync));
    text[7] = LfoSyncText(values.lfoSync);
    for (int k = 1; k <= 4; ++k) {
        values.pegRate[k] = I16(at(param::PitchRate1 + k - 1));
        text[static_cast<std::size_t>(8 + k)] = PlainText(values.pegRate[k]);
    }
    for (int k = 1; k <= 4; ++k) {
        values.pegLevel[k] = I16(at(param::PitchLevel1 + k - 1));
        text[static_cast<std::size_t>(12 + k)] = PlainText(values.pegLevel[k]);
    }
    for (std::size_t n = 0; n < 12; ++n) noteNames[n] = kNoteNames[n];
    values.transpose = I16(at(param::Transpose));
    text[17] = TransposeText(values.transpose);
    values.pitchModSens = I16(at(param::PitchModSens));
    text[18] = PlainText(values.pitchModSens);
    values.oscKeySync = I16(at(param::OscKeySync));
    label29 = OscSyncText(values.oscKeySync);

    for (int b = 0; b < 6; ++b) {
        const int op = 6 - b;
        const auto row = static_cast<std::size_t>(b);
        auto op_at = [&](OpParam k) { return at(BlockParamNumber(b, k)); };
        for (int k = 0; k < 4; ++k) {
            chart(23 + k)[row] = PlainText(op_at(static_cast<OpParam>(k)));
            chart(27 + k)[row] = PlainText(op_at(static_cast<OpParam>(4 + k)));
        }
        values.breakPoint[op] = I16(op_at(OpParam::BreakPoint));
        chart(31)[row] = BreakPointText(values.breakPoint[op]);
        chart(34)[row] = PlainText(op_at(OpParam::LeftDepth));
        chart(35)[row] = PlainText(op_at(OpParam::RightDepth));
        values.leftCurve[op] = I16(op_at(OpParam::LeftCurve));
        if (auto n = CurveName(values.leftCurve[op])) chart(32)[row] = *n;
        values.rightCurve[op] = I16(op_at(OpParam::RightCurve));
        if (auto n = CurveName(values.rightCurve[op])) chart(33)[row] = *n;
        chart(36)[row] = PlainText(op_at(OpParam::RateScaling));
        chart(19)[row] = PlainText(op_at(OpParam::AmpModSens));
        chart(38)[row] = PlainText(op_at(OpParam::KeyVelSens));
        chart(37)[row] = PlainText(op_at(OpParam::OutputLevel));
        values.oscMode[op] = I16(op_at(OpParam::OscMode));
        chart(20)[row] = OscModeText(values.oscMode[op]);
        values.freqCoarse[op] = I16(op_at(OpParam::FreqCoarse));
        values.freqFine[op] = I16(op_at(OpParam::FreqFine));
        chart(21)[row] = FrequencyText(values.oscMode[op], values.freqCoarse[op], values.freqFine[op]);
        chart(22)[row] = DetuneText(op_at(OpParam::Detune));
    }
}

// --- Group openings ----------------------------------------------------------

void Form2::controlClick(std::string_view controlName) {
    const int group = GroupOfControl(controlName);
    if (group >= 0) openGroup(group);
}

void Form2::openGroup(int group) {
    const GroupInfo* g = FindGroup(group);
    if (!g) return;
    switch (g->panel) {
    case GroupPanel::Envelope: openEnvelopeGroup(*g); break;
    case GroupPanel::PitchEnvelope: openPitchEnvelopeGroup(*g); break;
    case GroupPanel::Algorithm: openAlgorithmGroup(*g); break;
    case GroupPanel::Value:
    case GroupPanel::OnOff: openValueGroup(*g); break;
    case GroupPanel::Columns: openColumnGroup(*g); break;
    case GroupPanel::Oscillator: openOscillatorGroup(*g); break;
    }
}

void Form2::showFrame(const GroupInfo& g) {
    shape1Border = true;
    shape1 = g.frame;
}

void Form2::openValueGroup(const GroupInfo& g) {
    program_.state.selectedGroup = I16(g.group);
    const bool caption = g.group == param::LfoWave || g.group == param::Transpose;
    text40 = PlainText(*ValueOfGroup(values, g.group));
    if (caption) label31 = text[static_cast<std::size_t>(FieldOfGroup(g.group))];
    frame1Visible = true;
    frame3Visible = g.panel == GroupPanel::Value;
    frame2Visible = g.panel == GroupPanel::OnOff;
    label31Visible = caption;
    resetEntryZone();
    if (caption) text40Visible = false;
    showFrame(g);
    upDown1.min = upDown2.min = g.min;
    upDown1.max = upDown2.max = g.max;
    upDown1.increment = 1;
    if (g.tenButtons) upDown2.visible = true;
    if (g.panel == GroupPanel::OnOff) option1 = values.lfoSync == 1;
}

void Form2::openColumnGroup(const GroupInfo& g) {
    program_.state.selectedGroup = I16(g.group);
    for (int i = 0; i < 6; ++i) {
        const auto row = static_cast<std::size_t>(i);
        const auto column = static_cast<std::size_t>(5 - i);
        text42[column] = chart(g.leftField)[row];
        if (g.rightField) text44[column] = chart(g.rightField)[row];
        if (g.group == 8) entry.breakPoint[row] = values.breakPoint[row + 1];
        if (g.group == 11) {
            entry.leftCurve[row] = values.leftCurve[row + 1];
            entry.rightCurve[row] = values.rightCurve[row + 1];
        }
        if (g.columnRange) {
            upDown5[row].min = upDown6[row].min = g.min;
            upDown5[row].max = upDown6[row].max = g.max;
        }
    }
    frame1Visible = true;
    frame3Visible = frame2Visible = label31Visible = false;
    resetEntryZone();
    if (g.rightField) {
        text44Visible.fill(true);
        label9Visible = label33Visible = true;
        frame5Visible = true;
        shape5Visible.fill(true);
        entry.leftActive = 1;
        entry.rightActive = 0;
        shape5Border = {true, false};
    } else {
        frame5Visible = true;
    }
    showFrame(g);
}

void Form2::openOscillatorGroup(const GroupInfo& g) {
    program_.state.selectedGroup = I16(g.group);
    frame1Visible = true;
    frame3Visible = frame2Visible = label31Visible = false;
    resetEntryZone();
    frame5Visible = frame7Visible = frame8Visible = true;
    frame9Visible.fill(true);
    for (std::size_t i = 0; i < 6; ++i) {
        entry.coarse[i] = values.freqCoarse[i + 1];
        entry.fine[i] = values.freqFine[i + 1];
        frame6Visible[i] = true;
        text42[5 - i] = chart(21)[i];
        entry.oscMode[i] = values.oscMode[i + 1] != 0 ? 1 : 0;
        option4[i] = entry.oscMode[i] == 1;
        upDown7[i].visible = upDown8[i].visible = true;
    }
    option5 = values.oscKeySync == 1;
    text40 = option5 ? "1" : "0";
    showFrame(g);
}

void Form2::openEnvelopeGroup(const GroupInfo& g) {
    program_.state.selectedGroup = I16(g.group);
    for (std::size_t i = 0; i < 6; ++i) {
        for (std::size_t c = 0; c < 8; ++c) text43[c * 6 + i] = chart(23 + static_cast<int>(c))[i];
        egRowSelected[i] = 0;
        shape3Border[i] = false;
    }
    egRowSelected[5] = 1;
    shape3Border[5] = true;
    for (int i = 0; i < 6; ++i) drawOperatorEgGraph(i);
    frame1Visible = true;
    frame3Visible = frame2Visible = label31Visible = false;
    resetEntryZone();
    for (std::size_t n = 1; n <= 6; ++n) picture2Visible[n] = true;
    frame10Visible = true;
    showFrame(g);
}

void Form2::openPitchEnvelopeGroup(const GroupInfo& g) {
    program_.state.selectedGroup = I16(g.group);
    for (std::size_t k = 1; k <= 4; ++k) {
        text41[k - 1] = PlainText(values.pegRate[k]);
        text41[k + 3] = PlainText(values.pegLevel[k]);
    }
    frame1Visible = true;
    label31Visible = frame2Visible = frame3Visible = false;
    resetEntryZone();
    frame4Visible = true;
    picture2Visible[0] = true;
    drawPitchEgGraph();
    showFrame(g);
}

void Form2::openAlgorithmGroup(const GroupInfo& g) {
    program_.state.selectedGroup = I16(g.group);
    frame1Visible = true;
    label31Visible = frame2Visible = false;
    frame3Visible = true;
    resetEntryZone();
    picture3Visible = true;
    showFrame(g);
    upDown1.min = upDown2.min = g.min;
    upDown1.max = upDown2.max = g.max;
    upDown1.increment = 1;
    upDown2.visible = true;
    text40 = PlainText(values.algorithmNo);
    picture3File = PictureFileName(values.algorithmNo);
}

// --- Name box --------------------------------------------------------------

bool Form2::text39Change(const std::string& proposed) {
    // The instrument stores ten single-byte characters 32..127; a character
    // it cannot store is refused where it is typed. Characters the voice
    // already had (from a file) may stay.
    const auto cps = CodePoints(proposed);
    if (cps.size() > kNameLength) return false;
    const auto current = CodePoints(text39);
    for (char32_t c : cps) {
        if (c >= 32 && c <= 127) continue;
        if (std::find(current.begin(), current.end(), c) == current.end()) return false;
    }
    text39 = proposed;
    return true;
}

// --- Apply -----------------------------------------------------------------

namespace {

void SendParameter(ProgramState& state, Host& host, int p, int value) {
    SendLongMessage(state, host, ParameterChangeMessage(p, value));
}

} // namespace

void Form2::command1Click() {
    const GroupInfo* g = FindGroup(selectedGroup());
    if (!frame1Visible || !g) return;
    const int group = g->group;

    // Every field is read before anything changes, so a field that is not
    // a number leaves the voice and the chart as they were.
    // The first text refused; an optional, since an empty box is refused too.
    std::optional<std::string> bad;
    const char* badMessage = form2_text::kNotANumber;
    auto refuse = [&](const std::string& s, const char* message) {
        if (bad) return;
        bad = s;
        badMessage = message;
    };
    auto number = [&](const std::string& s, int lo, int hi) {
        const auto v = WholeInteger(s, kFieldDigits);
        if (!v) {
            refuse(s, form2_text::kNotANumber);
            return lo;
        }
        return std::clamp(*v, lo, hi);
    };
    // The break point, curve and frequency columns are read in the forms
    // they show, so a text typed over them is applied, not passed over.
    auto breakPoint = [&](const std::string& s) {
        const auto v = BreakPointOfText(s);
        if (!v) refuse(s, form2_text::kNotABreakPoint);
        return v.value_or(0);
    };
    auto curve = [&](const std::string& s) {
        const auto v = CurveOfText(s);
        if (!v) refuse(s, form2_text::kNotACurve);
        return v.value_or(0);
    };

    std::vector<int> items(static_cast<std::size_t>(g->count)); // values in sending order
    switch (g->panel) {
    case GroupPanel::Envelope: {
        std::array<int, 48> grid{};
        for (std::size_t n = 0; n < 48; ++n) grid[n] = number(text43[n], 0, 99);
        if (bad) break;
        for (std::size_t n = 0; n < 48; ++n) text43[n] = PlainText(grid[n]);
        for (std::size_t i = 0; i < 6; ++i)
            for (std::size_t k = 0; k < 8; ++k) {
                const int v = grid[k * 6 + i];
                chart(23 + static_cast<int>(k))[i] = PlainText(v);
                items[8 * i + k] = v;
            }
        break;
    }
    case GroupPanel::Columns: {
        std::array<int, 6> left{}, right{};
        for (std::size_t j = 0; j < 6; ++j) {
            if (group == 8) {
                left[j] = breakPoint(text42[j]);
            } else if (group == 11) {
                left[j] = curve(text42[j]);
                right[j] = curve(text44[j]);
            } else {
                left[j] = number(text42[j], g->min, g->max);
                if (g->rightField) right[j] = number(text44[j], g->min, g->max);
            }
        }
        if (bad) break;
        for (std::size_t i = 0; i < 6; ++i) {
            const std::size_t j = 5 - i;
            if (group == 8) {
                chart(31)[i] = BreakPointText(left[j]);
                values.breakPoint[i + 1] = I16(left[i]);
            } else if (group == 11) {
                chart(32)[i] = *CurveName(left[j]);
                chart(33)[i] = *CurveName(right[j]);
                values.leftCurve[i + 1] = I16(left[i]);
                values.rightCurve[i + 1] = I16(right[i]);
            } else if (group == 20) {
                chart(22)[i] = DetuneText(left[j] + 7);
            } else {
                chart(g->leftField)[i] = PlainText(left[j]);
                if (g->rightField) chart(g->rightField)[i] = PlainText(right[j]);
            }
            items[i] = group == 20 ? left[j] + 7 : left[j];
            if (g->rightField) items[i + 6] = right[j];
        }
        // The zone shows what was applied, as the chart does.
        for (std::size_t i = 0; i < 6; ++i) {
            text42[5 - i] = chart(g->leftField)[i];
            if (g->rightField) text44[5 - i] = chart(g->rightField)[i];
        }
        for (std::size_t j = 0; j < 6; ++j) {
            if (group == 8) entry.breakPoint[j] = I16(left[j]);
            if (group == 11) {
                entry.leftCurve[j] = I16(left[j]);
                entry.rightCurve[j] = I16(right[j]);
            }
        }
        break;
    }
    case GroupPanel::Oscillator: {
        const int sync = number(text40, 0, 1);
        std::array<FrequencySetting, 6> frequency{};
        for (std::size_t j = 0; j < 6; ++j) {
            const int mode = entry.oscMode[j] != 0 ? 1 : 0;
            const auto setting = FrequencyOfText(text42[j], mode, std::clamp<int>(entry.coarse[j], 0, 31),
                                                 std::clamp<int>(entry.fine[j], 0, 99));
            if (!setting) refuse(text42[j], form2_text::kNotAFrequency);
            frequency[j] = setting.value_or(FrequencySetting{0, 0});
        }
        if (bad) break;
        for (std::size_t j = 0; j < 6; ++j) {
            values.oscMode[j + 1] = entry.oscMode[j] != 0 ? 1 : 0;
            chart(20)[5 - j] = OscModeText(values.oscMode[j + 1]);
            values.freqCoarse[j + 1] = I16(frequency[j].coarse);
            values.freqFine[j + 1] = I16(frequency[j].fine);
            entry.coarse[j] = values.freqCoarse[j + 1];
            entry.fine[j] = values.freqFine[j + 1];
            text42[j] = FrequencyText(values.oscMode[j + 1], frequency[j].coarse, frequency[j].fine);
        }
        text40 = PlainText(sync);
        option5 = sync == 1;
        for (std::size_t j = 0; j < 6; ++j) {
            const int op = 6 - static_cast<int>(j); // chart row j
            chart(21)[j] = FrequencyText(values.oscMode[op], values.freqCoarse[op], values.freqFine[op]);
        }
        values.oscKeySync = I16(sync);
        label29 = OscSyncText(values.oscKeySync);
        for (std::size_t b = 0; b < 6; ++b) {
            items[b] = values.oscMode[6 - b];
            items[b + 6] = values.freqCoarse[6 - b];
            items[b + 12] = values.freqFine[6 - b];
        }
        items[18] = values.oscKeySync;
        break;
    }
    case GroupPanel::PitchEnvelope: {
        std::array<int, 8> v{};
        for (std::size_t n = 0; n < 8; ++n) v[n] = number(text41[n], 0, 99);
        if (bad) break;
        for (std::size_t n = 0; n < 8; ++n) text41[n] = PlainText(v[n]);
        for (std::size_t k = 1; k <= 4; ++k) {
            values.pegRate[k] = I16(v[k - 1]);
            values.pegLevel[k] = I16(v[k + 3]);
            text[8 + k] = PlainText(values.pegRate[k]);
            text[12 + k] = PlainText(values.pegLevel[k]);
            items[k - 1] = values.pegRate[k];
            items[k + 3] = values.pegLevel[k];
        }
        break;
    }
    case GroupPanel::Algorithm: {
        const int no = number(text40, 1, 32);
        if (bad) break;
        text40 = PlainText(no);
        picture3File = PictureFileName(no);
        values.algorithmNo = I16(no);
        algorithmPictureFile = PictureFileName(no);
        picture1File = algorithmPictureFile;
        text8 = PlainText(no);
        items[0] = no - 1;
        break;
    }
    case GroupPanel::Value:
    case GroupPanel::OnOff: {
        const int v = number(text40, g->min, g->max);
        if (bad) break;
        text40 = PlainText(v);
        if (group == param::LfoKeySync) option1 = v == 1;
        *ValueOfGroup(values, group) = I16(v);
        std::string shown = PlainText(v);
        if (group == param::LfoKeySync) shown = LfoSyncText(v);
        if (group == param::Transpose) shown = TransposeText(v);
        if (group == param::LfoWave) {
            if (auto name = LfoWaveName(v)) values.lfoWaveText = *name;
            shown = values.lfoWaveText;
        }
        text[static_cast<std::size_t>(FieldOfGroup(group))] = shown;
        if (group == param::LfoWave || group == param::Transpose) label31 = shown;
        items[0] = v;
        break;
    }
    }
    if (bad) {
        ShowMessage(program_.host, std::string(badMessage) + "「" + *bad + "」");
        return;
    }

    ProgramState& state = program_.state;
    std::vector<std::pair<int, int>> messages;
    for (int n = 0; n < g->count; ++n) {
        const int p = GroupParameter(group, n);
        const int v = std::clamp(items[static_cast<std::size_t>(n)], 0, ParamMax(p));
        state.editBuffer[ParamPos(p)] = static_cast<Byte>(v);
        messages.emplace_back(p, v);
    }
    // Each send passes through the message loop; the list is local, so a
    // handler that runs meanwhile cannot change what this click sends. A
    // cancel run there has sent the unedited voice: nothing more may follow.
    const unsigned session = session_;
    for (const auto& [p, v] : messages) {
        if (session_ != session) return;
        SendParameter(state, program_.host, p, v);
    }
    if (session_ == session && text39 != loadedName) sendName(session);
}

bool Form2::sendName(unsigned session) {
    ProgramState& state = program_.state;
    const auto cps = CodePoints(text39);
    std::array<int, kNameLength> codes{};
    for (std::size_t c = 0; c < kNameLength; ++c) {
        codes[c] = c < cps.size() ? static_cast<int>(NameCode(cps[c])) : 32;
        state.editBuffer[kNamePos + c] = static_cast<Byte>(codes[c]);
    }
    for (std::size_t c = 0; c < kNameLength; ++c) {
        if (session_ != session) return false;
        SendParameter(state, program_.host, param::Name1 + static_cast<int>(c), codes[c]);
    }
    return true;
}

// --- Commands ----------------------------------------------------------------

void Form2::command2Click(int index) {
    switch (index) {
    case 0: initialise(); break;
    case 1: endEditing(); break;
    case 2: saveToFile(); break;
    case 3: cancelEditing(); break;
    case 4:
        if (printWindow) printWindow();
        break;
    case 5:
        program_.host.showHelp(program_.state.programFolder / form2_text::kHelpFile, form2_text::kHelpTopic);
        break;
    default: break;
    }
}

void Form2::queryUnload(int reason) {
    if (reason == 0) cancelEditing();
}

void Form2::initialise() {
    ProgramState& state = program_.state;
    const std::filesystem::path file = state.programFolder.empty()
                                           ? std::filesystem::path(form2_text::kInitFile)
                                           : state.programFolder / form2_text::kInitFile;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        ShowMessage(program_.host, form2_text::kInitMissing);
        return;
    }
    std::array<Byte, kChecksumPos> bytes{}; // positions 0..160
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() < static_cast<std::streamsize>(bytes.size())) {
        ShowMessage(program_.host, form2_text::kInitShort);
        return;
    }
    // The initial voice replaces every edit: ask unless they are stored.
    if (mainWindow_.editAreaChanged() || nameEdited()) {
        MessageBoxSpec box;
        box.text = form2_text::kInitQuestion;
        box.buttons = MsgButtons::YesNo;
        box.icon = MsgIcon::Question;
        box.title = form2_text::kInitQuestionTitle;
        if (program_.host.messageBox(box) != MsgResult::Yes) return;
    }
    Slot& slot0 = state.voiceTable[0];
    std::copy(bytes.begin(), bytes.end(), slot0.begin());
    state.slotText[0] = " 0. " + VoiceName(slot0);
    state.currentSlot = 0;
    mainWindow_.setEditAreaText(state.slotText[0]);
    state.editBuffer = slot0;
    mainWindow_.editAreaStored();
    SendCurrentVoice(state, program_.host);
    load();
}

void Form2::endEditing() {
    ProgramState& state = program_.state;
    if (text39 != loadedName) {
        // The texts change once the name is in the EditBuffer and sent: a
        // cancel run while it is sending restores the old name, and the
        // edit area must keep naming the voice it holds.
        const std::string named = label34 + text39;
        if (!sendName(session_)) return; // closed meanwhile by another handler
        state.slotText.at(static_cast<std::size_t>(state.currentSlot)) = named;
        mainWindow_.setEditAreaText(named);
    }
    ++session_;
    open_ = false;
    mainWindow_.setEnabled(true);
    program_.host.closeWindow(WindowId::Form2);
}

void Form2::saveToFile() {
    // The dialog opens with the editor's name already in its name box, so
    // the user sees what will be saved.
    windows_.prepareVoiceSave(text39);
    program_.host.showWindowModal(WindowId::Form5);
    // The dialog enables the main window as it closes; the editor is still
    // open, so the main window stays disabled.
    mainWindow_.setEnabled(false);
}

void Form2::cancelEditing() {
    ++session_;
    open_ = false;
    // Every edit of this session goes, from the EditBuffer as well as from
    // the DX7, so a later write or save cannot store what was cancelled.
    program_.state.editBuffer = opened_;
    mainWindow_.sendEditArea();
    mainWindow_.setEnabled(true);
    program_.host.closeWindow(WindowId::Form2);
}

} // namespace vox
