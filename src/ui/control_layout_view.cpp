#include "ui/control_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <cstring>

namespace vox {

QString ShownCaption(const ControlRow &row, int index) {
    const char *text = ElementCaption(row, index);
    return text ? QString::fromUtf8(Translate(text)) : QString();
}

QString ElementName(const ControlRow &row, int index) {
    const QString name = QString::fromUtf8(row.name);
    return row.count == 0 ? name : QString("%1_%2").arg(name).arg(index);
}

const ControlRow *FindControl(ControlTable table, std::string_view name, int *index) {
    const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    for (const ControlRow &row : table) {
        if (*row.name == '\0') continue;
        for (int i = 0; i < ElementCount(row); ++i)
            if (ElementName(row, i) == wanted) {
                if (index) *index = i;
                return &row;
            }
    }
    return nullptr;
}

TwipsRect ControlRect(ControlTable table, std::string_view name) {
    int index = 0;
    const ControlRow *row = FindControl(table, name, &index);
    return row ? ElementRect(*row, index) : TwipsRect{0, 0, 0, 0};
}

// --- Fonts ----------------------------------------------------------------

namespace {

// The positions were laid out for a 9-point Japanese UI font with tight
// metrics. Noto Sans CJK JP has the glyphs of every Japanese caption
// (full-width and half-width kana included) but a tall line (1.45 em), so
// the editor's Latin headings and value fields, in lines 11 to 12 pixels
// apart and boxes 28 pixels wide, take DejaVu Sans Condensed: a 10-pixel
// line and narrow letters ("SQUA", "C# 4" fit a chart field).
constexpr const char *kUiFamily = "Noto Sans CJK JP";
constexpr const char *kFixedFamily = "Noto Sans Mono CJK JP";
constexpr const char *kCondensedFamily = "DejaVu Sans Condensed";

QFont Font(const char *family, double points, QFont::StyleHint hint = QFont::SansSerif) {
    QFont font(QString::fromUtf8(family));
    font.setStyleHint(hint);
    font.setPointSizeF(points);
    return font;
}

} // namespace

QFont UiFont() { return Font(kUiFamily, 8.25); }

QFont ControlFont(FontClass font) {
    switch (font) {
    case FontClass::Button:
        return Font(kUiFamily, 8.25);
    case FontClass::Label:
        return Font(kUiFamily, 7.5);
    case FontClass::Heading:
        return Font(kCondensedFamily, 7);
    case FontClass::Option:
        return Font(kUiFamily, 8.25);
    case FontClass::Text:
        return Font(kUiFamily, 7.5);
    case FontClass::Value:
        return Font(kCondensedFamily, 7);
    case FontClass::List:
        return Font(kUiFamily, 8.25);
    case FontClass::FixedList:
        return Font(kFixedFamily, 9, QFont::Monospace);
    case FontClass::FrameCaption:
        return Font(kCondensedFamily, 7);
    }
    return UiFont();
}

FontClass FontClassOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Command:
    case ControlKind::Button:
    case ControlKind::UpDown:
        return FontClass::Button;
    case ControlKind::Label:
        return FontClass::Label;
    case ControlKind::Heading:
    case ControlKind::ClickLabel:
        return FontClass::Heading;
    case ControlKind::Field:
    case ControlKind::Entry:
        return FontClass::Value;
    case ControlKind::Option:
    case ControlKind::CheckBox:
        return FontClass::Option;
    case ControlKind::List:
        return FontClass::List;
    case ControlKind::EntryList:
        return FontClass::FixedList;
    case ControlKind::Frame:
        return FontClass::FrameCaption;
    default:
        return FontClass::Text;
    }
}

// --- Builder --------------------------------------------------------------

