#include "editor/form2_view.h"

#include "editor/eg_graph_view.h"
#include "editor/form2.h"
#include "ui/twips.h"
#include "voice/text.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <filesystem>
#include <system_error>

namespace vox {

// --- Controls --------------------------------------------------------------

// A control that reports a left click to its handler.
template <class Base> class Clickable : public Base {
public:
    using Base::Base;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && onClick) onClick();
    }
};

// A read-only chart field: a click selects its group.
class ClickField : public Clickable<QLineEdit> {
public:
    explicit ClickField(QWidget* parent) : Clickable<QLineEdit>(parent) {
        setReadOnly(true);
        setAlignment(Qt::AlignCenter);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        setTextMargins(0, 0, 0, 0);
    }
};

// A label that reacts to a click (the caption-less headings, Label30...).
class ClickLabel : public Clickable<QLabel> {
public:
    ClickLabel(const QString& caption, QWidget* parent) : Clickable<QLabel>(caption, parent) {
        setCursor(Qt::PointingHandCursor);
    }
};

// A box of the Data Entry Zone the user may also type into.
class EntryField : public QLineEdit {
public:
    explicit EntryField(QWidget* parent) : QLineEdit(parent) {
        setAlignment(Qt::AlignCenter);
        setTextMargins(0, 0, 0, 0);
    }
};

// An up-down pair: ▼ steps down, ▲ steps up.
class UpDownButtons : public QWidget {
public:
    explicit UpDownButtons(QWidget* parent) : QWidget(parent) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        down_ = new QToolButton(this);
        down_->setObjectName("down");
        down_->setArrowType(Qt::DownArrow);
        up_ = new QToolButton(this);
        up_->setObjectName("up");
        up_->setArrowType(Qt::UpArrow);
        for (QToolButton* b : {down_, up_}) {
            b->setAutoRepeat(true);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
            layout->addWidget(b);
        }
    }
    QToolButton* up() const { return up_; }
    QToolButton* down() const { return down_; }

private:
    QToolButton* up_;
    QToolButton* down_;
};

namespace {

QString Qs(const std::string& s) { return QString::fromStdString(s); }

// The window's client area, in twips.
constexpr int kClientWidth = 11520, kClientHeight = 10380;

// Chart rows.
constexpr int kRowTop = 2940, kRowPitch = 330, kRowHeight = 300; // twips
// Heading lines above and below the rows.
constexpr int kTop1 = 2565, kTop2 = 2745, kTopLine = 180;
constexpr int kBottom[5] = {4920, 5085, 5250, 5415, 5580};
constexpr int kBottomLine = 165;

// Left edge and width of each chart column Text19..Text38 (twips).
constexpr TwipsRect kChartColumns[20] = {
    {1170, 0, 465, 0},  {1710, 0, 330, 0},  {2055, 0, 885, 0},  {3015, 0, 420, 0},  // 19..22
    {3510, 0, 420, 0},  {4005, 0, 420, 0},  {4500, 0, 420, 0},  {4995, 0, 420, 0},  // 23..26
    {5490, 0, 420, 0},  {5985, 0, 420, 0},  {6480, 0, 420, 0},  {6975, 0, 420, 0},  // 27..30
    {7470, 0, 420, 0},  {7950, 0, 450, 0},  {8430, 0, 450, 0},  {8955, 0, 450, 0},  // 31..34
    {9435, 0, 450, 0},  {9930, 0, 420, 0},  {10425, 0, 420, 0}, {10920, 0, 420, 0}, // 35..38
};

// The caption-less headings over the chart: Label13(index) and where they lie.
struct Overlay {
    const char* name;
    TwipsRect at;
};
constexpr Overlay kChartOverlays[] = {
    {"Label13_0", {675, kTop1, 450, 360}},     {"Label13_1", {1125, kTop1, 555, 360}},
    {"Label13_2", {1665, 4920, 1305, 165}},    {"Label13_5", {2970, 4920, 495, 330}},
    {"Label13_6", {3465, 4920, 3960, 165}},    {"Label13_7", {7425, 4920, 480, 330}},
    {"Label13_8", {7905, 4920, 1005, 165}},    {"Label13_9", {8910, 4920, 975, 165}},
    {"Label13_10", {9885, 4920, 495, 825}},    {"Label13_11", {10380, 4920, 495, 495}},
    {"Label13_12", {10875, 4920, 540, 495}},
};
constexpr Overlay kGlobalOverlays[] = {
    {"Label11", {3465, 495, 510, 405}},  {"Label57", {3960, 495, 495, 450}}, {"Label58", {4455, 495, 495, 450}},
    {"Label59", {4950, 495, 495, 450}},  {"Label60", {5445, 495, 495, 450}}, {"Label61", {5940, 495, 495, 450}},
    {"Label62", {6435, 495, 495, 450}},  {"Label12", {6930, 495, 3975, 450}}, {"Label63", {10890, 495, 510, 600}},
};

// Control characters of a stored name cannot be shown in a line edit: each
// is drawn as its Unicode control picture and read back as itself.
QString ShownName(const std::string& name) { return Qs(WithControlPictures(name)); }
std::string StoredName(const QString& shown) { return WithoutControlPictures(shown.toStdString()); }

void SetText(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) edit->setText(text);
}
void SetCaption(QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
}

