#include "midi/message_names.h"

#include "voice/dx7_decode.h"
#include "voice/parameter_text.h"
#include "voice/text.h"
#include "voice/voice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace vox {

namespace {

using Dir = MidiTrafficEntry::Direction;
using Kind = MidiTrafficEntry::Kind;

// Width of the name column, in characters, so the hex starts in one column.
constexpr std::size_t kNameColumn = 44;

constexpr int kVoiceFormat = 0x00;
constexpr int kBankFormat = 0x09;
constexpr int kVoiceGroup = 0;

std::string Num(int n) { return std::to_string(n); }

// A name byte the list can show: control bytes become their control
// pictures instead of breaking the line.
std::string ShownNameByte(Byte b) {
    if (b < 0x20 || b == 0x7F) {
        std::string picture;
        AppendUtf8(picture, b == 0x7F ? char32_t{0x2421} : char32_t{0x2400u + b});
        return picture;
    }
    return NameByteToUtf8(b);
}

std::string VoiceNameOf(std::span<const Byte> dump) {
    std::size_t end = kNamePos + kNameLength;
    while (end > kNamePos && dump[end - 1] == ' ')
        --end;
    std::string name;
    for (std::size_t i = kNamePos; i < end; ++i)
        name += ShownNameByte(dump[i]);
    return name;
}

// Channel 0..15 as the user counts it; channel 1 goes without saying.
std::string ChannelSuffix(int channel) { return channel == 0 ? "" : " channel " + Num(channel + 1); }

std::string CutShort(std::size_t have, std::size_t want) {
    return ", cut short (" + Num(static_cast<int>(have)) + " of " + Num(static_cast<int>(want)) + " bytes)";
}

std::string Extra(std::size_t have, std::size_t want) {
    return have > want ? " (+" + Num(static_cast<int>(have - want)) + " bytes)" : "";
}

std::string ChannelMessageName(std::span<const Byte> m) {
    static constexpr const char *kKinds[] = {"Note off",       "Note on",        "Key pressure",
                                             "Control change", "Program change", "Channel pressure",
                                             "Pitch bend"};
    const Byte status = m[0];
    const std::string kind = kKinds[(status >> 4) - 8];
    const std::size_t want = static_cast<std::size_t>(ShortMessageLength(status));
    if (m.size() < want) return kind + ChannelSuffix(status & 0x0F) + " (cut short)";
    for (std::size_t i = 1; i < want; ++i)
        if (m[i] & 0x80) return kind + ChannelSuffix(status & 0x0F) + " (broken data byte)";
    std::string name = kind;
    switch (status >> 4) {
    case 0x8:
    case 0x9:
        name += " " + Num(m[1]) + " velocity " + Num(m[2]);
        break;
    case 0xA:
    case 0xB:
        name += " " + Num(m[1]) + " = " + Num(m[2]);
        break;
    case 0xC:
    case 0xD:
        name += " " + Num(m[1]);
        break;
    default:
        name += " " + Num((m[2] << 7 | m[1]) - 8192);
        break;
    }
    return name + ChannelSuffix(status & 0x0F) + Extra(m.size(), want);
}

std::string SystemMessageName(std::span<const Byte> m) {
    const Byte status = m[0];
    std::string kind;
    switch (status) {
    case 0xF1:
        kind = "MTC quarter frame";
        break;
    case 0xF2:
        kind = "Song position";
        break;
    case 0xF3:
        kind = "Song select";
        break;
    case 0xF6:
        kind = "Tune request";
        break;
    case 0xF8:
        kind = "Timing clock";
        break;
    case 0xFA:
        kind = "Start";
        break;
    case 0xFB:
        kind = "Continue";
        break;
    case 0xFC:
        kind = "Stop";
        break;
    case 0xFE:
        kind = "Active sensing";
        break;
    case 0xFF:
        kind = "System reset";
        break;
    default:
        return "Unknown bytes";
    }
    const std::size_t want = static_cast<std::size_t>(ShortMessageLength(status));
    if (m.size() < want) return kind + " (cut short)";
    for (std::size_t i = 1; i < want; ++i)
        if (m[i] & 0x80) return kind + " (broken data byte)";
    if (status == 0xF2) kind += " " + Num(m[2] << 7 | m[1]);
    if (status == 0xF3) kind += " " + Num(m[1]);
    return kind + Extra(m.size(), want);
}

// Bytes that came of a message cut short: up to the status byte that broke
// in, or all of them when it is the end byte that came too early.
std::size_t Arrived(std::span<const Byte> m, const Dx7Message &d) {
    return d.cutAt < m.size() && m[d.cutAt] != kSysExEnd ? d.cutAt : m.size();
}

// The fault of a message that is not whole, or "".
std::string FrameFault(std::span<const Byte> m, const Dx7Message &d) {
    switch (d.fault) {
    case Dx7Fault::CutShort:
        return CutShort(Arrived(m, d), d.expectedSize);
    case Dx7Fault::TooLong:
        return ", wrong length (" + Num(static_cast<int>(m.size())) + " bytes)";
    case Dx7Fault::Unterminated:
        return ", no end byte";
    default:
        return "";
    }
}

// A single-voice or 32-voice dump: its length, its end byte and its
// checksum tell a good dump from a broken one.
std::string DumpName(std::span<const Byte> m, const Dx7Message &d, const std::string &kind) {
    const std::string fault = FrameFault(m, d);
    if (!fault.empty()) return kind + fault;
    std::string name = kind;
    if (d.kind == Dx7Kind::VoiceDump) {
        const std::string voice = VoiceNameOf(m);
        if (!voice.empty()) name += " " + voice;
    }
    return name + (d.fault == Dx7Fault::Checksum ? " (checksum wrong)" : " (checksum OK)");
}

std::string YamahaName(std::span<const Byte> m) {
    const Dx7Message d = DecodeDx7(m);
    const std::string channel = ChannelSuffix(d.channel);
    switch (d.kind) {
    case Dx7Kind::VoiceDump:
        return DumpName(m, d, "Voice dump" + channel);
    case Dx7Kind::BulkDump:
        return DumpName(m, d, "32-voice bulk dump" + channel);
    case Dx7Kind::OtherDump:
        if (d.format < 0) return "Yamaha dump" + channel + " (cut short)";
        return "Yamaha dump, format " + Num(d.format) + channel + " (" + Num(static_cast<int>(m.size())) +
               " bytes)";
    case Dx7Kind::ParameterChange:
    case Dx7Kind::FunctionParameter: {
        if (!d.good()) return "Parameter change" + channel + FrameFault(m, d);
        const std::string value = Num(d.number) + " = " + Num(d.value);
        if (d.kind == Dx7Kind::FunctionParameter) return "Function parameter change " + value + channel;
        if (d.group != kVoiceGroup) return "Parameter change, group " + Num(d.group) + ", " + value + channel;
        const std::string name = VoiceParameterName(d.number);
        return "Parameter change " + value + (name.empty() ? "" : " (" + name + ")") + channel;
    }
    case Dx7Kind::DumpRequest:
        if (!d.good()) return "Dump request" + channel + " (cut short)";
        if (d.format == kVoiceFormat) return "Voice dump request" + channel;
        if (d.format == kBankFormat) return "32-voice bulk dump request" + channel;
        return "Dump request, format " + Num(d.format) + channel;
    case Dx7Kind::Other:
        break;
    }
    return "Yamaha System Exclusive (" + Num(static_cast<int>(m.size())) + " bytes)";
}

std::string SysExName(std::span<const Byte> m) {
    if (m.size() >= 3 && m[1] == kYamahaId) return YamahaName(m);
    std::string name = "System Exclusive";
    if (m.size() >= 2) name += ", ID " + HexByte(m[1]);
    name += " (" + Num(static_cast<int>(m.size())) + " bytes)";
    if (m.size() < 2 || m.back() != kSysExEnd) name += ", no end byte";
    return name;
}

std::size_t Characters(const std::string &text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

} // namespace

int ShortMessageLength(Byte status) {
    if (status < 0x80) return 0;
    if (status < 0xC0) return 3;
    if (status < 0xE0) return 2;
    if (status < 0xF0) return 3;
    switch (status) {
    case 0xF1:
    case 0xF3:
        return 2;
    case 0xF2:
        return 3;
    case 0xF6:
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFE:
    case 0xFF:
        return 1;
    default:
        return 0;
    }
}

std::string MessageName(std::span<const Byte> bytes) {
    if (bytes.empty()) return "Empty message";
    const Byte status = bytes[0];
    if (status < 0x80 || status == kSysExEnd) return "Unknown bytes";
    if (status == kSysExStart) return SysExName(bytes);
    if (status < 0xF0) return ChannelMessageName(bytes);
    return SystemMessageName(bytes);
}

std::string MonitorTime(double seconds) {
    const long long ms = std::llround(std::max(seconds, 0.0) * 1000.0);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    return text;
}

std::string MonitorLine(const MidiTrafficEntry &entry, std::size_t maxBytes) {
    std::string name;
    switch (entry.kind) {
    case Kind::InputOpened:
        name = "Input port opened";
        break;
    case Kind::ReceiveError:
        name = "System Exclusive receive error";
        break;
    case Kind::Message:
        name = MessageName(entry.bytes);
        break;
    }
    std::string line = MonitorTime(entry.seconds) + "  " +
                       (entry.direction == Dir::In ? kMonitorIn : kMonitorOut) + "  " + name;
    if (entry.bytes.empty()) return line;
    line.append(kNameColumn - std::min(kNameColumn, Characters(name)), ' ');
    const std::span<const Byte> bytes(entry.bytes);
    if (bytes.size() <= maxBytes) return line + "  " + HexBytes(bytes);
    return line + "  " + HexBytes(bytes.first(maxBytes)) + " … (" + Num(static_cast<int>(bytes.size())) +
           " bytes)";
}

std::string MonitorBytes(std::span<const Byte> bytes) {
    constexpr std::size_t kPerLine = 16;
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += kPerLine) {
        char offset[32];
        std::snprintf(offset, sizeof offset, "%04zu  ", at);
        if (at > 0) text += '\n';
        text += offset + HexBytes(bytes.subspan(at, std::min(kPerLine, bytes.size() - at)));
    }
    return text;
}

