#include "editor/voice_sheet.h"

#include "editor/eg_graph.h"
#include "voice/algorithm_drawing.h"
#include "voice/display_conversions.h"
#include "voice/parameter_text.h"
#include "voice/voice_diff.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

namespace vox {

namespace {

// --- Page layout, in points ---------------------------------------------
constexpr double kMargin = 40;
constexpr double kRight = kSheetWidth - kMargin;
constexpr double kHeaderBase = 60; // baseline of the name
constexpr double kTopBlock = 244;  // titles of pitch EG, globals and algorithm
constexpr double kChartTitle = 92; // title of the operator chart
constexpr double kEnvelopeTitle = 410;
constexpr double kNotesTop = 708;
constexpr double kRowPitch = 15;      // chart rows
constexpr double kGlobalPitch = 11.5; // rows of the global list
constexpr double kGraphWidth = 160;
constexpr double kGraphScale = kGraphWidth / kGraphWidthTwips; // points per twip
constexpr double kGraphHeight = kGraphHeightTwips * kGraphScale;
constexpr double kTitleSize = 10, kTextSize = 9, kSmallSize = 7, kHeadSize = 6.5;
constexpr double kCarrierGray = 0.85;

int At(const Slot &s, int p) { return ParamValue(p, s[ParamPos(p)]); }

// Widths of Helvetica's printable ASCII characters 20h..7Eh, in 1/1000 em
// (its published metrics): an anchored text is placed by them in the PDF.
// Bold text is placed by them too; Helvetica-Bold's are a few percent wider.
constexpr std::array<short, 95> kHelveticaWidths{
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333,  278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667,
    611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667,  611, 722, 667, 944, 667,
    667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278,  556, 556, 222, 222, 500,
    222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500,  500, 334, 260, 334, 584};

bool Printable(char c) { return c >= 0x20 && c < 0x7F; }

// What a writer prints of a text: anything outside printable ASCII as "?".
std::string Safe(std::string_view text) {
    std::string out;
    for (char c : text)
        out.push_back(Printable(c) ? c : '?');
    return out;
}

double TextWidth(std::string_view text, double size) {
    double width = 0;
    for (char c : Safe(text))
        width += kHelveticaWidths[static_cast<std::size_t>(c - 0x20)];
    return width * size / 1000;
}

// --- Building a page ------------------------------------------------------
struct Page {
    SheetPage page;
    void line(std::vector<SheetPoint> points, double width = 0.5) {
        page.items.emplace_back(SheetLine{std::move(points), width});
    }
    void rect(double x, double y, double w, double h, double lineWidth = 0.5, double fill = -1) {
        page.items.emplace_back(SheetRect{x, y, w, h, lineWidth, fill});
    }
    void text(double x, double y, std::string s, double size = kTextSize, bool bold = false,
              SheetAnchor anchor = SheetAnchor::Start) {
        page.items.emplace_back(SheetText{x, y, size, Safe(s), bold, anchor});
    }
};

// The sheet's text of parameter p: the editor's, except osc key sync, whose
// full-width editor text has no ASCII form; the sheet gives it as LFO sync's.
std::string ValueText(const Slot &s, int p) {
    if (p == param::OscKeySync) return LfoSyncText(At(s, p));
    return ShownParameter(s, p);
}

void Header(Page &page, const Slot &voice) {
    page.text(kMargin, kHeaderBase, SheetName(voice), 22, true);
    page.text(kRight, kHeaderBase - 12, "DX7 voice sheet", kTextSize, false, SheetAnchor::End);
    page.text(kRight, kHeaderBase, "VOXMERE", kSmallSize, false, SheetAnchor::End);
    page.line({{kMargin, kHeaderBase + 8}, {kRight, kHeaderBase + 8}}, 1);
}

void Globals(Page &page, const Slot &voice) {
    const double left = 220;
    page.text(left, kTopBlock, "Voice", kTitleSize, true);
    double y = kTopBlock + 14;
    for (int p = param::Algorithm; p <= param::Transpose; ++p, y += kGlobalPitch) {
        page.text(left, y, VoiceParameterName(p));
        page.text(left + 150, y, ValueText(voice, p), kTextSize, true, SheetAnchor::End);
    }
}

void DrawSegments(Page &page, double left, double top, std::span<const GraphSegment> segments, double width) {
    std::vector<SheetPoint> points;
    for (const GraphSegment &s : segments) {
        if (points.empty()) points.push_back({left + s.from.x * kGraphScale, top + s.from.y * kGraphScale});
        points.push_back({left + s.to.x * kGraphScale, top + s.to.y * kGraphScale});
    }
    page.line(std::move(points), width);
}

void GraphFrame(Page &page, double left, double top, const GraphSegment &axis, const GraphSegment &base) {
    page.rect(left, top, kGraphWidth, kGraphHeight, 0.5, 0.97);
    DrawSegments(page, left, top, std::span(&axis, 1), 0.4);
    DrawSegments(page, left, top, std::span(&base, 1), 0.4);
}

// "R 99 99 99 99   L 99 99 99 0"
std::string RatesLevels(const Slot &voice, int firstRate, int firstLevel) {
    std::string text = "R";
    for (int k = 0; k < 4; ++k)
        text += " " + ValueText(voice, firstRate + k);
    text += "   L";
    for (int k = 0; k < 4; ++k)
        text += " " + ValueText(voice, firstLevel + k);
    return text;
}

void PitchEnvelope(Page &page, const Slot &voice) {
    const double left = kMargin;
    page.text(left, kTopBlock, "Pitch EG", kTitleSize, true);
    page.text(left, kTopBlock + 14, RatesLevels(voice, param::PitchRate1, param::PitchLevel1));
    std::array<int, 4> rates{}, levels{};
    for (std::size_t k = 0; k < 4; ++k) {
        rates[k] = ParamValueInRange(param::PitchRate1 + static_cast<int>(k),
                                     voice[ParamPos(param::PitchRate1) + k]);
        levels[k] = ParamValueInRange(param::PitchLevel1 + static_cast<int>(k),
                                      voice[ParamPos(param::PitchLevel1) + k]);
    }
    const double top = kTopBlock + 22;
    GraphFrame(page, left, top, kPitchGraphAxis, kPitchGraphCentre);
    const auto segments = PitchEgSegments(rates, levels);
    DrawSegments(page, left, top, segments, 1.2);
    for (const auto &[level, y] :
         {std::pair{"99", kPitchGraphAxis.from.y}, std::pair{"50", kPitchGraphCentre.from.y},
          std::pair{"0", kPitchGraphAxis.to.y}})
        page.text(left + (kPitchGraphAxis.from.x - 40) * kGraphScale, top + y * kGraphScale + 2.5, level,
                  kSmallSize, false, SheetAnchor::End);
}

void Algorithm(Page &page, const Slot &voice) {
    const double width = kGraphWidth, left = kRight - width;
    const double scale = width / kAlgorithmPictureWidth;
    page.text(left, kTopBlock, "Algorithm " + ValueText(voice, param::Algorithm), kTitleSize, true);
    const double top = kTopBlock + 8;
    page.rect(left, top, width, kAlgorithmPictureHeight * scale);
    const AlgorithmDrawing d = DrawAlgorithm(At(voice, param::Algorithm) + 1);
    auto place = [&](const PicturePoint &p) { return SheetPoint{left + p.x * scale, top + p.y * scale}; };
    for (const PictureLine &l : d.lines)
        page.line({place(l.from), place(l.to)}, 1);
    std::vector<SheetPoint> loop;
    for (const PicturePoint &p : d.loop)
        loop.push_back(place(p));
    page.line(std::move(loop), 1);
    const double boxW = kAlgorithmBoxWidth * scale, boxH = kAlgorithmBoxHeight * scale;
    for (int op = 1; op <= kOperatorCount; ++op) {
        const SheetPoint c = place(d.centres[static_cast<std::size_t>(op - 1)]);
        page.rect(c.x - boxW / 2, c.y - boxH / 2, boxW, boxH, 1,
                  d.carrier[static_cast<std::size_t>(op - 1)] ? kCarrierGray : 1);
        page.text(c.x, c.y + 3.5, std::to_string(op), 10, true, SheetAnchor::Middle);
    }
}

// One column of the operator chart: its headings and the parameter it shows.
struct ChartColumn {
    const char *top;
    const char *bottom;
    double width; // points
    int k;        // OpParam offset; -1: the operator's number
};

constexpr ChartColumn kChart[] = {
    {"", "OP", 26, -1},      {"", "1", 21, 0},          {"", "2", 21, 1},         {"", "3", 21, 2},
    {"", "4", 21, 3},        {"", "1", 21, 4},          {"", "2", 21, 5},         {"", "3", 21, 6},
    {"", "4", 21, 7},        {"BREAK", "POINT", 30, 8}, {"", "L", 22, 9},         {"", "R", 22, 10},
    {"", "L", 28, 11},       {"", "R", 28, 12},         {"RATE", "SCAL", 24, 13}, {"AMP", "MOD", 24, 14},
    {"KEY", "VEL", 24, 15},  {"OUT", "LEVEL", 28, 16},  {"OSC", "MODE", 26, 17},  {"FREQ", "", 40, 18},
    {"DE-", "TUNE", 24, 20},
};

// Headings over several columns: first column, count, text.
struct ChartSpan {
    int first, count;
    const char *text;
};
constexpr ChartSpan kChartSpans[] = {
    {1, 4, "EG RATE"}, {5, 4, "EG LEVEL"}, {10, 2, "DEPTH"}, {12, 2, "CURVE"}};

void Chart(Page &page, const Slot &voice) {
    page.text(kMargin, kChartTitle, "Operators", kTitleSize, true);
    const double headTop = kChartTitle + 6, rowsTop = headTop + 22;
    double width = 0;
    for (const ChartColumn &c : kChart)
        width += c.width;
    const double left = kMargin + (kRight - kMargin - width) / 2;
    page.rect(left, headTop, width, rowsTop - headTop, 0, 0.9);
    for (int row = 0; row < kOperatorCount; ++row)
        if (row % 2 == 1) page.rect(left, rowsTop + row * kRowPitch, width, kRowPitch, 0, 0.95);
    std::vector<double> columnLeft;
    for (double x = left; const ChartColumn &c : kChart) {
        columnLeft.push_back(x);
        x += c.width;
    }
    for (const ChartSpan &span : kChartSpans) {
        const double from = columnLeft[static_cast<std::size_t>(span.first)];
        const double to = columnLeft[static_cast<std::size_t>(span.first + span.count - 1)] +
                          kChart[span.first + span.count - 1].width;
        page.text((from + to) / 2, headTop + 8.5, span.text, kHeadSize, true, SheetAnchor::Middle);
        page.line({{from + 2, headTop + 11}, {to - 2, headTop + 11}}, 0.3);
    }
    double x = left;
    for (const ChartColumn &c : kChart) {
        const double centre = x + c.width / 2;
        page.text(centre, headTop + 8.5, c.top, kHeadSize, true, SheetAnchor::Middle);
        page.text(centre, headTop + 18.5, c.bottom, kHeadSize, true, SheetAnchor::Middle);
        for (int row = 0; row < kOperatorCount; ++row) {
            // Row i is operator 6 - i, as in the editor's chart.
            const int op = kOperatorCount - row;
            const double base = rowsTop + row * kRowPitch + 10.5;
            if (c.k < 0)
                page.text(centre, base, "OP" + std::to_string(op), kTextSize, true, SheetAnchor::Middle);
            else
                page.text(centre, base, ValueText(voice, OpParamNumber(op, static_cast<OpParam>(c.k))),
                          kTextSize, false, SheetAnchor::Middle);
        }
        x += c.width;
        // Thin lines inside a spanned group, below its heading.
        bool inside = false;
        for (const ChartSpan &span : kChartSpans)
            inside = inside || (x > columnLeft[static_cast<std::size_t>(span.first)] &&
                                x < columnLeft[static_cast<std::size_t>(span.first + span.count - 1)] + 1);
        page.line({{x, inside ? headTop + 11 : headTop}, {x, rowsTop + kOperatorCount * kRowPitch}}, 0.3);
    }
    page.rect(left, headTop, width, rowsTop - headTop + kOperatorCount * kRowPitch, 0.8);
    page.line({{left, rowsTop}, {left + width, rowsTop}}, 0.5);
    page.text(left, rowsTop + kOperatorCount * kRowPitch + 10,
              "FREQ: ratio (R), or Hz (F); detune -7..+7; values marked ! lie outside their range",
              kSmallSize);
}

void Envelopes(Page &page, const Slot &voice) {
    page.text(kMargin, kEnvelopeTitle, "Operator envelopes", kTitleSize, true);
    const double gap = (kRight - kMargin - 3 * kGraphWidth) / 2;
    for (int n = 0; n < kOperatorCount; ++n) {
        // OP6 first, as the chart and the editor's graphs run.
        const int op = kOperatorCount - n;
        const double left = kMargin + (n % 3) * (kGraphWidth + gap);
        const double top = kEnvelopeTitle + 8 + (n / 3) * (kGraphHeight + 34);
        std::array<int, 4> rates{}, levels{};
        for (int k = 0; k < 4; ++k) {
            const int r = OpParamNumber(op, static_cast<OpParam>(static_cast<int>(OpParam::Rate1) + k));
            const int l = OpParamNumber(op, static_cast<OpParam>(static_cast<int>(OpParam::Level1) + k));
            rates[static_cast<std::size_t>(k)] = ParamValueInRange(r, voice[ParamPos(r)]);
            levels[static_cast<std::size_t>(k)] = ParamValueInRange(l, voice[ParamPos(l)]);
        }
        GraphFrame(page, left, top, kOperatorGraphAxis, kOperatorGraphBase);
        const auto segments = OperatorEgSegments(rates, levels);
        DrawSegments(page, left, top, segments, 1.2);
        page.text(left + kGraphWidth - 4, top + 11, "OP" + std::to_string(op), kTextSize, true,
                  SheetAnchor::End);
        page.text(left, top + kGraphHeight + 10,
                  RatesLevels(voice, OpParamNumber(op, OpParam::Rate1), OpParamNumber(op, OpParam::Level1)),
                  kSmallSize);
    }
}

void Notes(Page &page) {
    page.text(kMargin, kNotesTop, "Notes", kTitleSize, true);
    page.rect(kMargin, kNotesTop + 6, kRight - kMargin, kSheetHeight - kMargin - kNotesTop - 6);
}

// --- Writers ----------------------------------------------------------------
std::string Number(double v) {
    char text[32];
    // Hundredths of a point are finer than any printer; to_chars ignores the locale.
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 2);
    std::string s(text, ec == std::errc() ? end : text);
    while (s.find('.') != std::string::npos && (s.back() == '0' || s.back() == '.')) {
        const bool dot = s.back() == '.';
        s.pop_back();
        if (dot) break;
    }
    return s == "-0" ? "0" : s;
}

std::string XmlEscaped(std::string_view text) {
    std::string out;
    for (char c : Safe(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string PdfString(std::string_view text) {
    std::string out = "(";
    for (char c : Safe(text)) {
        if (c == '(' || c == ')' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out + ")";
}

std::string Gray(double g) {
    const std::string level = std::to_string(std::lround(g * 255));
    return "rgb(" + level + "," + level + "," + level + ")";
}

std::string SvgItem(const SheetItem &item) {
    if (const auto *l = std::get_if<SheetLine>(&item)) {
        std::string points;
        for (const SheetPoint &p : l->points)
            points += (points.empty() ? "" : " ") + Number(p.x) + "," + Number(p.y);
        return "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"black\" stroke-width=\"" +
               Number(l->width) + "\"/>";
    }
    if (const auto *r = std::get_if<SheetRect>(&item)) {
        return "<rect x=\"" + Number(r->x) + "\" y=\"" + Number(r->y) + "\" width=\"" + Number(r->width) +
               "\" height=\"" + Number(r->height) + "\" fill=\"" +
               (r->fillGray < 0 ? "none" : Gray(r->fillGray)) + "\" stroke=\"" +
               (r->lineWidth > 0 ? "black" : "none") + "\" stroke-width=\"" + Number(r->lineWidth) + "\"/>";
    }
    const auto &t = std::get<SheetText>(item);
    const char *anchor = t.anchor == SheetAnchor::Middle ? "middle"
                         : t.anchor == SheetAnchor::End  ? "end"
                                                         : "start";
    return "<text x=\"" + Number(t.x) + "\" y=\"" + Number(t.y) + "\" font-size=\"" + Number(t.size) +
           "\" text-anchor=\"" + anchor + "\"" + (t.bold ? " font-weight=\"bold\"" : "") + ">" +
           XmlEscaped(t.text) + "</text>";
}

// PDF space has its origin at the bottom left.
double PdfY(double y) { return kSheetHeight - y; }

std::string PdfContent(const SheetPage &page) {
    std::string s;
    for (const SheetItem &item : page.items) {
        if (const auto *l = std::get_if<SheetLine>(&item)) {
            if (l->points.size() < 2) continue;
            s += Number(l->width) + " w ";
            for (std::size_t k = 0; k < l->points.size(); ++k)
                s += Number(l->points[k].x) + " " + Number(PdfY(l->points[k].y)) + (k == 0 ? " m " : " l ");
            s += "S\n";
        } else if (const auto *r = std::get_if<SheetRect>(&item)) {
            const std::string box = Number(r->x) + " " + Number(PdfY(r->y + r->height)) + " " +
                                    Number(r->width) + " " + Number(r->height) + " re ";
            if (r->fillGray >= 0) s += Number(r->fillGray) + " g " + box + "f 0 g\n";
            if (r->lineWidth > 0) s += Number(r->lineWidth) + " w " + box + "S\n";
        } else {
            const auto &t = std::get<SheetText>(item);
            double x = t.x;
            const double width = TextWidth(t.text, t.size);
            if (t.anchor == SheetAnchor::Middle) x -= width / 2;
            if (t.anchor == SheetAnchor::End) x -= width;
            s += "BT /" + std::string(t.bold ? "F2 " : "F1 ") + Number(t.size) + " Tf " + Number(x) + " " +
                 Number(PdfY(t.y)) + " Td " + PdfString(t.text) + " Tj ET\n";
        }
    }
    return s;
}

std::string Lower(std::string s) {
    for (char &c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string WriteReplacing(const std::filesystem::path &file, const std::string &bytes) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(file, ec)) return file.string() + ": is a folder";
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec)) return file.string() + ": no folder " + folder.string();
    // Hidden beside the target, so the rename stays on one volume.
    static std::atomic<unsigned> counter{0};
    fs::path temp = file;
    temp.replace_filename("." + file.filename().string() + ".writing-" + std::to_string(counter++));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            const std::string reason = std::strerror(errno);
            fs::remove(temp, ec);
            return file.string() + ": cannot write (" + reason + ")";
        }
    }
    fs::rename(temp, file, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return file.string() + ": cannot write (" + ec.message() + ")";
    }
    return {};
}

} // namespace

std::string SheetName(const Slot &voice) {
    std::string name;
    for (std::size_t k = 0; k < kNameLength; ++k) {
        const int code = voice[kNamePos + k] & 0x7F;
        if (code == 0x5C)
            name.push_back('Y');
        else if (code == 0x7E)
            name.push_back('>');
        else
            name.push_back(code < 0x20 || code == 0x7F ? ' ' : static_cast<char>(code));
    }
    return name;
}

SheetPage VoiceSheet(const Slot &voice) {
    Page page;
    // In the order of the parameter numbers: the operators, the pitch EG,
    // the voice's own parameters.
    Header(page, voice);
    Chart(page, voice);
    PitchEnvelope(page, voice);
    Globals(page, voice);
    Algorithm(page, voice);
    Envelopes(page, voice);
    Notes(page);
    return std::move(page.page);
}

std::string SheetSvg(const SheetPage &page) {
    std::string s =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" xml:space=\"preserve\" width=\"" +
        Number(kSheetWidth) + "pt\" height=\"" + Number(kSheetHeight) + "pt\" viewBox=\"0 0 " +
        Number(kSheetWidth) + " " + Number(kSheetHeight) +
        "\" font-family=\"Helvetica, Arial, sans-serif\">\n"
        "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    for (const SheetItem &item : page.items)
        s += SvgItem(item) + "\n";
    return s + "</svg>\n";
}

std::string SheetPdf(std::span<const SheetPage> pages) {
    // Objects: 1 catalogue, 2 page tree, 3 and 4 the fonts, then for every
    // page its page object and its content stream.
    std::vector<std::size_t> offsets;
    std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    auto object = [&](const std::string &body) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
    };
    std::string kids;
    for (std::size_t n = 0; n < pages.size(); ++n)
        kids += (n ? " " : "") + std::to_string(5 + 2 * n) + " 0 R";
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
    object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>");
    object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>");
    for (std::size_t n = 0; n < pages.size(); ++n) {
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Number(kSheetWidth) + " " +
               Number(kSheetHeight) + "] /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents " +
               std::to_string(6 + 2 * n) + " 0 R >>");
        const std::string content = PdfContent(pages[n]);
        object("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream");
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[21];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::optional<SheetFormat> SheetFormatOf(const std::filesystem::path &file) {
    const std::string ext = Lower(file.extension().string());
    if (ext == ".pdf") return SheetFormat::Pdf;
    if (ext == ".svg") return SheetFormat::Svg;
    return std::nullopt;
}

std::string WriteVoiceSheets(std::span<const Slot> voices, const std::filesystem::path &file) {
    const std::optional<SheetFormat> format = SheetFormatOf(file);
    if (!format) return file.string() + ": the sheet is written as .pdf or .svg";
    if (voices.empty()) return file.string() + ": no voice to write";
    if (*format == SheetFormat::Svg) {
        if (voices.size() > 1) return file.string() + ": an SVG sheet holds one voice; write several as .pdf";
        return WriteReplacing(file, SheetSvg(VoiceSheet(voices.front())));
    }
    std::vector<SheetPage> pages;
    for (const Slot &voice : voices)
        pages.push_back(VoiceSheet(voice));
    return WriteReplacing(file, SheetPdf(pages));
}

std::string WriteVoiceSheet(const Slot &voice, const std::filesystem::path &file) {
    return WriteVoiceSheets(std::span(&voice, 1), file);
}

} // namespace vox
