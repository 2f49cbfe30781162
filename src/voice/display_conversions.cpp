#include "voice/display_conversions.h"
#include "text/ui_text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace vox {
namespace {

int PositiveMod(int value, int m) {
    const int r = value % m;
    return r < 0 ? r + m : r;
}

// Beyond this a count of ten-thousandths would not fit 64 bits.
constexpr double kFixed4Limit = 9.0e17;

} // namespace

Fixed4 ToFixed4(double x) {
    if (!std::isfinite(x)) return 0;
    const double p = x * 10000.0;
    if (p >= kFixed4Limit) return static_cast<Fixed4>(kFixed4Limit);
    if (p <= -kFixed4Limit) return -static_cast<Fixed4>(kFixed4Limit);
    // p is x * 10000 rounded; e is what that rounding lost, exactly. Only a
    // p that lands on a half needs e to know on which side x really lies.
    const double e = std::fma(x, 10000.0, -p);
    const double floorP = std::floor(p);
    const double frac = p - floorP;
    auto base = static_cast<Fixed4>(floorP);
    if (frac > 0.5) return base + 1;
    if (frac < 0.5) return base;
    if (e > 0) return base + 1;
    if (e < 0) return base;
    return (base % 2 == 0) ? base : base + 1; // a true tie: to even
}

double FromFixed4(Fixed4 v) { return static_cast<double>(v) / 10000.0; }

Fixed4 RoundToDigits(Fixed4 v, std::int16_t n) {
    // Four decimals is all a Fixed4 has: rounding to four or more changes nothing.
    if (n >= 4) return v;
    if (n > 0) {
        Fixed4 a = 1;
        for (int i = 0; i < n; ++i)
            a *= 10;
        if (v > LLONG_MAX / a || v < LLONG_MIN / a) return v;
        // v * a in ten-thousandths, plus one half, then the floor.
        const Fixed4 scaled = v * a + kFixed4One / 2;
        Fixed4 whole = scaled / kFixed4One;
        if (scaled % kFixed4One != 0 && scaled < 0) --whole;
        return ToFixed4(static_cast<double>(whole) / static_cast<double>(a));
    }
    const double a = std::pow(10.0, -static_cast<double>(n));
    return ToFixed4(a * std::floor(FromFixed4(v) / a + 0.5));
}

std::string PlainText(int value) { return std::to_string(value); }

std::string FloatText(double value) {
    if (value == 0 || !std::isfinite(value)) return "0";
    // 15 significant digits as d.dddddddddddddde+XX, then written out plainly.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string sci(buf, res.ptr);
    std::string out;
    std::size_t at = 0;
    if (sci[0] == '-') {
        out = "-";
        at = 1;
    }
    const std::size_t ePos = sci.find('e');
    std::string digits;
    for (std::size_t i = at; i < ePos; ++i)
        if (sci[i] != '.') digits.push_back(sci[i]);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int exponent = std::atoi(sci.c_str() + ePos + 1);
    if (exponent >= 0) {
        const auto intDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
            out += digits + std::string(intDigits - digits.size(), '0');
        } else {
            out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
        }
    } else {
        out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    return out;
}

std::optional<std::string> CurveName(int curve) {
    static constexpr std::array<const char *, 4> kNames{"-LIN", "-EXP", "+EXP", "+LIN"};
    if (curve < 0 || curve > 3) return std::nullopt;
    return kNames[static_cast<std::size_t>(curve)];
}

std::optional<std::string> LfoWaveName(int wave) {
    static constexpr std::array<const char *, 6> kNames{" TRI", "SawD", "SawU", "SQUA", "SINE", " S&H"};
    if (wave < 0 || wave > 5) return std::nullopt;
    return kNames[static_cast<std::size_t>(wave)];
}

std::string LfoSyncText(int sync) {
    if (sync < 0 || sync > 1) return OutOfRangeText(PlainText(sync));
    return sync == 1 ? "ON" : "OFF";
}

std::string OscSyncText(int sync) {
    if (sync < 0 || sync > 1) return OutOfRangeText(PlainText(sync));
    return sync == 1 ? Tr("Ｏ　Ｎ") : Tr("ＯＦＦ");
}

std::string OscModeText(int mode) {
    if (mode < 0 || mode > 1) return OutOfRangeText(PlainText(mode));
    return mode == 1 ? "F" : "R";
}

std::string OutOfRangeText(const std::string &text) { return text + kOutOfRangeMark; }

