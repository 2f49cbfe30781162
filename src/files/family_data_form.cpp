#include "files/family_data_form.h"

#include "common/wait.h"
#include "files/file_report.h"
#include "files/voice_files.h"
#include "midi/midi_output.h"
#include "midi/midi_port.h"
#include "voice/text.h"
#include "workspace/unwritten.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace vox {

namespace {

using namespace family_data_text;

constexpr Byte kUniversalFormat = 0x7E;
constexpr std::size_t kStatusPos = 2, kFormatPos = 3;

struct KindWords {
    const char *shortName; // family_data's
    Text words;
};
constexpr KindWords kKindWords[] = {
    {"PCED", kKindPced},
    {"PMEM", kKindPmem},
    {"SYSTEM", kKindSystem},
    {"MCRYE", kKindMcrye},
    {"MCRYM", kKindMcrym},
    {"MCRYC", kKindMcryc},
    {"FKSYE", kKindFksye},
    {"FKSYC", kKindFksyc},
    {"TX802 PCED", kKindTx802Pced},
    {"TX802 PMEM", kKindTx802Pmem},
};

// What each model is asked for: its performances, its performance edit
// buffer and (the DX7 II) its system set-up. The TX802's set-up name is
// not known.
constexpr const char *kDx7iiRequests[] = {"LM  8973PM", "LM  8973PE", "LM  8973S "};
constexpr const char *kTx802Requests[] = {"LM  8952PM", "LM  8952PE"};

std::string Filled(std::string text, const char *key, const std::string &value) {
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, std::strlen(key), value);
    return text;
}

// The ten name bytes as sent: a byte that is no printable character as
// its hex value in angle brackets.
std::string NameAsSent(const std::string &name) {
    std::string text;
    for (const char c : name) {
        const auto b = static_cast<Byte>(c);
        if (b >= 0x20 && b < 0x7F)
            text += c;
        else
            text += "<" + HexBytes(std::span<const Byte>(&b, 1)) + ">";
    }
    return text;
}

std::string KindText(const FamilyMessage &m) {
    if (m.kind != nullptr)
        for (const KindWords &k : kKindWords)
            if (std::strcmp(k.shortName, m.kind->shortName) == 0) return k.words;
    return Filled(kKindUnknown, "%N", NameAsSent(m.name));
}

std::string ModelText(const FamilyMessage &m) {
    if (m.kind == nullptr) return {};
    return ModelOfBlockName(m.name) == InstrumentModel::Tx802 ? kModelTx802 : kModelDx7ii;
}

std::string Joined(const std::vector<std::string> &items) {
    std::string text;
    for (const std::string &item : items)
        text += (text.empty() ? std::string() : std::string(kListSeparator)) + item;
    return text;
}

// A universal block's kind named from its name alone, for the answers
// that did not come.
std::string KindOfName(const char *name) {
    std::vector<Byte> header{0xF0, 0x43, 0x00, kUniversalFormat, 0x00, 0x0A};
    header.insert(header.end(), name, name + std::strlen(name));
    header.push_back(ChecksumOf(std::span<const Byte>(header).subspan(6)));
    header.push_back(0xF7);
    const auto m = ReadFamilyMessage(header);
    return m ? KindText(*m) : std::string(name);
}

} // namespace

FamilyDataForm::Row FamilyRow(const FamilyMessage &m) {
    FamilyDataForm::Row row;
    row.kind = KindText(m);
    row.model = ModelText(m);
    row.count = std::to_string(m.groups);
    row.bytes = std::to_string(m.length);
    row.state = m.good() ? std::string(kGood) : std::string(kDamaged);
    if (!m.countAsKnown) row.state += kCountWrong;
    if (!m.checksumGood) row.state += kChecksumWrong;
    return row;
}

void FamilyDataForm::open() {
    open_ = true;
    program_.host.showWindow(WindowId::FamilyData);
}

std::vector<FamilyDataForm::Row> FamilyDataForm::rows() const {
    std::vector<Row> out;
    for (const std::vector<Byte> &bytes : messages_)
        if (const auto m = ReadFamilyMessage(bytes)) out.push_back(FamilyRow(*m));
    return out;
}

void FamilyDataForm::say(const std::string &text, MsgIcon icon) {
    MessageBoxSpec box;
    box.text = text;
    box.icon = icon;
    box.title = kCaption;
    program_.host.messageBox(box);
}