QString AlgorithmNumberOf(const std::string& file) {
    // "alg12.jpg" -> "12"
    QString name = Qs(file);
    if (name.startsWith("alg")) name = name.mid(3);
    if (name.endsWith(".jpg")) name.chop(4);
    return name;
}

} // namespace

// --- Picture box -------------------------------------------------------------

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Box);
    setCursor(Qt::PointingHandCursor);
}

void PictureBox::showPicture(const QString& path, const QString& number) {
    if (path != path_) {
        path_ = path;
        image_ = QImage();
        if (!path.isEmpty() && QFileInfo::exists(path)) image_.load(path); // unreadable: stays empty
    }
    number_ = number;
    update();
}

void PictureBox::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    QPainter p(this);
    const QRect inner = contentsRect().adjusted(2, 2, -2, -2);
    if (!image_.isNull()) {
        const QImage scaled = image_.scaled(inner.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.drawImage(inner.left() + (inner.width() - scaled.width()) / 2,
                    inner.top() + (inner.height() - scaled.height()) / 2, scaled);
    } else {
        QFont f = font();
        f.setPixelSize(std::max(12, inner.height() / 3));
        p.setFont(f);
        p.drawText(inner, Qt::AlignCenter, number_);
    }
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && onClick) onClick();
}

// --- The window ------------------------------------------------------------

Form2View::Form2View(Form2& form, FormContext program, QWidget* parent)
    : QWidget(parent), program_(program), form_(form) {
    setObjectName("Form2");
    setWindowTitle(QString::fromUtf8(form2_text::kCaption));
    setFixedSize(TwipsToPixels(kClientWidth, this), TwipsToPixels(kClientHeight, this));

    buildGlobals();
    buildChart();
    buildEntryZone();
    buildCommands();

    hasDefaultPrinter = [] { return !QPrinterInfo::defaultPrinter().isNull(); };
    choosePdfFile = [this](const QString& suggestion) {
        return QFileDialog::getSaveFileName(this, QString::fromUtf8(form2_view_text::kPdfDialogTitle), suggestion,
                                            QString::fromUtf8(form2_view_text::kPdfFilter));
    };
    form_.printWindow = [this] { printChart(); };
    refresh();
}

