#include "editor/form2.h"

#include "editor/voice_sheet.h"

#include "common/program_folders.h"
#include "midi/midi_output.h"
#include "voice/display_conversions.h"
#include "voice/dx7_messages.h"
#include "voice/text.h"
#include "workspace/unwritten.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

namespace vox {

namespace {

// A field's number has at most five digits; a longer one is not a number.
constexpr std::size_t kFieldDigits = 5;

std::int16_t I16(int v) { return static_cast<std::int16_t>(v); }

// A name character as a data byte: a character beyond 127 (only one kept
// from a file can be there) loses bit 7, as every voice dump drops it.
char32_t NameCode(char32_t c) { return c & 0x7F; }

} // namespace

// --- Load ------------------------------------------------------------------

int Form2::selectedGroup() const { return program_.state.selectedGroup; }

std::string Form2::PictureFileName(int algorithmNo) { return "alg" + std::to_string(algorithmNo) + ".jpg"; }

std::filesystem::path Form2::picturePath(const std::string &file) const {
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
    showEditArea();
    opened_ = program_.workspace.editBuffer();
    open_ = true;
}

void Form2::compareClick() {
    if (open_) SetCompare(program_.state, program_.host, program_.workspace, !program_.workspace.comparing());
}

bool Form2::comparing() const { return program_.workspace.comparing(); }

void Form2::sheetClick() {
    if (!open_ || !chooseSheetFile) return;
    std::string proposed = text39.substr(0, text39.find_last_not_of(' ') + 1);
    for (char &c : proposed)
        if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) c = '_';
    const auto file = chooseSheetFile((proposed.empty() ? std::string("voice") : proposed) + ".pdf");
    if (!file) return;
    if (WriteVoiceSheet(program_.workspace.editBuffer(), *file).empty()) return;
    MessageBoxSpec box;
    box.title = form2_text::kSheetTitle;
    std::string text = form2_text::kSheetFailed;
    text.replace(text.find("%F"), 2, *file);
    box.text = text;
    box.icon = MsgIcon::Exclamation;
    program_.host.messageBox(box);
}

void Form2::exploreClick() {
    if (open_) windows_.openExplore();
}

void Form2::undoClick() { stepHistory(false); }
void Form2::redoClick() { stepHistory(true); }

void Form2::stepHistory(bool redo) {
    if (!open_ || !StepHistory(program_.state, program_.host, program_.workspace, redo)) return;
    // The chart and the zone show the step; a cancel still goes back to the
    // voice the editor opened with.
    showEditArea();
}

void Form2::showEditArea() {
    ++session_;
    frame1Visible = false;
    shape1Border = false;
    resetEntryZone();
    zoneName.clear();
    zoneShown_.reset();

    // The edit area, not the slot CurrentSlot names: after a bank load or
    // receive that slot may hold another voice, and an ended edit (a new
    // name included) lives only in the EditBuffer and the edit-area text.
    const Workspace &workspace = program_.workspace;
    auto cps = CodePoints(workspace.editAreaText());
    std::size_t first = 4;
    while (first < cps.size() && cps[first] == U' ')
        ++first;
    // The name as the instrument is sent it: no character beyond 127.
    for (std::size_t c = first; c < cps.size(); ++c)
        cps[c] = NameCode(cps[c]);
    text39 = Utf8Of(cps, first, cps.size());
    loadedName = text39;
    label34 = Utf8Of(cps, 0, 4);

    const Slot &voice = workspace.editBuffer();
    for (std::size_t n = 0; n < 12; ++n)
        noteNames[n] = kNoteNames[n];
    // Every parameter is shown by its group, read through the one rule.
    for (const GroupInfo &g : kGroups) {
        std::vector<int> items(static_cast<std::size_t>(g.count));
        for (int n = 0; n < g.count; ++n) {
            const int p = GroupParameter(g, n);
            items[static_cast<std::size_t>(n)] = ParamValue(p, voice[ParamPos(p)]);
        }
        showInChart(g, items);
    }
}

// --- Group openings ----------------------------------------------------------