void LogSentShort(MidiTraffic &traffic, std::span<const Byte, 3> bytes) {
    const int length = ShortMessageLength(bytes[0]);
    traffic.add(Dir::Out, Kind::Message, bytes.first(length == 0 ? 3 : static_cast<std::size_t>(length)));
}

void LogReceived(MidiTraffic &traffic, const MidiInEvent &event) {
    switch (event.kind) {
    case MidiInEvent::Kind::Opened:
        traffic.add(Dir::In, Kind::InputOpened);
        break;
    case MidiInEvent::Kind::Short: {
        if (event.status == 0xFE) break;
        const Byte bytes[3] = {event.status, event.data1, event.data2};
        const int length = ShortMessageLength(event.status);
        // The driver packs every short message into three bytes; show the
        // ones the status says it has.
        traffic.add(Dir::In, Kind::Message, std::span<const Byte>(bytes).first(length == 0 ? 3 : length));
        break;
    }
    case MidiInEvent::Kind::LongData:
        // The whole message as it arrived, not the receive buffer's first
        // 163 bytes of it: a good bulk dump must read as one.
        traffic.add(Dir::In, Kind::Message, event.whole.empty() ? event.bytes : event.whole);
        break;
    case MidiInEvent::Kind::LongError:
        traffic.add(Dir::In, Kind::ReceiveError);
        break;
    }
}

} // namespace vox
