#include "editor/form2_view.h"

#include "common/program_folders.h"
#include "editor/eg_graph_view.h"
#include "editor/form2.h"
#include "editor/form2_layout.h"
#include "editor/step_rules.h"
#include "ui/algorithm_picture_view.h"
#include "ui/client_area_view.h"
#include "ui/keyboard_view.h"
#include "ui/qt_text.h"
#include "ui/twips.h"
#include "voice/algorithms.h"
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
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

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
    void mousePressEvent(QMouseEvent *e) override {
        if (e->button() == Qt::LeftButton && onClick) onClick();
    }
};

// A read-only chart field: a click selects its group.
class ClickField : public Clickable<QLineEdit> {
public:
    explicit ClickField(QWidget *parent) : Clickable<QLineEdit>(parent) {
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
    ClickLabel(const QString &caption, QWidget *parent) : Clickable<QLabel>(caption, parent) {
        setCursor(Qt::PointingHandCursor);
    }
};

// A box of the Data Entry Zone the user may also type into.
class EntryField : public QLineEdit {
public:
    explicit EntryField(QWidget *parent) : QLineEdit(parent) {
        setAlignment(Qt::AlignCenter);
        setTextMargins(0, 0, 0, 0);
    }
};

// An up-down pair: ▼ steps down, ▲ steps up.
class UpDownButtons : public QWidget {
public:
    explicit UpDownButtons(QWidget *parent) : QWidget(parent) {
        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        down_ = new QToolButton(this);
        down_->setObjectName("down");
        down_->setArrowType(Qt::DownArrow);
        up_ = new QToolButton(this);
        up_->setObjectName("up");
        up_->setArrowType(Qt::UpArrow);
        for (QToolButton *b : {down_, up_}) {
            b->setAutoRepeat(true);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
            layout->addWidget(b);
        }
    }
    QToolButton *up() const { return up_; }
    QToolButton *down() const { return down_; }

private:
    QToolButton *up_;
    QToolButton *down_;
};

namespace {

// "+10" on ▲ and "−10" on ▼ of a step pair.
void StepTips(UpDownButtons *pair, int step) {
    pair->up()->setToolTip(QString::fromUtf8(form2_view_text::kStepUpTip).arg(step));
    pair->down()->setToolTip(QString::fromUtf8(form2_view_text::kStepDownTip).arg(step));
}

// Control characters of a stored name cannot be shown in a line edit: each
// is drawn as its Unicode control picture and read back as itself.
QString ShownName(const std::string &name) { return Qs(WithControlPictures(name)); }
std::string StoredName(const QString &shown) { return WithoutControlPictures(shown.toStdString()); }

void SetText(QLineEdit *edit, const QString &text) {
    if (edit->text() != text) edit->setText(text);
}
void SetCaption(QLabel *label, const QString &text) {
    if (label->text() != text) label->setText(text);
}

QString AlgorithmNumberOf(const std::string &file) {
    // "alg12.jpg" -> "12"
    QString name = Qs(file);
    if (name.startsWith("alg")) name = name.mid(3);
    if (name.endsWith(".jpg")) name.chop(4);
    return name;
}

} // namespace

// --- Picture box -------------------------------------------------------------

PictureBox::PictureBox(QWidget *parent) : QFrame(parent) {
    setFrameShape(QFrame::Box);
    setCursor(Qt::PointingHandCursor);
}

void PictureBox::showPicture(const QString &path, const QString &number) {
    if (path != path_) {
        path_ = path;
        // The file stays the sign that the picture is there (an unreadable
        // one shows the number); what is drawn comes from the table the
        // build drew the file from, at the screen's density.
        const QString algorithm = AlgorithmNumberOf(QFileInfo(path).fileName().toStdString());
        algorithm_ = 0;
        if (!path.isEmpty() && QFileInfo::exists(path) && !QImage(path).isNull())
            algorithm_ = algorithm.toInt();
        if (algorithm_ < 1 || algorithm_ > kAlgorithmCount) algorithm_ = 0;
    }
    number_ = number;
    update();
}

void PictureBox::paintEvent(QPaintEvent *e) {
    QFrame::paintEvent(e);
    QPainter p(this);
    const QRect inner = contentsRect().adjusted(2, 2, -2, -2);
    if (algorithm_ != 0) {
        DrawAlgorithmPicture(p, inner, algorithm_);
    } else {
        QFont f = font();
        f.setPixelSize(std::max(12, inner.height() / 3));
        p.setFont(f);
        p.drawText(inner, Qt::AlignCenter, number_);
    }
}

void PictureBox::mousePressEvent(QMouseEvent *e) {
    if (e->button() == Qt::LeftButton && onClick) onClick();
}

// --- The window ------------------------------------------------------------

Form2View::Form2View(Form2 &form, FormContext program, QWidget *parent)
    : QWidget(parent), program_(program), form_(form) {
    setObjectName("Form2");
    setWindowTitle(Qs(form2_text::kCaption));
    setFont(UiFont());
    client_ = MakeClientArea(this, form2_layout::kClientWidth, form2_layout::kClientHeight);
    buildControls();

    hasDefaultPrinter = [] { return !QPrinterInfo::defaultPrinter().isNull(); };
    choosePdfFile = [this](const QString &suggestion) {
        return QFileDialog::getSaveFileName(this, Qs(form2_view_text::kPdfDialogTitle), suggestion,
                                            Qs(form2_view_text::kPdfFilter));
    };
    form_.printWindow = [this] { printChart(); };
    form_.chooseSheetFile = [this](const std::string &proposed) -> std::optional<std::string> {
        QString selected;
        QString file = QFileDialog::getSaveFileName(this, Qs(form2_text::kSheetTitle), Qs(proposed),
                                                    QString(form2_view_text::kSheetFilter), &selected);
        if (file.isEmpty()) return std::nullopt;
        // A name typed without its ending takes the kind chosen.
        if (!file.endsWith(".pdf", Qt::CaseInsensitive) && !file.endsWith(".svg", Qt::CaseInsensitive))
            file += selected.startsWith("SVG") ? ".svg" : ".pdf";
        return file.toStdString();
    };
    // Undo and redo of the edit area, as in the main window's 編集 menu.
    const auto onKeys = [this](std::initializer_list<QKeySequence> keys, auto handler) {
        for (const QKeySequence &key : keys)
            connect(new QShortcut(key, this), &QShortcut::activated, this, [this, handler] {
                (form_.*handler)();
                program_.host.refreshAll();
            });
    };
    onKeys({QKeySequence::Undo}, &Form2::undoClick);
    onKeys({QKeySequence(Qt::Key_F6)}, &Form2::compareClick);
    onKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)}, &Form2::sheetClick);
    onKeys({QKeySequence(Qt::CTRL | Qt::Key_E)}, &Form2::exploreClick);
    onKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
           &Form2::redoClick);
    refresh();
}