Form2::ZoneValues Form2::zoneValues() const {
    return {text40,           option1,       option5,      text42,           text44,
            option4,          text43,        text41,       entry.breakPoint, entry.leftCurve,
            entry.rightCurve, entry.oscMode, entry.coarse, entry.fine};
}

bool Form2::zonePending() const {
    return open_ && frame1Visible && zoneShown_ && *zoneShown_ != zoneValues();
}

bool Form2::settleZone() {
    if (!zonePending()) return true;
    MessageBoxSpec box;
    box.text = form2_text::kZoneQuestion;
    box.buttons = MsgButtons::YesNoCancel;
    box.icon = MsgIcon::Question;
    box.title = form2_text::kFrame1;
    // Applying loses nothing and can be undone; Return takes it.
    box.defaultButton = MsgResult::Yes;
    switch (program_.host.messageBox(box)) {
    case MsgResult::Yes: {
        const unsigned session = session_;
        command1Click();
        // A field that could not be applied keeps the zone open on it; a
        // handler run while sending may have closed the editor.
        return session == session_ && open_ && !zonePending();
    }
    case MsgResult::No:
        return true;
    default:
        return false;
    }
}

void Form2::controlClick(std::string_view controlName) {
    const int group = GroupOfControl(controlName);
    if (group >= 0) openGroup(group);
}

void Form2::openGroup(int group) {
    if (const GroupInfo *g = FindGroup(group)) openGroup(*g);
}

// The steps every group shares, in order; the panel's own values and
// controls come from its opening below.
void Form2::openGroup(const GroupInfo &g) {
    if (!settleZone()) return;
    program_.state.selectedGroup = I16(g.group);
    frame1Visible = true;
    frame3Visible = g.panel == GroupPanel::Value || g.panel == GroupPanel::Algorithm;
    frame2Visible = g.panel == GroupPanel::OnOff;
    label31Visible = HasCaption(g);
    resetEntryZone();
    switch (g.panel) {
    case GroupPanel::Envelope:
        openEnvelopeGroup(g);
        break;
    case GroupPanel::PitchEnvelope:
        openPitchEnvelopeGroup(g);
        break;
    case GroupPanel::Algorithm:
        openAlgorithmGroup(g);
        break;
    case GroupPanel::Value:
    case GroupPanel::OnOff:
        openValueGroup(g);
        break;
    case GroupPanel::Columns:
        openColumnGroup(g);
        break;
    case GroupPanel::Oscillator:
        openOscillatorGroup(g);
        break;
    }
    upDown2.visible = g.tenStep != 0;
    shape1Border = true;
    shape1 = g.frame;
    zoneName = GroupName(g.id);
    zoneShown_ = zoneValues();
}

void Form2::openValueGroup(const GroupInfo &g) {
    text40 = PlainText(values.*g.value);
    if (HasCaption(g)) label31 = chartField(g, 0);
    text40Visible = !HasCaption(g);
    upDown1.min = upDown2.min = g.min;
    upDown1.max = upDown2.max = g.max;
    upDown1.increment = 1;
    if (g.panel == GroupPanel::OnOff) option1 = values.*g.value == 1;
}

void Form2::openAlgorithmGroup(const GroupInfo &g) {
    openValueGroup(g);
    picture3Visible = true;
    picture3File = PictureFileName(values.algorithmNo);
}

void Form2::openColumnGroup(const GroupInfo &g) {
    for (int n = 0; n < g.count; ++n) {
        zoneBox(g, n) = chartField(g, n);
        if (std::int16_t *e = entryValue(g, n)) *e = *editorValue(g, n);
    }
    for (std::size_t j = 0; j < 6 && g.rangeToButtons; ++j) {
        upDown5[j].min = upDown6[j].min = g.min;
        upDown5[j].max = upDown6[j].max = g.max;
    }
    frame5Visible = true;
    if (!g.twoRows) return;
    text44Visible.fill(true);
    label9Visible = label33Visible = true;
    shape5Visible.fill(true);
    entry.leftActive = 1;
    entry.rightActive = 0;
    shape5Border = {true, false};
}