bool FamilyDataForm::mayDiscard() {
    if (!unsaved_) return true;
    MessageBoxSpec box;
    box.text = std::string(kUnsaved) + "\r" + unwritten_text::kReplaceQuestion;
    box.title = unwritten_text::kReplaceTitle;
    box.buttons = MsgButtons::YesNo;
    box.icon = MsgIcon::Exclamation;
    box.defaultButton = MsgResult::No;
    return program_.host.messageBox(box) == MsgResult::Yes;
}

void FamilyDataForm::loadClick() {
    if (busy_ || !chooseLoadFile) return;
    const std::optional<std::string> chosen = chooseLoadFile();
    if (!chosen) return;
    const std::filesystem::path file(*chosen);
    const auto content = ReadFileBytes(file);
    if (!content.ok()) {
        say(ReadErrorMessage(content.error));
        return;
    }
    const VoiceScan scan = ScanVoiceFile(content.value, file.filename().string());
    std::vector<std::vector<Byte>> universal;
    std::size_t supplements = 0;
    for (FamilyFound &found : FamilyMessagesIn(content.value, scan)) {
        if (found.bytes[kFormatPos] == kUniversalFormat)
            universal.push_back(std::move(found.bytes));
        else
            ++supplements;
    }
    const std::string name = file.filename().string();
    if (universal.empty()) {
        say(Filled(kNoneInFile, "%F", name));
        return;
    }
    if (!mayDiscard()) return;
    // The file replaces the list whole, in its order.
    messages_ = std::move(universal);
    selected.clear();
    unsaved_ = false;
    const std::string loaded = Filled(Filled(kLoaded, "%F", name), "%N", std::to_string(messages_.size()));
    statusText = loaded;
    const std::size_t voices = scan.bankCount() + scan.singleVoiceCount();
    if (voices == 0 && supplements == 0) return;
    std::string text = loaded;
    if (voices > 0) text += "\r" + Filled(kVoicesLeft, "%N", std::to_string(voices));
    if (supplements > 0) text += "\r" + Filled(kSupplementsLeft, "%N", std::to_string(supplements));
    say(text, MsgIcon::Information);
}

void FamilyDataForm::saveClick() {
    if (busy_) return;
    if (messages_.empty()) {
        say(kNothingListed);
        return;
    }
    if (!chooseSaveFile) return;
    const std::optional<std::string> chosen = chooseSaveFile();
    if (!chosen) return;
    std::filesystem::path file(*chosen);
    if (!file.has_extension()) file += ".syx";
    std::vector<Byte> bytes;
    for (const std::vector<Byte> &m : messages_)
        bytes.insert(bytes.end(), m.begin(), m.end());
    const WriteResult written = WriteFileReplacing(file, bytes);
    if (!written.ok) {
        say(WriteErrorMessage(file, written.reason));
        return;
    }
    unsaved_ = false;
    statusText =
        Filled(Filled(kSaved, "%F", file.filename().string()), "%N", std::to_string(messages_.size()));
}

void FamilyDataForm::deleteClick() {
    if (busy_) return;
    const std::set<int> gone(selected.begin(), selected.end());
    std::vector<std::vector<Byte>> kept;
    for (std::size_t i = 0; i < messages_.size(); ++i)
        if (!gone.contains(static_cast<int>(i))) kept.push_back(std::move(messages_[i]));
    messages_ = std::move(kept);
    selected.clear();
}

bool FamilyDataForm::mayExchange(Text mk1Refusal, bool needsInput) {
    ProgramState &state = program_.state;
    if (busy_ || !PortFree(state, program_.host)) return false;
    // The Mk I drops every one of these messages and answers no request.
    if (state.exchange.model == InstrumentModel::Dx7) {
        say(mk1Refusal);
        return false;
    }
    if (!MidiOutIsOpen(state)) {
        say(kNoOutput);
        return false;
    }
    if (needsInput && !(state.midiIn && state.midiIn->isOpen())) {
        say(kNoInput);
        return false;
    }
    return true;
}