void Form2View::buildGlobals() {
    using namespace form2_text;
    auto label = [&](const char* caption, TwipsRect r, QWidget* parent = nullptr) {
        auto* l = MakeLabel(QString::fromUtf8(caption), parent ? parent : this);
        PlaceLabel(l, r);
        return l;
    };
    auto field = [&](const QString& name, TwipsRect r) {
        auto* f = new ClickField(this);
        f->setObjectName(name);
        PlaceAt(f, r);
        f->onClick = [this, name] {
            form_.controlClick(name.toStdString());
            after();
        };
        return f;
    };

    // Name and list number.
    label34_ = new QLabel(this);
    label34_->setObjectName("Label34");
    PlaceAt(label34_, {120, 90, 600, 300});
    text39_ = new QLineEdit(this);
    text39_->setObjectName("Text39");
    PlaceAt(text39_, {720, 60, 1800, 330});
    connect(text39_, &QLineEdit::textEdited, this, [this](const QString& t) {
        // A character the instrument cannot store is refused as it is typed.
        if (!form_.text39Change(StoredName(t))) {
            const int cursor = text39_->cursorPosition();
            text39_->setText(ShownName(form_.text39));
            text39_->setCursorPosition(std::min<int>(std::max(0, cursor - 1), text39_->text().size()));
        }
        after();
    });

    // Algorithm.
    auto* label30 = new ClickLabel(QString::fromUtf8(kHeadAlgorithm), this);
    label30->setObjectName("Label30");
    PlaceLabel(label30, {120, 500, 1200, 240});
    label30->onClick = [this] {
        form_.controlClick("Label30");
        after();
    };
    text8_ = field("Text8", {1380, 480, 480, 300});
    picture1_ = new PictureBox(this);
    picture1_->setObjectName("Picture1");
    PlaceAt(picture1_, {120, 840, 3240, 1620});
    picture1_->onClick = [this] {
        form_.controlClick("Label30");
        after();
    };

    // Feedback, LFO, pitch EG, transpose.
    label(kHeadLfoPitchEg, {4005, 180, 6900, 180});
    label(kHeadFeed, {3480, 540, 480, 180});
    label(kHeadBack, {3480, 720, 480, 180});
    label(kHeadLfoFields, {3990, 720, 2940, 180});
    label(kHeadPegRateLevel, {6990, 540, 2320, 180}); // LEVEL over the first level box
    label(kHeadPegNumbers, {6990, 720, 3900, 180});
    label(kHeadKeyT, {10935, 540, 450, 180});
    label(kHeadTrance, {10935, 720, 450, 180});
    label(kHeadPose, {10935, 900, 450, 180});

    globals_[1] = field("Text1", {3510, 1260, 420, 300});
    for (int k = 0; k < 6; ++k) globals_[2 + k] = field(QString("Text%1").arg(2 + k), {3990 + k * 495, 1260, 450, 300});
    for (int k = 0; k < 8; ++k) globals_[9 + k] = field(QString("Text%1").arg(9 + k), {6975 + k * 495, 1260, 420, 300});
    globals_[17] = field("Text17", {10935, 1260, 420, 300});

    for (const Overlay& o : kGlobalOverlays) {
        auto* l = new ClickLabel(QString(), this);
        l->setObjectName(o.name);
        PlaceAt(l, o.at);
        const std::string name = o.name;
        l->onClick = [this, name] {
            form_.controlClick(name);
            after();
        };
    }
}

void Form2View::buildChart() {
    using namespace form2_text;
    auto label = [&](const char* caption, int left, int top, int height, int width = 300) {
        auto* l = MakeLabel(QString::fromUtf8(caption), this);
        PlaceLabel(l, {left, top, width, height});
        return l;
    };
    auto field = [&](const QString& name, TwipsRect r) {
        auto* f = new ClickField(this);
        f->setObjectName(name);
        PlaceAt(f, r);
        f->onClick = [this, name] {
            form_.controlClick(name.toStdString());
            after();
        };
        return f;
    };

    // Headings above the rows.
    label(kHeadAmp, 1140, kTop1, kTopLine);
    label(kHeadChart, 1710, kTop1, kTopLine, 8640); // Oscillator .. Keybord Level Scaling
    label(kHeadOperator, 120, kTop2, kTopLine);
    label(kHeadPitch, 690, kTop2, kTopLine);
    label(kHeadLitude, 1140, kTop2, kTopLine);
    label(kHeadEg, 3480, kTop2, kTopLine, 3960);      // Text23..Text30
    label(kHeadLr, 7920, kTop2, kTopLine, 1965);      // Text32..Text35
    // Headings below the rows.
    label(kHeadMod, 690, kBottom[0], kBottomLine);
    label(kHeadSensitivity, 690, kBottom[1], kBottomLine);
    label(kHeadFreq, 2250, kBottom[0], kBottomLine);
    label(kHeadDe, 3015, kBottom[0], kBottomLine);
    label(kHeadTune, 3015, kBottom[1], kBottomLine);
    // As wide as puts LEVEL over the first level column.
    label(kHeadRateLevel, 3600, kBottom[0], kBottomLine, 2300);
    label(kHeadBreak, 7440, kBottom[0], kBottomLine);
    label(kHeadPoint, 7440, kBottom[1], kBottomLine);
    label(kHeadCurveDepth, 8000, kBottom[0], kBottomLine, 1900);
    const char* rateScaling[5] = {kHeadKey, kHeadBord, kHeadRate, kHeadScal, kHeadIng};
    for (int k = 0; k < 5; ++k) label(rateScaling[k], 9930, kBottom[k], kBottomLine);
    const char* output[3] = {kHeadOut, kHeadPut, kHeadLevel};
    const char* velocity[3] = {kHeadVelo, kHeadCity, kHeadSens};
    for (int k = 0; k < 3; ++k) {
        label(output[k], 10425, kBottom[k], kBottomLine);
        label(velocity[k], 10920, kBottom[k], kBottomLine);
    }

    for (int i = 0; i < 6; ++i) {
        auto* l = new QLabel(QString::fromUtf8(kLabel6[static_cast<std::size_t>(i)]), this);
        l->setObjectName(QString("Label6_%1").arg(i));
        l->setAlignment(Qt::AlignCenter);
        PlaceAt(l, {240, kRowTop + i * kRowPitch, 360, kRowHeight});
    }
    globals_[18] = field("Text18", {720, kRowTop, 420, kRowHeight});
    for (int c = 19; c <= 38; ++c) {
        const TwipsRect col = kChartColumns[c - 19];
        for (int i = 0; i < 6; ++i)
            rows_[static_cast<std::size_t>(c - 19)][static_cast<std::size_t>(i)] =
                field(QString("Text%1_%2").arg(c).arg(i), {col.left, kRowTop + i * kRowPitch, col.width, kRowHeight});
    }

    auto* label29 = new ClickLabel(QString(), this);
    label29->setObjectName("Label29");
    PlaceAt(label29, {1710, kBottom[1], 1200, 200});
    label29->onClick = [this] {
        form_.controlClick("Label29");
        after();
    };
    label29_ = label29;

    for (const Overlay& o : kChartOverlays) {
        auto* l = new ClickLabel(QString(), this);
        l->setObjectName(o.name);
        PlaceAt(l, o.at);
        const std::string name = o.name;
        l->onClick = [this, name] {
            form_.controlClick(name);
            after();
        };
    }

    // The selection frame lies over the chart and lets clicks through.
    shape1_ = new QFrame(this);
    shape1_->setObjectName("Shape1");
    shape1_->setFrameShape(QFrame::Box);
    shape1_->setLineWidth(2);
    shape1_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette pal = shape1_->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 200));
    shape1_->setPalette(pal);
    shape1_->hide();
}