void Form2::openOscillatorGroup(const GroupInfo &g) {
    frame5Visible = frame7Visible = frame8Visible = true;
    frame9Visible.fill(true);
    for (std::size_t i = 0; i < 6; ++i) {
        entry.coarse[i] = values.freqCoarse[i + 1];
        entry.fine[i] = values.freqFine[i + 1];
        entry.oscMode[i] = values.oscMode[i + 1] != 0 ? 1 : 0;
        option4[i] = entry.oscMode[i] == 1;
        text42[5 - i] = chart(g.leftField)[i];
        frame6Visible[i] = upDown7[i].visible = upDown8[i].visible = true;
    }
    option5 = values.*g.value == 1;
    text40 = PlainText(values.*g.value);
}

void Form2::openEnvelopeGroup(const GroupInfo &g) {
    for (int n = 0; n < g.count; ++n)
        zoneBox(g, n) = chartField(g, n);
    egRowSelected.fill(0);
    shape3Border.fill(false);
    egRowSelected[5] = 1; // operator 1 alone
    shape3Border[5] = true;
    for (int i = 0; i < 6; ++i)
        drawOperatorEgGraph(i);
    for (std::size_t n = 1; n <= 6; ++n)
        picture2Visible[n] = true;
    frame10Visible = true;
}

void Form2::openPitchEnvelopeGroup(const GroupInfo &g) {
    for (int n = 0; n < g.count; ++n)
        zoneBox(g, n) = PlainText(*editorValue(g, n));
    frame4Visible = picture2Visible[0] = true;
    drawPitchEgGraph();
}

// --- Where a group's items live ------------------------------------------------

// Items are numbered in sending order (GroupParameter); per operator the
// item's voice-data block b is chart row b and entry column 5 - b. The
// oscillator's mode, coarse and fine share one frequency box and field per
// column, which its first six items name; its own routines place the rest.
std::string &Form2::zoneBox(const GroupInfo &g, int n) {
    const auto u = static_cast<std::size_t>(n);
    switch (g.panel) {
    case GroupPanel::Envelope:
        return text43[(u % 8) * 6 + u / 8]; // grid column k, row block
    case GroupPanel::PitchEnvelope:
        return text41[u];
    case GroupPanel::Columns:
    case GroupPanel::Oscillator:
        return (n < 6 ? text42 : text44)[5 - u % 6];
    default:
        return text40;
    }
}

std::string &Form2::chartField(const GroupInfo &g, int n) {
    const auto u = static_cast<std::size_t>(n);
    switch (g.panel) {
    case GroupPanel::Envelope:
        return chart(g.leftField + n % 8)[u / 8];
    case GroupPanel::PitchEnvelope:
        return text[static_cast<std::size_t>(g.leftField) + u];
    case GroupPanel::Columns:
    case GroupPanel::Oscillator:
        return chart(n < 6 ? g.leftField : g.rightField)[u % 6];
    case GroupPanel::Algorithm:
        return text8;
    default:
        return text[static_cast<std::size_t>(g.leftField)];
    }
}

std::int16_t *Form2::editorValue(const GroupInfo &g, int n) {
    const auto op = static_cast<std::size_t>(6 - n % 6);
    switch (g.panel) {
    case GroupPanel::PitchEnvelope:
        return n < 4 ? &values.pegRate[static_cast<std::size_t>(n + 1)]
                     : &values.pegLevel[static_cast<std::size_t>(n - 3)];
    case GroupPanel::Columns:
        if (g.field == ColumnField::BreakPoint) return &values.breakPoint[op];
        if (g.field == ColumnField::Curves) return n < 6 ? &values.leftCurve[op] : &values.rightCurve[op];
        return nullptr;
    case GroupPanel::Envelope:
    case GroupPanel::Oscillator:
        return nullptr;
    default:
        return &(values.*g.value);
    }
}

std::int16_t *Form2::entryValue(const GroupInfo &g, int n) {
    const auto column = static_cast<std::size_t>(5 - n % 6);
    if (g.panel != GroupPanel::Columns) return nullptr;
    if (g.field == ColumnField::BreakPoint) return &entry.breakPoint[column];
    if (g.field == ColumnField::Curves) return n < 6 ? &entry.leftCurve[column] : &entry.rightCurve[column];
    return nullptr;
}

