#pragma once
// The printable voice sheet: one A4 page per voice for an owner who sets
// the voice up by hand on the instrument's panel. In the order of the
// parameter numbers: the name, the operator chart (OP6 at the top, as in the
// editor), the pitch EG, the voice's own parameters with the algorithm
// picture; then the six operator envelopes. Values in the editor's forms.
//
// A page is a short drawing list in points (1/72 inch, y grows downwards
// from the top left corner), written out as SVG or as PDF. Texts on it are
// printable ASCII only: the PDF's standard Helvetica and any SVG viewer
// show them alike.

#include "voice/voice.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace vox {

inline constexpr double kSheetWidth = 595.28;  // points, A4
inline constexpr double kSheetHeight = 841.89; // points, A4

struct SheetPoint {
    double x = 0, y = 0; // points
};

// A line through two or more points.
struct SheetLine {
    std::vector<SheetPoint> points;
    double width = 0.5; // points
};

struct SheetRect {
    double x = 0, y = 0, width = 0, height = 0; // points, top left corner
    double lineWidth = 0.5;                     // points; 0: no outline
    double fillGray = -1;                       // 0 black .. 1 white; below 0: not filled
};

enum class SheetAnchor { Start, Middle, End };

struct SheetText {
    double x = 0, y = 0; // points, the baseline
    double size = 9;     // points
    std::string text;    // printable ASCII
    bool bold = false;
    SheetAnchor anchor = SheetAnchor::Start;
};

using SheetItem = std::variant<SheetLine, SheetRect, SheetText>;

struct SheetPage {
    std::vector<SheetItem> items; // drawn in this order
};

// The sheet of one voice (positions 6..160 of the slot are read).
SheetPage VoiceSheet(const Slot &voice);

// The ten name characters as the sheet prints them: bit 7 dropped, the
// instrument's Yen sign (5Ch) as "Y", its right arrow (7Eh) as ">", and
// the codes its display shows blank as blanks.
std::string SheetName(const Slot &voice);

// One SVG document of the page.
std::string SheetSvg(const SheetPage &page);
// One PDF 1.4 document, a page for each page given, in order.
std::string SheetPdf(std::span<const SheetPage> pages);

enum class SheetFormat { Pdf, Svg };
// From the file's extension (".pdf", ".svg", any case); nullopt for others.
std::optional<SheetFormat> SheetFormatOf(const std::filesystem::path &file);

// Writes the sheets of `voices` to `file`, PDF or SVG by its extension (an
// SVG holds one voice), through a temporary file beside it renamed over it
// when whole. Empty when written, else why not, naming the file.
std::string WriteVoiceSheets(std::span<const Slot> voices, const std::filesystem::path &file);
// The same for one voice: what the editor writes of its edit-area voice.
std::string WriteVoiceSheet(const Slot &voice, const std::filesystem::path &file);

} // namespace vox
