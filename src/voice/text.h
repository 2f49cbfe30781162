#pragma once
// Text helpers every layer shares: reading numbers out of field texts,
// writing bytes in hex and numbers in the signed form, walking UTF-8, and
// the control pictures that stand in for control characters on screen.

#include "voice/voice_layout.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vox {

// --- Numbers ---------------------------------------------------------------

// The number a field text starts with: blanks (space, tab) before it, an
// optional sign, then the digits up to the first other character. A value
// beyond the int range stops at INT_MAX (or its negative). nullopt when no
// digit follows the sign.
std::optional<int> LeadingInteger(std::string_view text);

// The whole text as a number: blanks around it, an optional sign, one to
// maxDigits digits and nothing else; nullopt for any other text.
inline constexpr std::size_t kIntDigits = 9; // always inside the int range
std::optional<int> WholeInteger(std::string_view text, std::size_t maxDigits = kIntDigits);

// A number with a blank in the sign position for zero and above (" 5", "-3").
std::string SignedDecimal(int value);

// --- Hex -------------------------------------------------------------------

// Two upper-case hex digits ("0A").
std::string HexByte(Byte b);
// The first `limit` bytes (all by default), each as two upper-case hex
// digits, separator between them ("F0 43 00" with the default, "F04300"
// with "").
std::string HexBytes(std::span<const Byte> bytes, std::string_view separator = " ",
                     std::size_t limit = std::string::npos);

// --- UTF-8 -----------------------------------------------------------------

// Bytes of the character starting at `at`: 2..4 for a lead byte followed by
// its continuation bytes, else 1 (ASCII, or a stray byte counted as a
// character of its own). 0 at or past the end.
std::size_t Utf8Length(std::string_view text, std::size_t at);

// The code points of UTF-8 text; a stray byte gives the code point of its
// own value, so that no byte is lost.
std::vector<char32_t> CodePoints(std::string_view text);

// Appends one code point as UTF-8.
void AppendUtf8(std::string &out, char32_t c);
// Code points [from, to) as UTF-8 (to beyond the end: up to the end).
std::string Utf8Of(const std::vector<char32_t> &codePoints, std::size_t from = 0,
                   std::size_t to = std::string::npos);

// --- Control pictures ------------------------------------------------------

// Control characters (00h..1Fh) cannot be shown in a list or a line edit:
// each becomes its Unicode control picture (U+2400..U+241F); everything
// else stays as it is.
std::string WithControlPictures(std::string_view text);
// The way back: each control picture becomes its control character.
std::string WithoutControlPictures(std::string_view text);

} // namespace vox