// --- Name box --------------------------------------------------------------

bool Form2::text39Change(const std::string &proposed) {
    // The instrument stores ten single-byte characters 32..127; a character
    // it cannot store is refused where it is typed. Characters the voice
    // already had (from a file) may stay.
    // Any length is taken; the first ten characters are what is sent.
    const auto cps = CodePoints(proposed);
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

void SendParameter(ProgramState &state, Host &host, int p, int value) {
    SendLongMessage(state, host, ParameterChangeMessage(p, value));
}

} // namespace

namespace {

// The zone's boxes are read in their own order (the grid column by column,
// the operator columns left to right), so the first text refused is the
// first one in the zone. The item in sending order read m-th:
int ItemInZoneOrder(const GroupInfo &g, int m) {
    switch (g.panel) {
    case GroupPanel::Envelope:
        return (m % 6) * 8 + m / 6;
    case GroupPanel::Columns: {
        const int rows = g.twoRows ? 2 : 1;
        return (m % rows) * 6 + 5 - m / rows;
    }
    default:
        return m;
    }
}

} // namespace

void Form2::command1Click() {
    const GroupInfo *g = FindGroup(selectedGroup());
    if (!frame1Visible || !g) return;
    // Every field is read before anything changes, so a field that cannot
    // be applied leaves the voice and the chart as they were.
    std::vector<int> items(static_cast<std::size_t>(g->count)); // values in sending order
    if (!readZone(*g, items)) return;
    showInChart(*g, items);
    showInZone(*g, items);
    zoneShown_ = zoneValues();
    sendGroup(*g, items);
}

bool Form2::readZone(const GroupInfo &g, std::vector<int> &items) {
    if (g.panel == GroupPanel::Oscillator) return readOscillator(items);
    for (int m = 0; m < g.count; ++m) {
        const int n = ItemInZoneOrder(g, m);
        const std::string &s = zoneBox(g, n);
        // The break point and curve columns are read in the forms they
        // show, so a text typed over them is applied, not passed over.
        std::optional<int> v;
        Text refusal = form2_text::kNotANumber;
        // A value outside its range that the user left as it is shown stays
        // as it is: only a value the user changes is held to the range.
        const int p = GroupParameter(g, n);
        const int current = ParamValue(p, program_.workspace.editBuffer()[ParamPos(p)]);
        const bool untouched = s == ShownText(g, current) || s == PlainText(current - g.offset);
        if (!ParamInRange(p, current) && untouched) {
            v = current;
        } else if (g.display == Display::BreakPoint) {
            v = BreakPointOfText(s);
            refusal = form2_text::kNotABreakPoint;
        } else if (g.display == Display::Curve) {
            v = CurveOfText(s);
            refusal = form2_text::kNotACurve;
        } else if (const auto number = WholeInteger(s, kFieldDigits)) {
            v = std::clamp(*number, g.min, g.max) + g.offset;
        }
        if (!v) {
            ShowMessage(program_.host, refusal + Tr("「") + s + Tr("」"));
            return false;
        }
        items[static_cast<std::size_t>(n)] = *v;
    }
    return true;
}

