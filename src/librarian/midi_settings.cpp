#include "librarian/midi_settings.h"

#include <algorithm>

#include <charconv>
#include <cmath>

namespace vox {
namespace {

// The entry with blanks trimmed and full-width digits, point and minus made
// half-width; "" when it holds anything else outside ASCII.
std::string HalfWidth(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // Full-width forms U+FF01..U+FF5E are EF BC 81..EF BD 9E in UTF-8;
        // the ideographic space U+3000 is E3 80 80.
        if (text.substr(i, 3) == "\xE3\x80\x80") {
            out += ' ';
            i += 3;
            continue;
        }
        if (c == 0xEF && i + 2 < text.size()) {
            const auto b1 = static_cast<unsigned char>(text[i + 1]);
            const auto b2 = static_cast<unsigned char>(text[i + 2]);
            int code = -1;
            if (b1 == 0xBC && b2 >= 0x80 && b2 <= 0xBF) code = 0xFF00 + (b2 - 0x80);
            if (b1 == 0xBD && b2 >= 0x80 && b2 <= 0x9E) code = 0xFF40 + (b2 - 0x80);
            if (code >= 0xFF01 && code <= 0xFF5E) {
                out += static_cast<char>(code - 0xFF01 + 0x21);
                i += 3;
                continue;
            }
        }
        return {};
    }
    const auto first = out.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = out.find_last_not_of(" \t");
    return out.substr(first, last - first + 1);
}

} // namespace

std::optional<int> ReadWholeNumber(std::string_view text, int min, int max) {
    const std::string digits = HalfWidth(text);
    if (digits.empty()) return std::nullopt;
    int value = 0;
    const char *end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value);
    if (ec != std::errc{} || ptr != end || value < min || value > max) return std::nullopt;
    return value;
}

std::optional<double> ReadSeconds(std::string_view text, double min, double max) {
    const std::string digits = HalfWidth(text);
    if (digits.empty()) return std::nullopt;
    double value = 0;
    const char *end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value, std::chars_format::fixed);
    if (ec != std::errc{} || ptr != end || !std::isfinite(value) || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<int> ReadSysExChunk(std::string_view text) {
    const auto bytes = ReadWholeNumber(text, 0, kMaxSysExChunk);
    if (!bytes || (*bytes != 0 && *bytes < kMinSysExChunk)) return std::nullopt;
    return bytes;
}

std::string SecondsText(double seconds) {
    char buffer[32];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, seconds);
    return ec == std::errc{} ? std::string(buffer, ptr) : std::string{};
}

void MidiSettingsForm::open() {
    const ExchangeSettings &s = program_.state.exchange;
    option1 = s.receiveMode != ReceiveMode::Fast;
    option2 = !option1;
    text1 = std::to_string(s.sysExPauseMs);
    text2 = SecondsText(s.fastTimeoutSeconds);
    text3 = std::to_string(s.fastRetries);
    text4 = std::to_string(s.channel);
    text5 = std::to_string(s.sysExChunk);
    check1 = s.verifyTransmit;
    combo1 = static_cast<int>(s.model);
    shown_ = s;
    open_ = true;
    program_.host.showWindow(WindowId::MidiSettings);
}

void MidiSettingsForm::option1Click() {
    option1 = true;
    option2 = false;
}

void MidiSettingsForm::option2Click() {
    option1 = false;
    option2 = true;
}

void MidiSettingsForm::command1Click() {
    if (!open_) return;
    ExchangeSettings next = program_.state.exchange;
    next.receiveMode = option2 ? ReceiveMode::Fast : ReceiveMode::Standard;
    const auto pause = ReadWholeNumber(text1, 0, kMaxSysExPauseMs);
    if (!pause) return refuse(midi_settings_text::kPauseInvalid);
    next.sysExPauseMs = *pause;
    const auto channel = ReadWholeNumber(text4, 1, kMaxChannel);
    if (!channel) return refuse(midi_settings_text::kChannelInvalid);
    next.channel = *channel;
    const auto chunk = ReadSysExChunk(text5);
    if (!chunk) return refuse(midi_settings_text::kChunkInvalid);
    next.sysExChunk = *chunk;
    next.verifyTransmit = check1;
    next.model = static_cast<InstrumentModel>(std::clamp(combo1, 0, 2));
    // The fast receive's entries are greyed with 標準 chosen: what they
    // hold then is not the user's to answer for, and is left as it was.
    if (option2) {
        const auto timeout = ReadSeconds(text2, kMinFastTimeoutSeconds, kMaxFastTimeoutSeconds);
        if (!timeout) return refuse(midi_settings_text::kTimeoutInvalid);
        const auto retries = ReadWholeNumber(text3, 0, kMaxFastRetries);
        if (!retries) return refuse(midi_settings_text::kRetriesInvalid);
        next.fastTimeoutSeconds = *timeout;
        next.fastRetries = *retries;
    }
    program_.state.exchange = next;
    closeForm();
    if (applied) applied(shown_, next);
}

void MidiSettingsForm::command2Click() {
    if (!open_) return;
    closeForm();
}

void MidiSettingsForm::queryUnload() {
    if (!open_) return;
    closeForm();
}

void MidiSettingsForm::refuse(const std::string &text) {
    MessageBoxSpec box;
    box.text = text;
    box.icon = MsgIcon::Exclamation;
    box.title = midi_settings_text::kInvalidTitle;
    program_.host.messageBox(box);
}

void MidiSettingsForm::closeForm() {
    open_ = false;
    mainWindow_.setEnabled(true);
    program_.host.closeWindow(WindowId::MidiSettings);
}

} // namespace vox
