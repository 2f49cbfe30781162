#include "voice/text.h"

#include <algorithm>
#include <climits>

namespace vox {
namespace {

constexpr char32_t kControlPictures = 0x2400; // U+2400 SYMBOL FOR NULL
constexpr char32_t kControlCount = 0x20;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

} // namespace

std::optional<int> LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || !IsDigit(text[i])) return std::nullopt;
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) value = INT_MAX; // far outside any field's range
    }
    return static_cast<int>(negative ? -value : value);
}

std::optional<int> WholeInteger(std::string_view text, std::size_t maxDigits) {
    std::size_t i = 0, end = text.size();
    while (i < end && IsBlank(text[i]))
        ++i;
    while (end > i && IsBlank(text[end - 1]))
        --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == end || end - i > maxDigits || end - i > kIntDigits) return std::nullopt;
    int value = 0;
    for (; i < end; ++i) {
        if (!IsDigit(text[i])) return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::string SignedDecimal(int value) {
    return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

std::string HexByte(Byte b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

std::string HexBytes(std::span<const Byte> bytes, std::string_view separator, std::size_t limit) {
    bytes = bytes.first(std::min(limit, bytes.size()));
    std::string text;
    text.reserve(bytes.size() * (2 + separator.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) text += separator;
        text += HexByte(bytes[i]);
    }
    return text;
}

std::size_t Utf8Length(std::string_view text, std::size_t at) {
    if (at >= text.size()) return 0;
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF8 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (at + length > text.size()) return 1;
    for (std::size_t k = 1; k < length; ++k)
        if (!IsContinuation(text[at + k])) return 1;
    return length;
}

std::vector<char32_t> CodePoints(std::string_view text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(text, i);
        const auto lead = static_cast<unsigned char>(text[i]);
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out.push_back(c);
        i += length;
    }
    return out;
}

void AppendUtf8(std::string &out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Utf8Of(const std::vector<char32_t> &codePoints, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < std::min(to, codePoints.size()); ++i)
        AppendUtf8(out, codePoints[i]);
    return out;
}

std::string WithControlPictures(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < kControlCount)
            AppendUtf8(out, kControlPictures + b);
        else
            out += c;
    }
    return out;
}

std::string WithoutControlPictures(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(text, i);
        if (length == 3) {
            const std::vector<char32_t> c = CodePoints(text.substr(i, 3));
            if (c[0] >= kControlPictures && c[0] < kControlPictures + kControlCount) {
                out += static_cast<char>(c[0] - kControlPictures);
                i += 3;
                continue;
            }
        }
        out += text.substr(i, length);
        i += length;
    }
    return out;
}

} // namespace vox
