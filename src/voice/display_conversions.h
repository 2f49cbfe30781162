#pragma once
// How the editor shows parameter values as text. Pure functions; every
// field that shows a parameter goes through them.

#include "voice/text.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vox {

// A value with exactly four decimal places: a count of ten-thousandths.
using Fixed4 = std::int64_t;
inline constexpr Fixed4 kFixed4One = 10000;

// Nearest ten-thousandth of x, ties to even (exact, not through x * 10000
// rounded first).
Fixed4 ToFixed4(double x);
double FromFixed4(Fixed4 v);

// v rounded to n decimals: n > 0 rounds half towards plus infinity, n <= 0
// rounds to a multiple of 10^|n|.
Fixed4 RoundToDigits(Fixed4 v, std::int16_t n);

inline constexpr std::array<const char *, 12> kNoteNames{"C",  "C#", "D",  "D#", "E",  "F",
                                                         "F#", "G",  "G#", "A",  "A#", "B"};

// Decimal digits, "-" for negatives, no blank.
std::string PlainText(int value);
// A blank before a value of 0 or more, "-" before a negative one.
inline std::string SignedPositionText(int value) { return SignedDecimal(value); }
// Shortest decimal of at most 15 significant digits, "." as decimal point
// whatever the locale, no exponent.
std::string FloatText(double value);

// A value outside its parameter's range, as a field shows it: its own
// text with a mark after it ("127!"). The instrument uses such a value as
// it comes, so the editor shows it rather than a value the voice lacks.
inline constexpr const char *kOutOfRangeMark = "!";
std::string OutOfRangeText(const std::string &text);
// The text without the mark, when it has one.
std::string_view WithoutOutOfRangeMark(std::string_view text);

// Out of range: no text (ShownText shows the number, marked).
std::optional<std::string> CurveName(int curve);  // 0..3
std::optional<std::string> LfoWaveName(int wave); // 0..5, always 4 characters

// Values beyond 0..1 as their number, marked (OutOfRangeText).
std::string LfoSyncText(int sync);     // "ON" / "OFF"
std::string OscSyncText(int sync);     // full-width "Ｏ　Ｎ" / "ＯＦＦ"
std::string OscModeText(int mode);     // "F" fixed, "R" ratio; above 1 its number, marked
std::string BreakPointText(int point); // 0 'A-1' .. 3 'C 0' .. 99 'C 8'
std::string TransposeText(int key);    // 0 'C 1' .. 24 'C 3' .. 48 'C 5'
std::string DetuneText(int detune);    // 0 '-7' .. 7 '0' .. 14 '+7'
// Ratio mode: (1 + fine / 100) x coarse, coarse 0 meaning 0.5; fixed mode:
// 10^(coarse AND 3) x 1.023293^fine to three decimals. A mode, coarse or
// fine outside its range is marked (OutOfRangeText).
std::string FrequencyText(int mode, int coarse, int fine);

// The value behind a text the user typed in place of a shown one; nullopt
// when the text is not such a form or names a value outside the range.
// Break point: a note as BreakPointText writes it, 'A-1' .. 'C 8'; the blank
// may be left out and the letter may be small ('c3', 'A#-1').
std::optional<int> BreakPointOfText(std::string_view text);
// Curve: one of the four names, blanks around and small letters allowed.
std::optional<int> CurveOfText(std::string_view text);
// Frequency: a decimal number ('1.5', '0.50', '100') that FrequencyText
// writes for some coarse 0..31 and fine 0..99 in the given mode. When
// several settings give it, the text the current setting shows keeps that
// setting; otherwise the lowest fine wins, then the current coarse, then the
// lowest coarse (ratio 3 is coarse 3, not coarse 2 with fine 50).
struct FrequencySetting {
    int coarse;
    int fine;
};
std::optional<FrequencySetting> FrequencyOfText(std::string_view text, int mode, int coarse, int fine);

} // namespace vox
