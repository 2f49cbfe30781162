#pragma once
// A window's controls as data: one constexpr row per control or control
// array (name, kind, twips rectangle, parent, caption), and one builder that
// makes the Qt controls from such a table. The views wire the built controls
// to their forms; the view tests read the same tables.

#include "text/ui_text.h"
#include "ui/twips.h"

#include <QFont>
#include <QHash>
#include <QString>

#include <array>
#include <functional>
#include <span>
#include <string_view>

class QWidget;

namespace vox {

enum class ControlKind {
    Command,    // command button whose caption may wrap (WrapButton)
    Button,     // plain push button
    Label,      // caption; spaced-out captions become column headings
    Heading,    // a chart heading: a Label in the headings' font
    ClickLabel, // caption or caption-less heading that reports a click
    Option,     // option (radio) button
    CheckBox,   // check box with its caption
    TextBox,    // editable text box
    Field,      // read-only chart field that reports a click
    Entry,      // text box of the editor's Data Entry Zone
    List,       // list box
    EntryList,  // list box of 15-character voice entries (fixed pitch)
    Combo,      // drop-down list
    Frame,      // frame with a caption (group box)
    Panel,      // frame without a border or caption, a container only
    Shape,      // rectangle outline that lets clicks through
    ProgressBar,
    ScrollBar,
    UpDown,  // pair of step buttons
    Picture, // picture box
    Graph,   // envelope graph
};

// One control, or a control array named name_0, name_1 ...: element i lies
// dx, dy twips on from element i - 1. An array of arrays (outer > 1) numbers
// its elements o * count + i, outer step odx, ody.
struct ControlRow {
    const char *name; // objectName; "" for a caption nobody addresses
    ControlKind kind;
    TwipsRect at;                          // element 0, inside its parent
    const char *parent = "";               // "" the window; "Name_#" the element of the same index
    Text caption{};                        // shown in the chosen language
    const char *const *captions = nullptr; // one per element (index modulo captionCount)
    int captionCount = 0;
    int count = 0; // 0: a single control
    int dx = 0, dy = 0;
    int outer = 1, odx = 0, ody = 0;
    // A spaced-out heading: the centre (twips, in the parent) of the column
    // each group of words names.
    const int *anchors = nullptr;
    int anchorCount = 0;
};

using ControlTable = std::span<const ControlRow>;

// How a control follows a client area that grows beyond its size (a window
// the user enlarges): its place moves by the growth (Right, Down), its size
// grows by it (Wider, Taller). A control without a row stays where it is.
enum class Follow : unsigned { Right = 1, Down = 2, Wider = 4, Taller = 8 };
constexpr Follow operator|(Follow a, Follow b) {
    return static_cast<Follow>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool Has(Follow set, Follow one) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(one)) != 0;
}

struct FollowRow {
    const char *name;
    Follow how;
};

// Row modifiers, so a table row reads as one control plus what makes it an
// array, a captioned array or an anchored heading.
constexpr ControlRow Array(ControlRow row, int count, int dx, int dy) {
    row.count = count;
    row.dx = dx;
    row.dy = dy;
    return row;
}
constexpr ControlRow Grid(ControlRow row, int count, int dy, int outer, int odx) {
    row = Array(row, count, 0, dy);
    row.outer = outer;
    row.odx = odx;
    return row;
}
template <std::size_t N>
constexpr ControlRow Captions(ControlRow row, const std::array<const char *, N> &captions) {
    row.captions = captions.data();
    row.captionCount = static_cast<int>(N);
    return row;
}
template <std::size_t N> constexpr ControlRow Captions(ControlRow row, const char *const (&captions)[N]) {
    row.captions = captions;
    row.captionCount = static_cast<int>(N);
    return row;
}
template <std::size_t N> constexpr ControlRow Anchors(ControlRow row, const int (&centres)[N]) {
    row.anchors = centres;
    row.anchorCount = static_cast<int>(N);
    return row;
}

// Elements a row makes (1 for a single control).
constexpr int ElementCount(const ControlRow &row) { return row.count == 0 ? 1 : row.count * row.outer; }

// Twips rectangle of element `index` of a row.
constexpr TwipsRect ElementRect(const ControlRow &row, int index) {
    const int count = row.count == 0 ? 1 : row.count;
    const int i = index % count, o = index / count;
    return {row.at.left + i * row.dx + o * row.odx, row.at.top + i * row.dy + o * row.ody, row.at.width,
            row.at.height};
}

// As written (Japanese); the views show it in the chosen language.
constexpr const char *ElementCaption(const ControlRow &row, int index) {
    if (row.captions && row.captionCount > 0) return row.captions[index % row.captionCount];
    return row.caption.ja;
}

QString ElementName(const ControlRow &row, int index);
// The element's caption as the user reads it, in the chosen language.
QString ShownCaption(const ControlRow &row, int index);

// The row that makes the control of that objectName, with the element's
// index; nullptr when no row does.
const ControlRow *FindControl(ControlTable table, std::string_view name, int *index = nullptr);

// The twips rectangle of the control of that objectName; a test that asks
// for a control the table lacks fails on the zero rectangle.
TwipsRect ControlRect(ControlTable table, std::string_view name);

// --- Fonts ----------------------------------------------------------------

// The fonts per class of control; see ControlFont.
enum class FontClass { Button, Label, Heading, Option, Text, Value, List, FixedList, FrameCaption };
FontClass FontClassOf(ControlKind kind);
// The font of a class; the window's own font (menus, boxes) is UiFont.
QFont ControlFont(FontClass font);
QFont UiFont();

// --- Builder --------------------------------------------------------------

// The controls a table made, by objectName (unnamed captions are kept under
// "#row.element" so every control can be reached).
class BuiltControls {
public:
    QWidget *operator[](const QString &name) const { return controls_.value(name); }
    template <class T> T *get(const QString &name) const {
        auto *widget = dynamic_cast<T *>(controls_.value(name));
        Q_ASSERT_X(widget, "BuiltControls::get", qPrintable(name));
        return widget;
    }
    void insert(const QString &name, QWidget *widget) { controls_.insert(name, widget); }

private:
    QHash<QString, QWidget *> controls_;
};

// Makes the kinds the builder does not know (Field, Entry, UpDown, Picture,
// Graph, ClickLabel): a bare widget of the right class under parent.
using CustomControlMaker = std::function<QWidget *(const ControlRow &row, int index, QWidget *parent)>;

// Builds every control of the table under window, in table order, each with
// its objectName, caption, class font and place. Parents come before their
// children in a table.
BuiltControls BuildControls(ControlTable table, QWidget *window, const CustomControlMaker &custom = {});

// Places the controls of `follow` anew whenever the client is resized: at
// their table places, moved and grown by what the client has beyond its
// minimum size.
void FollowGrowth(QWidget *client, const BuiltControls &built, ControlTable table,
                  std::span<const FollowRow> follow);

} // namespace vox
