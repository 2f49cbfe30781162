// The editor's Data Entry Zone driven by arbitrary input: a voice as a file
// may hold it (any byte values), a group opened, the entry boxes filled
// with arbitrary text, step buttons pressed, then 変更. Whatever was typed,
// only well-formed parameter changes within each parameter's range may
// leave the program, and only for the parameters of the open group.
#include "editor/form2.h"
#include "fuzz_check.h"
#include "test_support.h"
#include "voice/bank_format.h"
#include "voice/init_voice.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace {

using namespace vox;

using fuzz::Check;

// A box refusing a field: not a number, or no break point, curve or frequency.
bool IsNotANumberBox(const MessageBoxSpec &box) {
    for (const Text &refusal : {form2_text::kNotANumber, form2_text::kNotABreakPoint, form2_text::kNotACurve,
                                form2_text::kNotAFrequency})
        if (box.text.rfind(refusal.c_str(), 0) == 0) return true;
    return false;
}

// The messages of one 変更: count them and check each against the group.
// `before` is the EditBuffer as the click found it: a value outside its
// range that the user left untouched goes out as the voice had it.
void CheckApply(test::ProgramFixture &f, const Slot &before, std::size_t firstMessage, std::size_t firstBox,
                int group) {
    const GroupInfo *g = FindGroup(group);
    Check(g != nullptr, "a group outside the table is open");
    std::set<int> allowed;
    for (int n = 0; n < g->count; ++n)
        allowed.insert(GroupParameter(group, n));
    bool refused = false;
    for (std::size_t b = firstBox; b < f.host.boxes.size(); ++b)
        refused |= IsNotANumberBox(f.host.boxes[b]);

    std::size_t groupMessages = 0, nameMessages = 0;
    for (std::size_t m = firstMessage; m < f.out.sent.size(); ++m) {
        const auto &msg = f.out.sent[m];
        Check(msg.size() == 7, "parameter change not 7 bytes");
        Check(msg[0] == kSysExStart && msg[1] == kYamahaId && msg[2] == 0x10 && msg[6] == kSysExEnd,
              "parameter change frame");
        for (std::size_t i = 1; i < 6; ++i)
            Check(msg[i] <= 0x7F, "data byte above 7F");
        Check(msg[3] <= 1, "parameter group byte");
        const int p = msg[3] * 128 + msg[4];
        Check(p >= 0 && p < static_cast<int>(kParamCount), "parameter number out of range");
        Check(msg[5] <= ParamMax(p) || msg[5] == ParamValue(p, before[ParamPos(p)]),
              "value above the parameter's range, and not the voice's own");
        Check(f.ws.editBuffer()[ParamPos(p)] == msg[5] ||
                  std::count_if(f.out.sent.begin() + static_cast<long>(m) + 1, f.out.sent.end(),
                                [&](const auto &later) {
                                    return later.size() == 7 && later[3] * 128 + later[4] == p;
                                }) > 0,
              "edit buffer differs from what was sent");
        if (p >= param::Name1) {
            ++nameMessages;
        } else {
            Check(allowed.count(p) == 1, "a parameter outside the open group was sent");
            ++groupMessages;
        }
    }
    if (refused) {
        Check(groupMessages == 0 && nameMessages == 0, "something sent although a field was refused");
    } else {
        Check(groupMessages == static_cast<std::size_t>(g->count),
              "not every parameter of the group was sent");
        Check(nameMessages == 0 || nameMessages == kNameLength, "a partial name was sent");
    }
}

void CheckVoiceDump(const std::vector<Byte> &m) {
    Check(m.size() == kImageSize, "voice dump length");
    Check(std::equal(kVoiceHeader.begin(), kVoiceHeader.end(), m.begin()), "voice dump header");
    for (std::size_t i = 1; i + 1 < m.size(); ++i)
        Check(m[i] <= 0x7F, "voice dump byte above 7F");
    Check(m[kChecksumPos] == ChecksumOf(std::span<const Byte>(m.data() + kParamBase, kParamCount)),
          "voice dump checksum");
    Check(m[kEndPos] == kSysExEnd, "voice dump end");
}