bool Form2::readOscillator(std::vector<int> &items) {
    const auto sync = WholeInteger(text40, kFieldDigits);
    if (!sync) {
        ShowMessage(program_.host, form2_text::kNotANumber + Tr("「") + text40 + Tr("」"));
        return false;
    }
    const Slot &voice = program_.workspace.editBuffer();
    for (std::size_t j = 0; j < 6; ++j) {
        const std::size_t b = 5 - j; // the block of column j
        const int mode = entry.oscMode[j] != 0 ? 1 : 0;
        // A frequency outside its range left as it is shown stays as it is.
        const int op = static_cast<int>(j) + 1;
        const int oldMode = ParamValue(0, voice[ParamPos(OpParamNumber(op, OpParam::OscMode))]);
        const int oldCoarse = ParamValue(0, voice[ParamPos(OpParamNumber(op, OpParam::FreqCoarse))]);
        const int oldFine = ParamValue(0, voice[ParamPos(OpParamNumber(op, OpParam::FreqFine))]);
        const bool outside = oldMode > 1 || oldCoarse > 31 || oldFine > 99;
        if (outside && text42[j] == FrequencyText(oldMode, oldCoarse, oldFine) &&
            mode == (oldMode != 0 ? 1 : 0)) {
            items[b] = oldMode;
            items[b + 6] = oldCoarse;
            items[b + 12] = oldFine;
            continue;
        }
        const auto setting = FrequencyOfText(text42[j], mode, std::clamp<int>(entry.coarse[j], 0, 31),
                                             std::clamp<int>(entry.fine[j], 0, 99));
        if (!setting) {
            ShowMessage(program_.host, form2_text::kNotAFrequency + Tr("「") + text42[j] + Tr("」"));
            return false;
        }
        items[b] = mode;
        items[b + 6] = setting->coarse;
        items[b + 12] = setting->fine;
    }
    const int oldSync = ParamValue(param::OscKeySync, voice[ParamPos(param::OscKeySync)]);
    items[18] = oldSync > 1 && *sync == oldSync ? oldSync : std::clamp(*sync, 0, 1);
    return true;
}

void Form2::showInChart(const GroupInfo &g, const std::vector<int> &items) {
    if (g.panel == GroupPanel::Oscillator) return showOscillatorInChart(items);
    for (int n = 0; n < g.count; ++n) {
        const int v = items[static_cast<std::size_t>(n)];
        const auto shown = ShownText(g, v);
        if (shown) chartField(g, n) = *shown;
        if (std::int16_t *e = editorValue(g, n)) *e = I16(v - g.offset);
        if (g.display == Display::LfoWave && shown) values.lfoWaveText = *shown;
    }
    if (g.panel == GroupPanel::Algorithm) {
        algorithmPictureFile = PictureFileName(values.algorithmNo);
        picture1File = algorithmPictureFile;
    }
}

void Form2::showOscillatorInChart(const std::vector<int> &items) {
    for (std::size_t b = 0; b < 6; ++b) {
        const std::size_t op = 6 - b; // chart row b
        values.oscMode[op] = I16(items[b]);
        values.freqCoarse[op] = I16(items[b + 6]);
        values.freqFine[op] = I16(items[b + 12]);
        chart(20)[b] = OscModeText(values.oscMode[op]);
        chart(21)[b] = FrequencyText(values.oscMode[op], values.freqCoarse[op], values.freqFine[op]);
    }
    values.oscKeySync = I16(items[18]);
    label29 = OscSyncText(values.oscKeySync);
}

// The zone shows what was applied, as the chart does; the value box keeps
// the plain number.
void Form2::showInZone(const GroupInfo &g, const std::vector<int> &items) {
    switch (g.panel) {
    case GroupPanel::Oscillator:
        for (std::size_t j = 0; j < 6; ++j) {
            entry.coarse[j] = values.freqCoarse[j + 1];
            entry.fine[j] = values.freqFine[j + 1];
            text42[j] = chart(g.leftField)[5 - j];
        }
        text40 = PlainText(values.oscKeySync);
        option5 = values.oscKeySync == 1;
        return;
    case GroupPanel::Value:
    case GroupPanel::OnOff:
    case GroupPanel::Algorithm:
        text40 = PlainText(items[0] - g.offset);
        if (HasCaption(g)) label31 = chartField(g, 0);
        if (g.panel == GroupPanel::OnOff) option1 = items[0] == 1;
        if (g.panel == GroupPanel::Algorithm) picture3File = algorithmPictureFile;
        return;
    default:
        for (int n = 0; n < g.count; ++n) {
            zoneBox(g, n) = chartField(g, n);
            if (std::int16_t *e = entryValue(g, n)) *e = I16(items[static_cast<std::size_t>(n)]);
        }
    }
}