void Form2View::buildControls() {
    using namespace form2_text;
    const BuiltControls built = BuildControls(
        form2_layout::kControls, client_, [](const ControlRow &row, int index, QWidget *parent) -> QWidget * {
            switch (row.kind) {
            case ControlKind::Field:
                return new ClickField(parent);
            case ControlKind::Entry:
                return new EntryField(parent);
            case ControlKind::ClickLabel: {
                return new ClickLabel(ShownCaption(row, index), parent);
            }
            case ControlKind::UpDown:
                return new UpDownButtons(parent);
            case ControlKind::Picture:
                return new PictureBox(parent);
            case ControlKind::Graph: {
                // Picture2_0 is the pitch EG; Picture2_k draws chart row k - 1 (operator 7 - k).
                const int k = QString::fromUtf8(row.name).section('_', 1).toInt();
                return k == 0 ? new EnvelopeGraphView(EnvelopeGraphView::Kind::Pitch, 0, parent)
                              : new EnvelopeGraphView(EnvelopeGraphView::Kind::Operator, 7 - k, parent);
            }
            default:
                return nullptr;
            }
        });
    auto name = [](const char *base, int index) { return QString("%1_%2").arg(base).arg(index); };

    // Every chart field and caption-less heading opens its group.
    for (auto *edit : findChildren<QLineEdit *>()) {
        auto *field = dynamic_cast<ClickField *>(edit); // ClickField has no meta-object of its own
        if (!field) continue;
        const std::string control = field->objectName().toStdString();
        field->onClick = [this, control] {
            form_.controlClick(control);
            after();
        };
    }
    auto clickLabel = [&](const QString &control, std::function<void()> handler) {
        auto *label = built.get<ClickLabel>(control);
        label->onClick = [this, handler] {
            handler();
            after();
        };
        return label;
    };
    for (const char *control :
         {"Label30",   "Label11",    "Label57",    "Label58",   "Label59",   "Label60",
          "Label61",   "Label62",    "Label12",    "Label63",   "Label29",   "Label13_0",
          "Label13_1", "Label13_2",  "Label13_5",  "Label13_6", "Label13_7", "Label13_8",
          "Label13_9", "Label13_10", "Label13_11", "Label13_12"}) {
        const std::string target = control;
        clickLabel(control, [this, target] { form_.controlClick(target); });
    }

    // Name and list number, algorithm.
    label34_ = built.get<QLabel>("Label34");
    text39_ = built.get<QLineEdit>("Text39");
    connect(text39_, &QLineEdit::textEdited, this, [this](const QString &t) {
        // A character the instrument cannot store is refused as it is typed.
        if (!form_.text39Change(StoredName(t))) {
            const int cursor = text39_->cursorPosition();
            text39_->setText(ShownName(form_.text39));
            text39_->setCursorPosition(std::min<int>(std::max(0, cursor - 1), text39_->text().size()));
        }
        after();
    });
    text8_ = built.get<ClickField>("Text8");
    picture1_ = built.get<PictureBox>("Picture1");
    picture1_->onClick = [this] {
        form_.controlClick("Label30");
        after();
    };
    for (int k = 1; k <= 18; ++k)
        if (k != 8) globals_[static_cast<std::size_t>(k)] = built.get<ClickField>(QString("Text%1").arg(k));
    for (int c = 19; c <= 38; ++c)
        for (int i = 0; i < 6; ++i)
            rows_[static_cast<std::size_t>(c - 19)][static_cast<std::size_t>(i)] =
                built.get<ClickField>(name(qPrintable(QString("Text%1").arg(c)), i));
    for (int i = 0; i < 6; ++i)
        built.get<QLabel>(name("Label6", i))->setAlignment(Qt::AlignCenter);
    label29_ = built.get<QLabel>("Label29");

    // The selection frame lies over the chart and lets clicks through.
    shape1_ = built.get<QFrame>("Shape1");
    shape1_->setLineWidth(2);
    QPalette pal = shape1_->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 200));
    shape1_->setPalette(pal);
    shape1_->hide();

    // --- The Data Entry Zone ---
    // Every step button runs its handler and redraws.
    auto upDown = [&](const QString &control, std::function<void()> up, std::function<void()> down) {
        auto *u = built.get<UpDownButtons>(control);
        connect(u->up(), &QToolButton::clicked, this, [this, up] {
            up();
            after();
        });
        connect(u->down(), &QToolButton::clicked, this, [this, down] {
            down();
            after();
        });
        return u;
    };
    auto option = [&](const QString &control, std::function<void()> handler) {
        auto *o = built.get<QRadioButton>(control);
        connect(o, &QRadioButton::clicked, this, [this, handler] {
            if (refreshing_) return;
            handler();
            after();
        });
        return o;
    };
    auto entry = [&](const QString &control, std::string &text) {
        auto *f = built.get<EntryField>(control);
        connect(f, &QLineEdit::textEdited, this, [this, &text](const QString &t) {
            text = t.toStdString();
            after();
        });
        return f;
    };

    frame1_ = built.get<QGroupBox>("Frame1");
    frame2_ = built.get<QGroupBox>("Frame2");
    frame3_ = built.get<QGroupBox>("Frame3");
    frame4_ = built.get<QGroupBox>("Frame4");
    frame5_ = built.get<QGroupBox>("Frame5");
    frame7_ = built.get<QGroupBox>("Frame7");
    frame8_ = built.get<QGroupBox>("Frame8");
    frame10_ = built.get<QGroupBox>("Frame10");
    for (int k = 0; k < 2; ++k) {
        frame9_[static_cast<std::size_t>(k)] = built.get<QGroupBox>(name("Frame9", k));
        shape5_[static_cast<std::size_t>(k)] = built.get<QFrame>(name("Shape5", k));
    }

    text40_ = built.get<EntryField>("Text40");
    connect(text40_, &QLineEdit::textEdited, this, [this](const QString &t) {
        form_.text40 = t.toStdString();
        form_.text40Change(); // the algorithm preview follows the typing
        after();
    });
    zoneName_ = built.get<QLabel>("ZoneName");
    zonePending_ = built.get<QLabel>("ZonePending");
    zonePending_->setAlignment(Qt::AlignCenter);
    zonePending_->setStyleSheet("color: white; background-color: #c04020; font-weight: bold;");
    label31_ = built.get<QLabel>("Label31");
    label31_->setAlignment(Qt::AlignCenter);
    label31_->setFrameShape(QFrame::Panel);
    upDown1_ = upDown(
        "UpDown1", [this] { form_.upDown1Up(); }, [this] { form_.upDown1Down(); });
    upDown2_ = upDown(
        "UpDown2", [this] { form_.upDown2Up(); }, [this] { form_.upDown2Down(); });
    option1_ = option("Option1", [this] { form_.option1Click(); });
    option2_ = option("Option2", [this] { form_.option2Click(); });
    option5_ = option("Option5", [this] { form_.option5Click(); });
    option6_ = option("Option6", [this] { form_.option6Click(); });
    picture3_ = built.get<PictureBox>("Picture3");

    label33_ = clickLabel("Label33", [this] { form_.label33Click(); });
    label9_ = clickLabel("Label9", [this] { form_.label9Click(); });
    for (int j = 0; j < 6; ++j) {
        const auto uj = static_cast<std::size_t>(j);
        built.get<QLabel>(name("LabelColumn", j))->setAlignment(Qt::AlignCenter);
        text42_[uj] = entry(name("Text42", j), form_.text42[uj]);
        text44_[uj] = entry(name("Text44", j), form_.text44[uj]);
        frame6_[uj] = built.get<QFrame>(name("Frame6", j));
        option3_[uj] = option(name("Option3", j), [this, j] { form_.option3Click(j); });
        option4_[uj] = option(name("Option4", j), [this, j] { form_.option4Click(j); });
        // Two options share a column 56 pixels wide: a narrow gap after the
        // indicator keeps "R" clear of the "F" option beside it.
        for (QRadioButton *o : {option3_[uj], option4_[uj]})
            o->setStyleSheet("QRadioButton { spacing: 2px; }");
        upDown5_[uj] = upDown(
            name("UpDown5", j), [this, j] { form_.upDown5Up(j); }, [this, j] { form_.upDown5Down(j); });
        upDown6_[uj] = upDown(
            name("UpDown6", j), [this, j] { form_.upDown6Up(j); }, [this, j] { form_.upDown6Down(j); });
        upDown7_[uj] = upDown(
            name("UpDown7", j), [this, j] { form_.upDown7Up(j); }, [this, j] { form_.upDown7Down(j); });
        upDown8_[uj] = upDown(
            name("UpDown8", j), [this, j] { form_.upDown8Up(j); }, [this, j] { form_.upDown8Down(j); });
    }

    for (int i = 0; i < 6; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        shape3_[ui] = built.get<QFrame>(name("Shape3", i));
        label7_[ui] = clickLabel(name("Label7", i), [this, i] { form_.label7Click(i); });
        label7_[ui]->setToolTip(Qs(form2_view_text::kRowSelectTip));
    }
    for (std::size_t box = 0; box < 48; ++box)
        text43_[box] = entry(name("Text43", static_cast<int>(box)), form_.text43[box]);
    for (int c = 0; c < 8; ++c) {
        const auto uc = static_cast<std::size_t>(c);
        upDown9_[uc] = upDown(
            name("UpDown9", c), [this, c] { form_.upDown9Up(c); }, [this, c] { form_.upDown9Down(c); });
        upDown10_[uc] = upDown(
            name("UpDown10", c), [this, c] { form_.upDown10Up(c); }, [this, c] { form_.upDown10Down(c); });
    }
    for (int n = 0; n < 8; ++n) {
        const auto un = static_cast<std::size_t>(n);
        text41_[un] = entry(name("Text41", n), form_.text41[un]);
        upDown4_[un] = upDown(
            name("UpDown4", n), [this, n] { form_.upDown4Up(n); }, [this, n] { form_.upDown4Down(n); });
        upDown3_[un] = upDown(
            name("UpDown3", n), [this, n] { form_.upDown3Up(n); }, [this, n] { form_.upDown3Down(n); });
    }
    for (int k = 0; k < 7; ++k)
        picture2_[static_cast<std::size_t>(k)] = built.get<EnvelopeGraphView>(name("Picture2", k));
    for (auto *label : frame10_->findChildren<QLabel *>())
        if (label->text().size() == 1) label->setAlignment(Qt::AlignCenter);
    for (auto *label : frame4_->findChildren<QLabel *>())
        if (label->text().size() == 1) label->setAlignment(Qt::AlignCenter);

    connect(built.get<QPushButton>("Command1"), &QPushButton::clicked, this, [this] {
        form_.command1Click();
        after();
    });
    auto *sheet = built.get<WrapButton>("CommandSheet");
    sheet->setToolTip(Qs(form2_text::kSheetTip));
    connect(sheet, &QPushButton::clicked, this, [this] {
        form_.sheetClick();
        after();
    });
    auto *explore = built.get<WrapButton>("CommandExplore");
    explore->setToolTip(Qs(form2_text::kExploreTip));
    connect(explore, &QPushButton::clicked, this, [this] {
        form_.exploreClick();
        after();
    });
    compare_ = built.get<WrapButton>("CommandCompare");
    compare_->setToolTip(Qs(form2_text::kCompareTip));
    connect(compare_, &QPushButton::clicked, this, [this] {
        form_.compareClick();
        after();
    });

    // Step buttons say what they add; the row numbers of the EG grid that
    // they select the row.
    // (UpDown2, UpDown5 and UpDown6 step by the open group's rule: refresh.)
    StepTips(upDown1_, 1);
    for (std::size_t j = 0; j < 6; ++j) {
        StepTips(upDown7_[j], 10);
        StepTips(upDown8_[j], 1);
    }
    for (std::size_t c = 0; c < 8; ++c) {
        StepTips(upDown9_[c], 10);
        StepTips(upDown10_[c], 1);
        StepTips(upDown3_[c], 10);
        StepTips(upDown4_[c], 1);
    }

    for (int i = 0; i < 6; ++i) {
        auto *b = built.get<WrapButton>(name("Command2", i));
        b->setToolTip(Qs(Tr(kCommand2Tips[static_cast<std::size_t>(i)])));
        connect(b, &QPushButton::clicked, this, [this, i] {
            form_.command2Click(i);
            after();
        });
    }

    // The keyboard plays the voice being edited.
    QWidget *keyboardPanel = built["KeyboardPanel"];
    keyboard_ = new KeyboardView(program_.state, keyboardPanel);
    auto *keyboardLayout = new QVBoxLayout(keyboardPanel);
    keyboardLayout->setContentsMargins(0, 0, 0, 0);
    keyboardLayout->addWidget(keyboard_);
}