void Form2View::buildEntryZone() {
    using namespace form2_text;
    using namespace form2_view_text;
    auto group = [](const QString& name, const char* title, QWidget* parent, TwipsRect r) {
        auto* g = new QGroupBox(title ? QString::fromUtf8(title) : QString(), parent);
        g->setObjectName(name);
        PlaceAt(g, r);
        return g;
    };
    auto label = [](const QString& name, const char* caption, QWidget* parent, TwipsRect r) {
        auto* l = MakeLabel(QString::fromUtf8(caption), parent);
        if (!name.isEmpty()) l->setObjectName(name);
        PlaceLabel(l, r);
        return l;
    };
    auto clickLabel = [this](const QString& name, const char* caption, QWidget* parent, TwipsRect r,
                             std::function<void()> handler) {
        auto* l = new ClickLabel(QString::fromUtf8(caption), parent);
        l->setObjectName(name);
        PlaceLabel(l, r);
        l->onClick = [this, handler] {
            handler();
            after();
        };
        return l;
    };
    // Every step button runs its handler and redraws.
    auto wire = [this](UpDownButtons* u, std::function<void()> up, std::function<void()> down) {
        connect(u->up(), &QToolButton::clicked, this, [this, up] {
            up();
            after();
        });
        connect(u->down(), &QToolButton::clicked, this, [this, down] {
            down();
            after();
        });
    };
    auto wireOption = [this](QRadioButton* o, std::function<void()> handler) {
        connect(o, &QRadioButton::clicked, this, [this, handler] {
            if (refreshing_) return;
            handler();
            after();
        });
    };
    auto entryField = [](const QString& name, QWidget* parent, TwipsRect r) {
        auto* f = new EntryField(parent);
        f->setObjectName(name);
        PlaceAt(f, r);
        return f;
    };
    auto upDown = [](const QString& name, QWidget* parent, TwipsRect r) {
        auto* u = new UpDownButtons(parent);
        u->setObjectName(name);
        PlaceAt(u, r);
        return u;
    };
    auto marker = [](const QString& name, QWidget* parent, TwipsRect r) {
        auto* s = new QFrame(parent);
        s->setObjectName(name);
        s->setFrameShape(QFrame::Box);
        s->setAttribute(Qt::WA_TransparentForMouseEvents);
        PlaceAt(s, r);
        return s;
    };

    frame1_ = group("Frame1", kFrame1, this, {60, 5820, 11400, 3840});
    QWidget* z = frame1_;

    // Value panel and the ON/OFF panel share the left of the zone.
    frame3_ = group("Frame3", nullptr, z, {120, 300, 2520, 1380});
    text40_ = entryField("Text40", frame3_, {240, 360, 720, 330});
    connect(text40_, &QLineEdit::textEdited, this, [this](const QString& t) {
        form_.text40 = t.toStdString();
        form_.text40Change(); // the algorithm preview follows the typing
        after();
    });
    label31_ = label("Label31", "", frame3_, {240, 360, 720, 330});
    label31_->setAlignment(Qt::AlignCenter);
    label31_->setFrameShape(QFrame::Panel);
    upDown1_ = upDown("UpDown1", frame3_, {1080, 360, 420, 330});
    upDown2_ = upDown("UpDown2", frame3_, {1620, 360, 420, 330});
    wire(upDown1_, [this] { form_.upDown1Up(); }, [this] { form_.upDown1Down(); });
    wire(upDown2_, [this] { form_.upDown2Up(); }, [this] { form_.upDown2Down(); });

    frame2_ = group("Frame2", nullptr, z, {120, 300, 2520, 1380});
    option1_ = new QRadioButton(QString::fromUtf8(kOption1), frame2_);
    option1_->setObjectName("Option1");
    PlaceAt(option1_, {240, 300, 1500, 330});
    option2_ = new QRadioButton(QString::fromUtf8(kOption2), frame2_);
    option2_->setObjectName("Option2");
    PlaceAt(option2_, {240, 720, 1500, 330});
    wireOption(option1_, [this] { form_.option1Click(); });
    wireOption(option2_, [this] { form_.option2Click(); });

    frame7_ = group("Frame7", kFrame7, z, {120, 300, 2520, 900});
    option5_ = new QRadioButton(QString::fromUtf8(kOption5), frame7_);
    option5_->setObjectName("Option5");
    PlaceAt(option5_, {240, 360, 900, 330});
    option6_ = new QRadioButton(QString::fromUtf8(kOption6), frame7_);
    option6_->setObjectName("Option6");
    PlaceAt(option6_, {1260, 360, 900, 330});
    wireOption(option5_, [this] { form_.option5Click(); });
    wireOption(option6_, [this] { form_.option6Click(); });

    picture3_ = new PictureBox(z);
    picture3_->setObjectName("Picture3");
    PlaceAt(picture3_, {2760, 300, 3240, 1620});

    // Operator columns: column j is operator j + 1.
    frame5_ = group("Frame5", nullptr, z, {2760, 180, 7000, 3060});
    label("", kOperatorNo, frame5_, {120, 240, 1000, 200});
    frame8_ = group("Frame8", kFrame8, frame5_, {1080, 1230, 5520, 600});
    frame9_[0] = group("Frame9_0", kFrame9Fine, frame5_, {1080, 1860, 5520, 540});
    frame9_[1] = group("Frame9_1", kFrame9Coarse, frame5_, {1080, 2430, 5520, 540});
    shape5_[0] = marker("Shape5_0", frame5_, {560, 500, 380, 380});
    shape5_[1] = marker("Shape5_1", frame5_, {560, 860, 380, 380});
    label33_ = clickLabel("Label33", kLabel33, frame5_, {600, 540, 300, 300}, [this] { form_.label33Click(); });
    label9_ = clickLabel("Label9", kLabel9, frame5_, {600, 900, 300, 300}, [this] { form_.label9Click(); });
    for (int j = 0; j < 6; ++j) {
        const auto uj = static_cast<std::size_t>(j);
        const int x = 1200 + j * 900;
        auto* number = label(QString("LabelColumn_%1").arg(j), kColumnNumbers[j], frame5_, {x, 240, 840, 200});
        number->setAlignment(Qt::AlignCenter);
        number->setFixedWidth(TwipsToPixels(840, frame5_));
        text42_[uj] = entryField(QString("Text42_%1").arg(j), frame5_, {x, 540, 840, 300});
        text44_[uj] = entryField(QString("Text44_%1").arg(j), frame5_, {x, 900, 840, 300});
        connect(text42_[uj], &QLineEdit::textEdited, this, [this, uj](const QString& t) {
            form_.text42[uj] = t.toStdString();
            after();
        });
        connect(text44_[uj], &QLineEdit::textEdited, this, [this, uj](const QString& t) {
            form_.text44[uj] = t.toStdString();
            after();
        });
        frame6_[uj] = new QFrame(frame5_);
        frame6_[uj]->setObjectName(QString("Frame6_%1").arg(j));
        PlaceAt(frame6_[uj], {x, 1410, 840, 360});
        option3_[uj] = new QRadioButton(QString::fromUtf8(kOption3), frame6_[uj]);
        option3_[uj]->setObjectName(QString("Option3_%1").arg(j));
        PlaceAt(option3_[uj], {0, 30, 420, 300});
        option4_[uj] = new QRadioButton(QString::fromUtf8(kOption4), frame6_[uj]);
        option4_[uj]->setObjectName(QString("Option4_%1").arg(j));
        PlaceAt(option4_[uj], {420, 30, 420, 300});
        upDown5_[uj] = upDown(QString("UpDown5_%1").arg(j), frame5_, {x, 2040, 400, 300});
        upDown6_[uj] = upDown(QString("UpDown6_%1").arg(j), frame5_, {x + 440, 2040, 400, 300});
        upDown7_[uj] = upDown(QString("UpDown7_%1").arg(j), frame5_, {x, 2610, 400, 300});
        upDown8_[uj] = upDown(QString("UpDown8_%1").arg(j), frame5_, {x + 440, 2610, 400, 300});
        wireOption(option3_[uj], [this, j] { form_.option3Click(j); });
        wireOption(option4_[uj], [this, j] { form_.option4Click(j); });
        wire(upDown5_[uj], [this, j] { form_.upDown5Up(j); }, [this, j] { form_.upDown5Down(j); });
        wire(upDown6_[uj], [this, j] { form_.upDown6Up(j); }, [this, j] { form_.upDown6Down(j); });
        wire(upDown7_[uj], [this, j] { form_.upDown7Up(j); }, [this, j] { form_.upDown7Down(j); });
        wire(upDown8_[uj], [this, j] { form_.upDown8Up(j); }, [this, j] { form_.upDown8Down(j); });
    }

    // Operator EG grid: rows are chart rows (operator 6 - i), columns the
    // rates 1..4 then the levels 1..4.
    frame10_ = group("Frame10", nullptr, z, {120, 180, 4200, 3300});
    label("", kEgRate, frame10_, {420, 150, 1700, 200});
    label("", kEgLevel, frame10_, {2220, 150, 1700, 200});
    for (int c = 0; c < 8; ++c) {
        auto* n = label("", kEgColumnNumbers[c % 4], frame10_, {420 + c * 450, 360, 420, 200});
        n->setFixedWidth(TwipsToPixels(420, frame10_));
        n->setAlignment(Qt::AlignCenter);
    }
    for (int i = 0; i < 6; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        shape3_[ui] = marker(QString("Shape3_%1").arg(i), frame10_, {30, 585 + i * 300, 360, 300});
        label7_[ui] = clickLabel(QString("Label7_%1").arg(i), kLabel7[ui], frame10_, {60, 600 + i * 300, 300, 270},
                                 [this, i] { form_.label7Click(i); });
        for (int c = 0; c < 8; ++c) {
            const auto box = static_cast<std::size_t>(c * 6 + i);
            text43_[box] = entryField(QString("Text43_%1").arg(box), frame10_, {420 + c * 450, 600 + i * 300, 420, 280});
            connect(text43_[box], &QLineEdit::textEdited, this, [this, box](const QString& t) {
                form_.text43[box] = t.toStdString();
                after();
            });
        }
    }
    for (int c = 0; c < 8; ++c) {
        const auto uc = static_cast<std::size_t>(c);
        upDown9_[uc] = upDown(QString("UpDown9_%1").arg(c), frame10_, {420 + c * 450, 2460, 420, 300});
        upDown10_[uc] = upDown(QString("UpDown10_%1").arg(c), frame10_, {420 + c * 450, 2800, 420, 300});
        wire(upDown9_[uc], [this, c] { form_.upDown9Up(c); }, [this, c] { form_.upDown9Down(c); });
        wire(upDown10_[uc], [this, c] { form_.upDown10Up(c); }, [this, c] { form_.upDown10Down(c); });
    }

    // Pitch EG boxes.
    frame4_ = group("Frame4", nullptr, z, {120, 180, 4200, 1800});
    label("", kEgRate, frame4_, {240, 150, 1800, 200});
    label("", kEgLevel, frame4_, {2160, 150, 1800, 200});
    for (int n = 0; n < 8; ++n) {
        const auto un = static_cast<std::size_t>(n);
        auto* number = label("", kEgColumnNumbers[n % 4], frame4_, {240 + n * 480, 360, 420, 200});
        number->setFixedWidth(TwipsToPixels(420, frame4_));
        number->setAlignment(Qt::AlignCenter);
        text41_[un] = entryField(QString("Text41_%1").arg(n), frame4_, {240 + n * 480, 600, 420, 300});
        connect(text41_[un], &QLineEdit::textEdited, this, [this, un](const QString& t) {
            form_.text41[un] = t.toStdString();
            after();
        });
        upDown4_[un] = upDown(QString("UpDown4_%1").arg(n), frame4_, {240 + n * 480, 960, 420, 300});
        upDown3_[un] = upDown(QString("UpDown3_%1").arg(n), frame4_, {240 + n * 480, 1320, 420, 300});
        wire(upDown3_[un], [this, n] { form_.upDown3Up(n); }, [this, n] { form_.upDown3Down(n); });
        wire(upDown4_[un], [this, n] { form_.upDown4Up(n); }, [this, n] { form_.upDown4Down(n); });
    }

    // Graphs: Picture2(0) the pitch EG, Picture2(i + 1) chart row i.
    for (int k = 0; k < 7; ++k) {
        auto* g = k == 0 ? new EnvelopeGraphView(EnvelopeGraphView::Kind::Pitch, 0, z)
                         : new EnvelopeGraphView(EnvelopeGraphView::Kind::Operator, 7 - k, z);
        g->setObjectName(QString("Picture2_%1").arg(k));
        const int slot = k == 0 ? 0 : k - 1;
        PlaceAt(g, {4440 + (slot % 3) * 2130, 180 + (slot / 3) * 1560, 2100, 1500});
        picture2_[static_cast<std::size_t>(k)] = g;
    }

    auto* command1 = new QPushButton(QString::fromUtf8(kCommand1), z);
    command1->setObjectName("Command1");
    PlaceAt(command1, {10080, 3300, 1200, 420});
    connect(command1, &QPushButton::clicked, this, [this] {
        form_.command1Click();
        after();
    });
}