void Form2::sendGroup(const GroupInfo &g, const std::vector<int> &items) {
    ProgramState &state = program_.state;
    // A change leaves COMPARE: the instrument is given the edit again first.
    SetCompare(state, program_.host, program_.workspace, false);
    const HistoryStep oneStep(program_.workspace); // a click of 変更 is undone whole
    std::vector<std::pair<int, int>> messages;
    for (int n = 0; n < g.count; ++n) {
        const int p = GroupParameter(g, n);
        // Typed and stepped values are already within range; a value the
        // user left as the voice had it goes out as it was.
        messages.emplace_back(p, items[static_cast<std::size_t>(n)] & 0x7F);
    }
    // Each send passes through the message loop; the list is local, so a
    // handler that runs meanwhile cannot change what this click sends. Each
    // value enters the EditBuffer as it is sent, so an end or a cancel run
    // there leaves the EditBuffer and the instrument holding the same voice.
    const unsigned session = session_;
    for (const auto &[p, v] : messages) {
        if (session_ != session) return;
        program_.workspace.setParameter(p, static_cast<Byte>(v));
        SendParameter(state, program_.host, p, v);
    }
    if (session_ == session && text39 != loadedName) sendName(session);
}

bool Form2::sendName(unsigned session) {
    ProgramState &state = program_.state;
    const auto cps = CodePoints(text39);
    std::array<int, kNameLength> codes{};
    std::array<Byte, kNameLength> name{};
    for (std::size_t c = 0; c < kNameLength; ++c) {
        codes[c] = c < cps.size() ? static_cast<int>(NameCode(cps[c])) : 32;
        name[c] = static_cast<Byte>(codes[c]);
    }
    program_.workspace.setName(name);
    for (std::size_t c = 0; c < kNameLength; ++c) {
        if (session_ != session) return false;
        SendParameter(state, program_.host, param::Name1 + static_cast<int>(c), codes[c]);
    }
    return true;
}

// --- Commands ----------------------------------------------------------------

void Form2::command2Click(int index) {
    switch (index) {
    case 0:
        initialise();
        break;
    case 1:
        if (settleZone()) endEditing();
        break;
    case 2:
        if (settleZone()) saveToFile();
        break;
    case 3:
        cancelEditing();
        break;
    case 4:
        if (printWindow) printWindow();
        break;
    case 5:
        program_.host.showHelp(program_.state.programFolder / form2_text::kHelpFile, form2_text::kHelpTopic);
        break;
    default:
        break;
    }
}

void Form2::queryUnload(int reason) {
    if (reason == 0) cancelEditing();
}

void Form2::initialise() {
    ProgramState &state = program_.state;
    const std::filesystem::path file = UserOrProgramFile(state, form2_text::kInitFile);
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        ShowMessage(program_.host, form2_text::kInitMissing);
        return;
    }
    std::array<Byte, kChecksumPos> bytes{}; // positions 0..160
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() < static_cast<std::streamsize>(bytes.size())) {
        ShowMessage(program_.host, form2_text::kInitShort);
        return;
    }
    // The initial voice replaces every edit: ask unless they are stored.
    if (mainWindow_.editAreaUnwritten()) {
        MessageBoxSpec box;
        box.text = form2_text::kInitQuestion;
        box.buttons = MsgButtons::YesNo;
        box.icon = MsgIcon::Question;
        box.title = form2_text::kInitQuestionTitle;
        box.defaultButton = MsgResult::No;
        if (program_.host.messageBox(box) != MsgResult::Yes) return;
    }
    program_.workspace.placeVoice(bytes);
    SendEditArea(state, program_.host, program_.workspace);
    load();
}

void Form2::endEditing() {
    // The edit area names what the EditBuffer holds, so it shows the new
    // name once it is there and sent.
    if (text39 != loadedName && !sendName(session_)) return; // closed meanwhile by another handler
    ++session_;
    open_ = false;
    windows_.closeExplore();
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
    windows_.closeExplore();
    // Every edit of this session goes, from the EditBuffer as well as from
    // the DX7, so a later write or save cannot store what was cancelled.
    program_.workspace.restoreEditBuffer(opened_);
    SendEditArea(program_.state, program_.host, program_.workspace);
    mainWindow_.setEnabled(true);
    program_.host.closeWindow(WindowId::Form2);
}

} // namespace vox