void Form2View::after() { program_.host.refreshAll(); }

void Form2View::closeEvent(QCloseEvent *event) {
    // The close box cancels the edit; the form hides the window itself.
    // Held notes stop first, on the voice they were played with.
    keyboard_->releaseAll();
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
        if (k != 8)
            SetText(globals_[static_cast<std::size_t>(k)], Qs(form_.text[static_cast<std::size_t>(k)]));
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
    // Which voice sounds: under COMPARE the button says so and stands out.
    const bool comparing = form_.comparing();
    compare_->setCaption(Qs(comparing ? form2_text::kCommandCompareOn : form2_text::kCommandCompare));
    compare_->setStyleSheet(comparing ? "background-color: #f0b040;" : "");
    label9_->setVisible(form_.label9Visible);
    label33_->setVisible(form_.label33Visible);

    SetText(text40_, Qs(form_.text40));
    text40_->setVisible(form_.text40Visible);
    SetCaption(label31_, Qs(form_.label31));
    label31_->setVisible(form_.label31Visible);
    SetCaption(zoneName_, Qs(form_.zoneName));
    zonePending_->setVisible(form_.zonePending());
    // The step the buttons of the open group take, as their tool tips.
    const int group = program_.state.selectedGroup;
    StepTips(upDown2_, group == static_cast<int>(Group::Transpose) ? 12 : 10); // an octave for transpose
    const GroupInfo &rule = ColumnStepRuleFor(group);
    for (std::size_t j = 0; j < 6; ++j) {
        StepTips(upDown5_[j], rule.largeStep);
        StepTips(upDown6_[j], rule.singleStep);
    }
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
    for (std::size_t box = 0; box < 48; ++box)
        SetText(text43_[box], Qs(form_.text43[box]));
    for (std::size_t n = 0; n < 8; ++n)
        SetText(text41_[n], Qs(form_.text41[n]));
    for (std::size_t k = 0; k < 7; ++k) {
        picture2_[k]->setVisible(form_.picture2Visible[k]);
        if (picture2_[k]->segments() != form_.graphSegments[k])
            picture2_[k]->setSegments(form_.graphSegments[k]);
    }
    picture3_->setVisible(form_.picture3Visible);
    if (form_.picture3Visible)
        picture3_->showPicture(Qs(form_.picturePath(form_.picture3File).string()),
                               AlgorithmNumberOf(form_.picture3File));

    shape1_->setVisible(form_.shape1Border);
    if (form_.shape1Border) {
        PlaceAt(shape1_, {form_.shape1.left, form_.shape1.top, form_.shape1.width, form_.shape1.height});
        shape1_->raise();
    }
    refreshing_ = false;
}

// --- Printing --------------------------------------------------------------

bool Form2View::printImage(QPrinter &printer) {
    // The chart without the keyboard below it, which is no part of the voice.
    // The whole client, however far the window is scrolled.
    const QPixmap image =
        client_->grab(QRect(0, 0, client_->width(), keyboard_->parentWidget()->geometry().top()));
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.drawPixmap(QRect(page.topLeft(), size), image);
    return painter.end();
}

bool Form2View::printToPdf(const QString &file) {
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
    Host &host = program_.host;
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
    const std::filesystem::path suggestion = WritableFolder(program_.state) / kPdfSuggestedName;
    const QString file =
        choosePdfFile ? choosePdfFile(QString::fromStdString(suggestion.string())) : QString();
    if (file.isEmpty()) return;
    if (!printToPdf(file)) ShowMessage(host, Qs(kPdfFailed).arg(file).toStdString());
}

} // namespace vox