void Form2View::buildCommands() {
    for (int i = 0; i < 6; ++i) {
        auto* b = new WrapButton(QString::fromUtf8(form2_text::kCommand2[static_cast<std::size_t>(i)]), this);
        b->setObjectName(QString("Command2_%1").arg(i));
        b->setToolTip(QString::fromUtf8(form2_text::kCommand2Tips[static_cast<std::size_t>(i)]));
        PlaceAt(b, {60 + i * 1890, 9780, 1800, 480});
        connect(b, &QPushButton::clicked, this, [this, i] {
            form_.command2Click(i);
            after();
        });
    }
}

void Form2View::after() { program_.host.refreshAll(); }

void Form2View::closeEvent(QCloseEvent* event) {
    // The close box cancels the edit; the form hides the window itself.
    form_.queryUnload(0);
    event->accept();
    program_.host.refreshAll();
}

void Form2View::refresh() {
    refreshing_ = true;
    for (int c = 19; c <= 38; ++c)
        for (int i = 0; i < 6; ++i)
            SetText(rows_[static_cast<std::size_t>(c - 19)][static_cast<std::size_t>(i)],
                    Qs(form_.chart(c)[static_cast<std::size_t>(i)]));
    for (int k = 1; k <= 18; ++k)
        if (k != 8) SetText(globals_[static_cast<std::size_t>(k)], Qs(form_.text[static_cast<std::size_t>(k)]));
    SetText(text8_, Qs(form_.text8));
    SetCaption(label29_, Qs(form_.label29));
    SetCaption(label34_, ShownName(form_.label34));
    if (StoredName(text39_->text()) != form_.text39) text39_->setText(ShownName(form_.text39));
    picture1_->showPicture(Qs(form_.picturePath(form_.picture1File).string()), Qs(form_.text8));

    frame1_->setVisible(form_.frame1Visible);
    frame2_->setVisible(form_.frame2Visible);
    frame3_->setVisible(form_.frame3Visible);
    frame4_->setVisible(form_.frame4Visible);
    frame5_->setVisible(form_.frame5Visible);
    frame7_->setVisible(form_.frame7Visible);
    frame8_->setVisible(form_.frame8Visible);
    frame10_->setVisible(form_.frame10Visible);
    for (int k = 0; k < 2; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        frame9_[uk]->setVisible(form_.frame9Visible[uk]);
        shape5_[uk]->setVisible(form_.shape5Visible[uk] && form_.shape5Border[uk]);
    }
    label9_->setVisible(form_.label9Visible);
    label33_->setVisible(form_.label33Visible);

    SetText(text40_, Qs(form_.text40));
    text40_->setVisible(form_.text40Visible);
    SetCaption(label31_, Qs(form_.label31));
    label31_->setVisible(form_.label31Visible);
    upDown1_->setVisible(form_.upDown1.visible);
    upDown2_->setVisible(form_.upDown2.visible);
    option1_->setChecked(form_.option1);
    option2_->setChecked(!form_.option1);
    option5_->setChecked(form_.option5);
    option6_->setChecked(!form_.option5);

    for (int j = 0; j < 6; ++j) {
        const auto uj = static_cast<std::size_t>(j);
        SetText(text42_[uj], Qs(form_.text42[uj]));
        SetText(text44_[uj], Qs(form_.text44[uj]));
        text44_[uj]->setVisible(form_.text44Visible[uj]);
        frame6_[uj]->setVisible(form_.frame6Visible[uj]);
        option4_[uj]->setChecked(form_.option4[uj]);
        option3_[uj]->setChecked(!form_.option4[uj]);
        upDown5_[uj]->setVisible(form_.upDown5[uj].visible);
        upDown6_[uj]->setVisible(form_.upDown6[uj].visible);
        upDown7_[uj]->setVisible(form_.upDown7[uj].visible);
        upDown8_[uj]->setVisible(form_.upDown8[uj].visible);
        shape3_[uj]->setVisible(form_.shape3Border[uj]);
    }
    for (std::size_t box = 0; box < 48; ++box) SetText(text43_[box], Qs(form_.text43[box]));
    for (std::size_t n = 0; n < 8; ++n) SetText(text41_[n], Qs(form_.text41[n]));
    for (std::size_t k = 0; k < 7; ++k) {
        picture2_[k]->setVisible(form_.picture2Visible[k]);
        if (picture2_[k]->segments() != form_.graphSegments[k]) picture2_[k]->setSegments(form_.graphSegments[k]);
    }
    picture3_->setVisible(form_.picture3Visible);
    if (form_.picture3Visible)
        picture3_->showPicture(Qs(form_.picturePath(form_.picture3File).string()), AlgorithmNumberOf(form_.picture3File));

    shape1_->setVisible(form_.shape1Border);
    if (form_.shape1Border) {
        PlaceAt(shape1_, {form_.shape1.left, form_.shape1.top, form_.shape1.width, form_.shape1.height});
        shape1_->raise();
    }
    refreshing_ = false;
}

