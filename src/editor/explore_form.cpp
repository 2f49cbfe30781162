#include "editor/explore_form.h"

#include "workspace/unwritten.h"

#include <algorithm>
#include <charconv>
#include <random>

namespace vox {

std::optional<std::uint64_t> ReadSeed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // Full-width digits (U+FF10..FF19, EF BC 90..99) as an input method types them.
        if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBC &&
            static_cast<unsigned char>(text[i + 2]) >= 0x90 &&
            static_cast<unsigned char>(text[i + 2]) <= 0x99) {
            digits += static_cast<char>('0' + (static_cast<unsigned char>(text[i + 2]) - 0x90));
            i += 2;
        } else if (c >= '0' && c <= '9') {
            digits += static_cast<char>(c);
        } else {
            return std::nullopt;
        }
    }
    std::uint64_t value = 0;
    const char *end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value);
    if (ec != std::errc{} || ptr != end) return std::nullopt;
    return value;
}

void ExploreForm::open() {
    combo1Items = program_.workspace.soundListEntries();
    if (combo1Index < 0 || combo1Index >= static_cast<int>(combo1Items.size()))
        combo1Index = combo1Items.empty() ? -1 : 0;
    hScroll2 = 0;
    morphBase_.reset();
    variationsVisible = false;
    chosenVariation = -1;
    variationBase_.reset();
    open_ = true;
    program_.host.showWindow(WindowId::Explore);
}

void ExploreForm::close() {
    if (!open_) return;
    if (dragging_) hScroll2Release();
    open_ = false;
    program_.host.closeWindow(WindowId::Explore);
}

bool ExploreForm::toolsEnabled() const { return open_ && program_.workspace.hasEditVoice(); }

ExploreLocks ExploreForm::locks() const {
    ExploreLocks l;
    l.algorithm = check1;
    l.envelopes = check2;
    l.frequencies = check3;
    l.operators = check4;
    l.name = check5;
    return l;
}

std::optional<std::uint64_t> ExploreForm::seed() {
    if (text1.find_first_not_of(' ') == std::string::npos) {
        if (newSeed) return newSeed();
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }
    if (auto typed = ReadSeed(text1)) return typed;
    MessageBoxSpec box;
    box.text = explore_text::kSeedInvalid;
    box.icon = MsgIcon::Exclamation;
    box.title = explore_text::kInvalidTitle;
    program_.host.messageBox(box);
    return std::nullopt;
}

const Slot *ExploreForm::partner() const {
    if (combo1Index < 0 || combo1Index >= static_cast<int>(combo1Items.size()) ||
        !program_.workspace.hasBank())
        return nullptr;
    return &program_.workspace.slot(combo1Index + 1);
}

void ExploreForm::hScroll1Change(int percent) { hScroll1 = std::clamp(percent, 0, 100); }

void ExploreForm::combo1Click(int index) {
    combo1Index = index;
    // Another partner: the slider starts again from the voice as it stands.
    hScroll2 = 0;
    morphBase_.reset();
}

void ExploreForm::apply(const Slot &voice) {
    ProgramState &state = program_.state;
    Workspace &workspace = program_.workspace;
    // A change leaves COMPARE: the instrument is given the edit again first.
    SetCompare(state, program_.host, workspace, false);
    const Slot before = workspace.editBuffer();
    const int slotBefore = workspace.currentSlot();
    {
        const HistoryStep oneStep(workspace);
        workspace.restoreEditBuffer(voice);
    }
    if (workspace.editBuffer() == before) return;
    FollowEditArea(state, program_.host, workspace, before, slotBefore, true);
    if (editAreaChanged) editAreaChanged();
}

void ExploreForm::startOver() {
    variationsVisible = false;
    chosenVariation = -1;
    variationBase_.reset();
    hScroll2 = 0;
    morphBase_.reset();
}

void ExploreForm::command1Click() {
    if (!toolsEnabled() || !PortFree(program_.state, program_.host)) return;
    const auto s = seed();
    if (!s) return;
    startOver();
    apply(Randomize(program_.workspace.editBuffer(), hScroll1 / 100.0, locks(), *s));
}

void ExploreForm::command2Click() {
    const Slot *b = partner();
    if (!toolsEnabled() || !b || !PortFree(program_.state, program_.host)) return;
    const auto s = seed();
    if (!s) return;
    const Slot other = *b;
    startOver();
    apply(Crossbreed(program_.workspace.editBuffer(), other, locks(), *s));
}

void ExploreForm::command3Click() {
    if (!toolsEnabled() || !PortFree(program_.state, program_.host)) return;
    const auto s = seed();
    if (!s) return;
    // Until one is adopted, a new set comes from the same voice as the last.
    if (!variationBase_) variationBase_ = program_.workspace.editBuffer();
    variations_ = Variations(*variationBase_, hScroll1 / 100.0, kVariationCount, locks(), *s);
    variationsVisible = true;
    chosenVariation = -1;
    hScroll2 = 0;
    morphBase_.reset();
}

void ExploreForm::command5Click(int n) {
    if (!toolsEnabled() || !variationsVisible || n < 0 || n >= static_cast<int>(variations_.size())) return;
    if (!PortFree(program_.state, program_.host)) return;
    chosenVariation = n;
    apply(variations_[static_cast<std::size_t>(n)]);
}

void ExploreForm::command4Click() {
    if (!adoptEnabled()) return;
    // The edit area holds it already; the next set starts from it.
    variationsVisible = false;
    chosenVariation = -1;
    variationBase_.reset();
}

void ExploreForm::hScroll2Press() {
    if (!toolsEnabled() || !partner() || dragging_ || !PortFree(program_.state, program_.host)) return;
    SetCompare(program_.state, program_.host, program_.workspace, false);
    dragging_ = true;
    program_.workspace.beginStep(); // a drag is undone whole
}

void ExploreForm::hScroll2Change(int percent) {
    hScroll2 = std::clamp(percent, 0, 100);
    if (!toolsEnabled() || !partner()) return;
    // Sends pass through the message loop, where the slider may move on:
    // only its latest value is followed.
    morphWaits_ = hScroll2;
    if (sending_) return;
    sending_ = true;
    while (morphWaits_) {
        const int next = *morphWaits_;
        morphWaits_.reset();
        morphTo(next);
    }
    sending_ = false;
    if (releaseWaits_) {
        releaseWaits_ = false;
        hScroll2Release();
    }
}

void ExploreForm::morphTo(int percent) {
    const Workspace &workspace = program_.workspace;
    // From the voice as it stands, unless it is still the morph's own.
    if (!morphBase_ || !morphResult_ || workspace.editBuffer() != *morphResult_) {
        morphBase_ = workspace.editBuffer();
        variationsVisible = false;
        chosenVariation = -1;
        variationBase_.reset();
    }
    const Slot *b = partner();
    if (!b) return;
    morphResult_ = Morph(*morphBase_, *b, percent / 100.0, locks());
    apply(*morphResult_);
}

void ExploreForm::hScroll2Release() {
    if (!dragging_) return;
    if (sending_) {
        releaseWaits_ = true;
        return;
    }
    dragging_ = false;
    program_.workspace.endStep();
}

} // namespace vox