// A number as a person types it: blanks around, an optional sign, digits.
std::optional<int> PlainNumber(const std::string &t) {
    // Blanks are spaces and tabs: a value pasted from a table may bring a tab.
    const auto first = t.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    const std::string s = t.substr(first, t.find_last_not_of(" \t") - first + 1);
    const std::size_t digits = (s[0] == '+' || s[0] == '-') ? 1 : 0;
    if (s.size() == digits || s.size() - digits > 5) return std::nullopt;
    if (s.find_first_not_of("0123456789", digits) != std::string::npos) return std::nullopt;
    const int v = std::stoi(s.substr(digits));
    return s[0] == '-' ? -v : v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    test::ProgramFixture f;
    f.host.tick = 0.001;
    f.out.open();
    Form2 &form = f.program.form2;

    // The voice: the initial one, or one with arbitrary parameter bytes.
    Slot voice = InitialVoice();
    if (in.ConsumeBool()) {
        const auto bytes = in.ConsumeBytes<Byte>(kParamCount);
        std::copy(bytes.begin(), bytes.end(), voice.begin() + kParamBase);
    }
    const int slot = in.ConsumeIntegralInRange<int>(0, 32);
    test::SeedBank(f.ws, [&](int n) { return n == slot ? voice : Slot{}; });
    if (slot == 0)
        f.ws.placeVoice(voice);
    else
        f.ws.placeEntry(slot);
    form.load();

    const auto &groups = GroupTable();
    auto pickGroup = [&] {
        return groups[in.ConsumeIntegralInRange<std::size_t>(0, groups.size() - 1)].group;
    };
    form.openGroup(pickGroup());
    f.out.sent.clear();

    auto text = [&] { return in.ConsumeRandomLengthString(24); };
    auto column = [&] { return in.ConsumeIntegralInRange<int>(0, 5); };
    auto apply = [&] {
        const std::size_t firstMessage = f.out.sent.size(), firstBox = f.host.boxes.size();
        const int group = form.selectedGroup();
        const std::string typed = form.text40;
        const Slot before = f.ws.editBuffer();
        form.command1Click();
        CheckApply(f, before, firstMessage, firstBox, group);
        // The value box: what was typed, kept inside the group's range.
        const GroupInfo *g = FindGroup(group);
        if (g && (g->panel == GroupPanel::Value || g->panel == GroupPanel::Algorithm) &&
            f.out.sent.size() > firstMessage) {
            const auto n = PlainNumber(typed);
            Check(n.has_value(), "a value box that is not a number was applied");
            const int expected = std::clamp(*n, g->min, g->max) - (g->panel == GroupPanel::Algorithm ? 1 : 0);
            const int first = GroupParameter(group, 0);
            const int was = ParamValue(first, before[ParamPos(first)]);
            const bool keptAsItWas = !ParamInRange(first, was) && f.out.sent[firstMessage][5] == was;
            Check(keptAsItWas || f.out.sent[firstMessage][5] == expected,
                  "the value sent is not the value typed");
        }
    };

    for (int action = 0; action < 96 && in.remaining_bytes() > 0; ++action) {
        switch (in.ConsumeIntegralInRange<int>(0, 40)) {
        case 0:
            form.text40 = text();
            form.text40Change();
            break;
        case 1:
            form.text42[static_cast<std::size_t>(column())] = text();
            break;
        case 2:
            form.text44[static_cast<std::size_t>(column())] = text();
            break;
        case 3:
            form.text43[in.ConsumeIntegralInRange<std::size_t>(0, 47)] = text();
            break;
        case 4:
            form.text41[in.ConsumeIntegralInRange<std::size_t>(0, 7)] = text();
            break;
        case 5:
            form.text39Change(text());
            break;
        case 6:
            form.upDown1Up();
            break;
        case 7:
            form.upDown1Down();
            break;
        case 8:
            form.upDown2Up();
            break;
        case 9:
            form.upDown2Down();
            break;
        case 10:
            form.option1Click();
            break;
        case 11:
            form.option2Click();
            break;
        case 12:
            form.option3Click(column());
            break;
        case 13:
            form.option4Click(column());
            break;
        case 14:
            form.option5Click();
            break;
        case 15:
            form.option6Click();
            break;
        case 16:
            form.label33Click();
            break;
        case 17:
            form.label9Click();
            break;
        case 18:
            form.upDown5Up(column());
            break;
        case 19:
            form.upDown5Down(column());
            break;
        case 20:
            form.upDown6Up(column());
            break;
        case 21:
            form.upDown6Down(column());
            break;
        case 22:
            form.upDown7Up(column());
            break;
        case 23:
            form.upDown7Down(column());
            break;
        case 24:
            form.upDown8Up(column());
            break;
        case 25:
            form.upDown8Down(column());
            break;
        case 26:
            form.label7Click(column());
            break;
        case 27:
            form.upDown9Up(in.ConsumeIntegralInRange<int>(0, 7));
            break;
        case 28:
            form.upDown9Down(in.ConsumeIntegralInRange<int>(0, 7));
            break;
        case 29:
            form.upDown10Up(in.ConsumeIntegralInRange<int>(0, 7));
            break;
        case 30:
            form.upDown10Down(in.ConsumeIntegralInRange<int>(0, 7));
            break;
        case 31:
            form.upDown3Up(in.ConsumeIntegralInRange<int>(0, 7));
            break;
        case 32:
            form.upDown3Down(in.ConsumeIntegralInRange<int>(0, 7));
            break;
        case 33:
            form.upDown4Up(in.ConsumeIntegralInRange<int>(0, 7));
            break;
        case 34:
            form.upDown4Down(in.ConsumeIntegralInRange<int>(0, 7));
            break;
        case 35:
            form.openGroup(pickGroup());
            break;
        case 36:
            apply();
            break;
        default:
            break; // a pause: nothing pressed
        }
    }
    apply();

    // Closing: EDIT終了 sends a changed name; EDIT中止 sends the voice back.
    const std::size_t before = f.out.sent.size();
    const int close = in.ConsumeIntegralInRange<int>(0, 2);
    if (close == 1) {
        const bool renamed = form.text39 != form.loadedName;
        // A zone value the last apply refused is asked about; dropping it
        // leaves the name as the only thing EDIT終了 sends.
        if (form.zonePending()) f.host.answers.push_front(MsgResult::No);
        form.command2Click(1);
        const std::size_t sent = f.out.sent.size() - before;
        Check(sent == (renamed ? kNameLength : 0), "EDIT終了 sent something other than the name");
        for (std::size_t m = before; m < f.out.sent.size(); ++m) {
            const auto &msg = f.out.sent[m];
            Check(msg.size() == 7 && msg[0] == kSysExStart && msg[6] == kSysExEnd, "name change frame");
            for (std::size_t i = 1; i < 6; ++i)
                Check(msg[i] <= 0x7F, "name data byte above 7F");
            Check(msg[3] * 128 + msg[4] >= param::Name1 && msg[3] * 128 + msg[4] < 155,
                  "name parameter number");
        }
    } else if (close == 2) {
        form.command2Click(3);
        Check(f.out.sent.size() == before + 2, "EDIT中止 sends a program change and the voice");
        const auto &pc = f.out.sent[before];
        Check(pc.size() == 3 && pc[0] == 0xC0 && pc[1] <= 0x7F && pc[2] <= 0x7F, "program change");
        CheckVoiceDump(f.out.sent[before + 1]);
    }
    return 0;
}