// --- Printing --------------------------------------------------------------

bool Form2View::printImage(QPrinter& printer) {
    const QPixmap image = grab();
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.drawPixmap(QRect(page.topLeft(), size), image);
    return painter.end();
}

bool Form2View::printToPdf(const QString& file) {
    const std::filesystem::path target = file.toStdString();
    std::filesystem::path temp = target;
    temp += ".tmp";
    bool ok = false;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setOutputFileName(QString::fromStdString(temp.string()));
        ok = printImage(printer);
    }
    std::error_code ec;
    ok = ok && std::filesystem::file_size(temp, ec) > 0 && !ec;
    if (ok) std::filesystem::rename(temp, target, ec);
    if (!ok || ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

void Form2View::printChart() {
    using namespace form2_view_text;
    Host& host = program_.host;
    if (hasDefaultPrinter && hasDefaultPrinter()) {
        QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Landscape);
        if (!printImage(printer)) ShowMessage(host, kPrintFailed);
        return;
    }
    MessageBoxSpec ask;
    ask.text = kNoPrinter;
    ask.buttons = MsgButtons::YesNo;
    ask.icon = MsgIcon::Question;
    if (host.messageBox(ask) != MsgResult::Yes) return;
    const std::filesystem::path suggestion = program_.state.programFolder / kPdfSuggestedName;
    const QString file = choosePdfFile ? choosePdfFile(QString::fromStdString(suggestion.string())) : QString();
    if (file.isEmpty()) return;
    if (!printToPdf(file)) ShowMessage(host, QString::fromUtf8(kPdfFailed).arg(file).toStdString());
}

} // namespace vox