namespace {

QWidget *MakeStandard(const ControlRow &row, const QString &caption, QWidget *parent) {
    switch (row.kind) {
    case ControlKind::Command:
        return new WrapButton(caption, parent);
    case ControlKind::Button:
        return new QPushButton(caption, parent);
    case ControlKind::Label:
    case ControlKind::Heading:
        return MakeLabel(caption, parent);
    case ControlKind::Option:
        return new QRadioButton(caption, parent);
    case ControlKind::CheckBox:
        return new QCheckBox(caption, parent);
    case ControlKind::TextBox:
        return new QLineEdit(parent);
    case ControlKind::List:
    case ControlKind::EntryList:
        return new QListWidget(parent);
    case ControlKind::Combo:
        return new QComboBox(parent);
    case ControlKind::Frame:
        return new QGroupBox(caption, parent);
    case ControlKind::Panel:
        return new QFrame(parent);
    case ControlKind::Shape: {
        auto *shape = new QFrame(parent);
        shape->setFrameShape(QFrame::Box);
        shape->setAttribute(Qt::WA_TransparentForMouseEvents);
        return shape;
    }
    case ControlKind::ProgressBar: {
        auto *bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::ScrollBar:
        return new QScrollBar(Qt::Vertical, parent);
    default:
        return nullptr;
    }
}

void ApplyAnchors(QWidget *widget, const ControlRow &row, int index) {
    auto *heading = dynamic_cast<ColumnHeading *>(widget);
    if (!heading || !row.anchors) return;
    std::vector<int> centres;
    const int left = ElementRect(row, index).left;
    for (int k = 0; k < row.anchorCount; ++k)
        centres.push_back(TwipsToPixels(row.anchors[k] - left, widget));
    heading->setCentres(std::move(centres));
}

} // namespace

BuiltControls BuildControls(ControlTable table, QWidget *window, const CustomControlMaker &custom) {
    BuiltControls built;
    int rowNumber = 0;
    for (const ControlRow &row : table) {
        for (int i = 0; i < ElementCount(row); ++i) {
            QWidget *parent = window;
            if (*row.parent != '\0') {
                QString parentName = QString::fromUtf8(row.parent);
                if (parentName.endsWith("_#")) parentName = parentName.chopped(1) + QString::number(i);
                parent = built[parentName];
                Q_ASSERT_X(parent, "BuildControls", qPrintable(parentName));
            }
            const QString caption = ShownCaption(row, i);
            QWidget *widget = MakeStandard(row, caption, parent);
            if (!widget && custom) widget = custom(row, i, parent);
            Q_ASSERT_X(widget, "BuildControls", row.name);
            if (!widget) continue;
            const QString name = ElementName(row, i);
            if (*row.name != '\0') widget->setObjectName(name);
            widget->setFont(ControlFont(FontClassOf(row.kind)));
            PlaceAt(widget, ElementRect(row, i));
            ApplyAnchors(widget, row, i);
            built.insert(*row.name != '\0' ? name : QString("#%1.%2").arg(rowNumber).arg(i), widget);
        }
        ++rowNumber;
    }
    return built;
}

// --- Growth ---------------------------------------------------------------

namespace {

class GrowthFollower : public QObject {
public:
    struct Placed {
        QWidget *widget;
        TwipsRect at;
        Follow how;
    };
    GrowthFollower(QWidget *client, std::vector<Placed> placed)
        : QObject(client), client_(client), placed_(std::move(placed)) {
        client->installEventFilter(this);
        place();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == client_ && event->type() == QEvent::Resize) place();
        return false;
    }

private:
    void place() {
        const int dx = std::max(0, client_->width() - client_->minimumWidth());
        const int dy = std::max(0, client_->height() - client_->minimumHeight());
        for (const Placed &p : placed_) {
            QRect r = TwipsToRect(p.at, p.widget->parentWidget());
            if (Has(p.how, Follow::Right)) r.translate(dx, 0);
            if (Has(p.how, Follow::Down)) r.translate(0, dy);
            if (Has(p.how, Follow::Wider)) r.setWidth(r.width() + dx);
            if (Has(p.how, Follow::Taller)) r.setHeight(r.height() + dy);
            p.widget->setGeometry(r);
        }
    }

    QWidget *client_;
    std::vector<Placed> placed_;
};

} // namespace

void FollowGrowth(QWidget *client, const BuiltControls &built, ControlTable table,
                  std::span<const FollowRow> follow) {
    std::vector<GrowthFollower::Placed> placed;
    for (const FollowRow &row : follow) {
        QWidget *widget = built[QString::fromUtf8(row.name)];
        Q_ASSERT_X(widget, "FollowGrowth", row.name);
        if (widget) placed.push_back({widget, ControlRect(table, row.name), row.how});
    }
    new GrowthFollower(client, std::move(placed));
}

} // namespace vox