void FamilyDataForm::receiveClick() {
    if (!mayExchange(kMk1Receive, true)) return;
    ProgramState &state = program_.state;
    Host &host = program_.host;
    const bool tx802 = state.exchange.model == InstrumentModel::Tx802;
    const std::vector<const char *> names =
        tx802 ? std::vector<const char *>(std::begin(kTx802Requests), std::end(kTx802Requests))
              : std::vector<const char *>(std::begin(kDx7iiRequests), std::end(kDx7iiRequests));
    // The port is this window's while it asks: the main window's sends wait.
    state.transmitting = busy_ = true;
    std::vector<std::string> came, damaged, missing;
    for (const char *name : names) {
        std::vector<Byte> request{kSysExStart, kYamahaId, static_cast<Byte>(0x20 | ChannelNibble(state)),
                                  kUniversalFormat};
        request.insert(request.end(), name, name + std::strlen(name));
        request.push_back(kSysExEnd);
        const std::uint64_t since = state.midiTraffic.total();
        SendLongMessage(state, host, request);
        std::optional<std::vector<Byte>> answer;
        bool broken = false;
        // Only the block asked for is taken; anything else is only logged.
        ListenSeconds(
            host, state.midiTraffic, kFamilyAnswerSeconds,
            [&](std::span<const Byte> bytes) {
                const auto m = ReadFamilyMessage(bytes);
                if (!m || bytes[kFormatPos] != kUniversalFormat || m->name != name) return false;
                if (!m->good()) {
                    broken = true;
                    return false;
                }
                answer.emplace(bytes.begin(), bytes.end());
                return true;
            },
            since);
        const std::string kind = KindOfName(name);
        if (answer) {
            messages_.push_back(std::move(*answer));
            unsaved_ = true;
            came.push_back(kind);
        } else {
            (broken ? damaged : missing).push_back(kind);
        }
    }
    state.transmitting = busy_ = false;
    std::string text;
    if (!came.empty()) text += kCame + Joined(came);
    if (!damaged.empty()) text += (text.empty() ? "" : "\r") + (kCameDamaged + Joined(damaged));
    if (!missing.empty()) text += (text.empty() ? "" : "\r") + (kNotCame + Joined(missing));
    if (came.empty() && damaged.empty()) text += std::string("\r") + kNoneCame;
    statusText = came.empty() ? std::string() : kCame + Joined(came);
    say(text, came.size() == names.size() ? MsgIcon::Information : MsgIcon::Exclamation);
}

void FamilyDataForm::transmitClick() {
    if (busy_) return;
    if (messages_.empty()) {
        say(kNothingListed);
        return;
    }
    if (!mayExchange(kMk1Send, false)) return;
    std::vector<std::size_t> good;
    for (std::size_t i = 0; i < messages_.size(); ++i)
        if (const auto m = ReadFamilyMessage(messages_[i]); m && m->good()) good.push_back(i);
    if (good.empty()) {
        say(kNothingGood);
        return;
    }
    ProgramState &state = program_.state;
    Host &host = program_.host;
    MessageBoxSpec confirm;
    confirm.title = kCaption;
    confirm.text = Filled(kSendConfirm, "%N", std::to_string(good.size()));
    if (good.size() < messages_.size())
        confirm.text += "\r" + Filled(kDamagedNotSent, "%N", std::to_string(messages_.size() - good.size()));
    confirm.buttons = MsgButtons::OkCancel;
    confirm.icon = MsgIcon::Exclamation;
    confirm.defaultButton = MsgResult::Cancel;
    if (host.messageBox(confirm) != MsgResult::Ok) return;
    // A transfer may have started, or the port closed, while it was asked.
    if (!mayExchange(kMk1Send, false)) return;

    state.transmitting = busy_ = true;
    for (std::size_t n = 0; n < good.size(); ++n) {
        // Only the device number changes; byte 2 is not summed.
        std::vector<Byte> message = messages_[good[n]];
        message[kStatusPos] = static_cast<Byte>((message[kStatusPos] & 0xF0) | ChannelNibble(state));
        SendLongMessage(state, host, message);
        if (n + 1 < good.size())
            WaitSeconds(host, static_cast<float>(static_cast<double>(message.size()) * kCableSecondsPerByte +
                                                 kFamilyGapSeconds));
    }
    state.transmitting = busy_ = false;
    statusText = Filled(kSent, "%N", std::to_string(good.size()));
}

void FamilyDataForm::closeClick() {
    if (!queryUnload()) return;
    program_.host.closeWindow(WindowId::FamilyData);
}

bool FamilyDataForm::queryUnload() {
    if (!open_) return true;
    // A receive or send in progress finishes first.
    if (busy_ || !mayDiscard()) return false;
    open_ = false;
    // Closed, the window holds nothing: what was unsaved is gone.
    messages_.clear();
    selected.clear();
    unsaved_ = false;
    statusText.clear();
    return true;
}

} // namespace vox