std::string_view WithoutOutOfRangeMark(std::string_view text) {
    const std::string_view mark(kOutOfRangeMark);
    if (text.size() >= mark.size() && text.substr(text.size() - mark.size()) == mark)
        text.remove_suffix(mark.size());
    return text;
}

std::string BreakPointText(int point) {
    // Break point 0 is A-1; the octave number changes at each C.
    const std::string name = kNoteNames[static_cast<std::size_t>(PositiveMod(point + 9, 12))];
    if (point < 3) return name + "-1";
    return name + SignedPositionText((point - 3) / 12);
}

std::string TransposeText(int key) {
    return kNoteNames[static_cast<std::size_t>(PositiveMod(key, 12))] + SignedPositionText(key / 12 + 1);
}

std::string DetuneText(int detune) {
    if (detune > 7) return "+" + PlainText(detune - 7);
    if (detune == 7) return "0";
    return PlainText(detune - 7);
}

namespace {
std::string FrequencyOf(int mode, int coarse, int fine) {
    if (mode == 1) {
        const double x = std::pow(1.023293, fine);
        const Fixed4 r = RoundToDigits(ToFixed4(x), 3);
        return FloatText(FromFixed4(r) * std::pow(10.0, coarse & 3));
    }
    if (coarse != 0) return FloatText((fine * 0.01 + 1.0) * coarse);
    return FloatText((fine * 0.01 + 1.0) * 0.5);
}
} // namespace

std::string FrequencyText(int mode, int coarse, int fine) {
    const std::string text = FrequencyOf(mode, coarse, fine);
    const bool inRange = mode >= 0 && mode <= 1 && coarse >= 0 && coarse <= 31 && fine >= 0 && fine <= 99;
    return inRange ? text : OutOfRangeText(text);
}

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A decimal number written the way FloatText writes it: no blanks, no
// sign, no leading zeros before the point but one, no trailing zeros.
std::optional<std::string> CanonicalDecimal(std::string_view text) {
    text = TrimBlanks(text);
    const std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return std::nullopt;
    for (std::string_view part : {whole, fraction})
        for (char c : part)
            if (c < '0' || c > '9') return std::nullopt;
    while (whole.size() > 1 && whole.front() == '0')
        whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.remove_suffix(1);
    std::string out = whole.empty() ? "0" : std::string(whole);
    if (!fraction.empty()) out += "." + std::string(fraction);
    return out;
}

} // namespace

std::optional<int> BreakPointOfText(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) return std::nullopt;
    static constexpr std::string_view kLetters = "C D EF G A B"; // a letter's place in NoteNames
    const std::size_t letter = kLetters.find(Upper(text.front()));
    if (letter == std::string_view::npos || kLetters[letter] == ' ') return std::nullopt;
    int note = static_cast<int>(letter);
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '#') {
        if (note == 4 || note == 11) return std::nullopt; // no E# or B#
        ++note;
        text.remove_prefix(1);
    }
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.size() != 1 || text.front() < '0' || text.front() > '9') return std::nullopt;
    const int octave = negative ? -(text.front() - '0') : text.front() - '0';
    int value = 0;
    if (octave == -1) {
        if (note < 9) return std::nullopt; // only A, A# and B below C 0
        value = note - 9;
    } else if (octave >= 0 && !negative) {
        value = 3 + 12 * octave + note;
    } else {
        return std::nullopt;
    }
    if (value > 99) return std::nullopt;
    return value;
}

std::optional<int> CurveOfText(std::string_view text) {
    text = TrimBlanks(text);
    std::string upper;
    for (char c : text)
        upper.push_back(Upper(c));
    for (int curve = 0; curve <= 3; ++curve)
        if (upper == *CurveName(curve)) return curve;
    return std::nullopt;
}

std::optional<FrequencySetting> FrequencyOfText(std::string_view text, int mode, int coarse, int fine) {
    const auto wanted = CanonicalDecimal(text);
    if (!wanted) return std::nullopt;
    if (*wanted == FrequencyText(mode, coarse, fine)) return FrequencySetting{coarse, fine};
    std::optional<FrequencySetting> best;
    for (int f = 0; f <= 99 && !best; ++f) {
        if (coarse >= 0 && coarse <= 31 && FrequencyText(mode, coarse, f) == *wanted)
            return FrequencySetting{coarse, f};
        for (int c = 0; c <= 31; ++c)
            if (FrequencyText(mode, c, f) == *wanted) {
                best = FrequencySetting{c, f};
                break;
            }
    }
    return best;
}

} // namespace vox
