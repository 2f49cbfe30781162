#include "librarian/form1_view.h"

#include "librarian/form1.h"
#include "ui/twips.h"
#include "voice/text.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QColor>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

namespace vox {
namespace {

QString Qs(const std::string& s) { return QString::fromStdString(s); }

// The client area as laid out, and the canvas that also holds the
// controls placed to its right.
constexpr int kClientWidth = 6525, kClientHeight = 6195; // twips
constexpr int kCanvasWidth = 13000;                     // twips

// Text for a list entry: control characters of voice names would not show
// in a list box, so each is drawn as its Unicode control picture; the
// entry keeps its 15 characters.
QString ListText(const std::string& entry) { return Qs(WithControlPictures(entry)); }

void SyncList(QListWidget* list, const ListBoxState& state) {
    bool same = list->count() == static_cast<int>(state.items.size());
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text() == ListText(state.items[static_cast<std::size_t>(i)]);
    if (!same) {
        list->clear();
        for (const auto& item : state.items) list->addItem(ListText(item));
    }
    if (state.selected >= 0 && state.selected < list->count())
        list->setCurrentRow(state.selected);
    else
        list->setCurrentRow(-1);
    if (state.selected < 0) list->clearSelection();
}

// The entry whose voice is in the edit area: bold on a tinted ground, so
// it shows whether or not it is selected. The entry texts stay as they are.
void MarkEntry(QListWidget* list, int entry) {
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        const bool marked = i == entry;
        QFont font = item->font();
        if (font.bold() != marked) {
            font.setBold(marked);
            item->setFont(font);
        }
        item->setData(Qt::BackgroundRole, marked ? QVariant(QColor(255, 240, 190)) : QVariant());
        item->setToolTip(marked ? QString::fromUtf8(form1_text::kEditAreaEntryTip) : QString());
    }
}

// Dark red while the window is usable; greyed with it when disabled.
void MarkColour(QLabel* label) {
    QPalette palette = label->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText, QColor(176, 0, 0));
    label->setPalette(palette);
}

void SyncProgress(QProgressBar* bar, const ProgressBarState& state) {
    bar->setVisible(state.visible);
    bar->setRange(0, state.max);
    bar->setValue(std::clamp(state.value, 0, state.max));
}

} // namespace

Form1View::Form1View(Form1& form, FormContext program, QWidget* parent)
    : QMainWindow(parent), program_(program), form_(form) {
    setObjectName("Form1");
    setWindowTitle(form1_text::kCaption);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("Form1Scroll");
    scroll->setFrameShape(QFrame::NoFrame);
    auto* canvas = new QWidget;
    canvas->setObjectName("Form1Canvas");
    scroll->setWidget(canvas);
    setCentralWidget(scroll);
    canvas->setFixedSize(TwipsToPixels(kCanvasWidth, this), TwipsToPixels(kClientHeight, this));
    buildControls(canvas);
    buildMenus();

    // Opens at the classic client size; the window can be widened or
    // scrolled to reach the controls placed to the right.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    resize(TwipsToPixels(kClientWidth, this),
           TwipsToPixels(kClientHeight, this) + menuBar()->sizeHint().height() +
               scroll->horizontalScrollBar()->sizeHint().height());
    refresh();
}

void Form1View::buildControls(QWidget* c) {
    auto button = [&](const char* name, const char* caption, TwipsRect r, void (Form1::*handler)()) {
        auto* b = new WrapButton(QString::fromUtf8(caption), c);
        b->setObjectName(name);
        PlaceAt(b, r);
        if (handler)
            connect(b, &QPushButton::clicked, this, [this, handler] {
                (form_.*handler)();
                after();
            });
        return b;
    };
    auto label = [&](const char* name, const char* caption, TwipsRect r) {
        auto* l = new QLabel(QString::fromUtf8(caption), c);
        l->setObjectName(name);
        PlaceLabel(l, r);
        return l;
    };
    auto list = [&](const char* name, TwipsRect r) {
        auto* l = new QListWidget(c);
        l->setObjectName(name);
        PlaceAt(l, r);
        return l;
    };
    using namespace form1_text;

    label("Label1", kLabel1, {1770, 240, 1695, 225});
    // Beside the classic labels: unwritten changes of the bank and the
    // edit-area voice (empty when there are none).
    bankMark_ = label("LabelBankChanged", "", {3500, 240, 2845, 225});
    bankMark_->setToolTip(QString::fromUtf8(kBankChangedTip));
    MarkColour(bankMark_);
    list3_ = list("List3", {1755, 495, 4590, 2940});
    QFont mono("Noto Sans Mono CJK JP");
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSize(9);
    list3_->setFont(mono); // entries are fixed-width columns
    // The selection, not the current row: a click on the row that is still
    // current after the selection was cleared must select it again.
    connect(list3_, &QListWidget::itemSelectionChanged, this, [this] {
        if (refreshing_) return;
        const auto items = list3_->selectedItems();
        form_.list3.selected = items.isEmpty() ? -1 : list3_->row(items.front());
    });
    connect(list3_, &QListWidget::itemDoubleClicked, this, [this] {
        form_.list3.selected = list3_->currentRow();
        form_.list3DoubleClick();
        after();
    });

    button("Command4", kCommand4, {90, 510, 1530, 510}, &Form1::command4Click);
    progressBar1_ = new QProgressBar(c);
    progressBar1_->setObjectName("ProgressBar1");
    progressBar1_->setTextVisible(false);
    PlaceAt(progressBar1_, {105, 1050, 1485, 240});
    // Shown above the receive button while a receive runs, so a silent or half-answering
    // DX7 never leaves the user waiting.
    cancelReceive_ = button("CommandCancelReceive", kCancelReceive, {105, 120, 1485, 360}, &Form1::cancelReceive);
    button("Command8", kCommand8, {90, 1350, 1530, 510}, &Form1::command8Click);
    progressBar2_ = new QProgressBar(c);
    progressBar2_->setObjectName("ProgressBar2");
    progressBar2_->setTextVisible(false);
    PlaceAt(progressBar2_, {105, 1890, 1485, 240});
    button("Command7", kCommand7, {90, 2205, 1560, 555}, &Form1::command7Click);
    button("Command6", kCommand6, {75, 2865, 1590, 570}, &Form1::command6Click);

    auto* shape1 = new QFrame(c);
    shape1->setObjectName("Shape1");
    shape1->setFrameShape(QFrame::Box);
    PlaceAt(shape1, {1815, 3645, 4170, 2400});
    label("Label1_2", kLabelEditArea, {2025, 3720, 1290, 255});
    editAreaMark_ = label("LabelEditAreaChanged", "", {3400, 3720, 2520, 255});
    editAreaMark_->setToolTip(QString::fromUtf8(kEditAreaChangedTip));
    MarkColour(editAreaMark_);
    button("Command11", kCommand11, {2040, 4050, 1560, 540}, &Form1::command11Click);
    button("Command12", kCommand12, {3945, 4065, 1620, 540}, &Form1::command12Click);
    button("Command13", kCommand13, {2040, 4695, 1590, 480}, &Form1::command13Click);
    text2_ = new QLineEdit(c);
    text2_->setObjectName("Text2");
    text2_->setReadOnly(true);
    PlaceAt(text2_, {3900, 4725, 1695, 375});
    button("Command14", kCommand14, {120, 4785, 1545, 495}, &Form1::command14Click);
    button("Command10", kCommand10, {2025, 5295, 1620, 540}, &Form1::command10Click);
    button("Command9", kCommand9, {3945, 5265, 1650, 540}, &Form1::command9Click);
    button("Command3", kCommand3, {105, 5460, 1545, 495}, &Form1::command3Click);

    // Placed to the right of the client area, out of view at the initial size.
    command1_ = button("Command1", kCommand1, {8250, 240, 4500, 480}, nullptr);
    command1_->installEventFilter(this); // press and release of any mouse button
    text1_ = new QLineEdit(c);
    text1_->setObjectName("Text1");
    PlaceAt(text1_, {8250, 840, 900, 330});
    connect(text1_, &QLineEdit::textEdited, this, [this](const QString& t) { form_.text1 = t.toStdString(); });
    button("Command5", kCommand5, {9300, 840, 1200, 330}, &Form1::command5Click);
    command2_ = button("Command2", kCommand2Start, {10650, 840, 1200, 330}, &Form1::command2Click);
    list1_ = list("List1", {8250, 1320, 4500, 1800});
    list2_ = list("List2", {8250, 3240, 2160, 1500});
    list4_ = list("List4", {10590, 3240, 2160, 1500});
    auto* combo1 = new QComboBox(c);
    combo1->setObjectName("Combo1");
    combo1->addItems({"0", "1", "2"});
    PlaceAt(combo1, {8250, 4860, 1000, 330});
    auto* vscroll1 = new QScrollBar(Qt::Vertical, c);
    vscroll1->setObjectName("VScroll1");
    PlaceAt(vscroll1, {9400, 4860, 255, 1000});
}

void Form1View::buildMenus() {
    using namespace form1_text;
    QMenu* file = menuBar()->addMenu(QString::fromUtf8(kMenuFile));
    file->setObjectName("mnu_fileMenu");
    QAction* end = file->addAction(QString::fromUtf8(kMenuEnd));
    end->setObjectName("mnu_file");
    connect(end, &QAction::triggered, this, [this] { form_.mnuFileClick(); });

    QMenu* help = menuBar()->addMenu(QString::fromUtf8(kMenuHelp));
    help->setObjectName("mnu_helpMenu");
    QAction* helpItem = help->addAction(QString::fromUtf8(kMenuHelpItem));
    helpItem->setObjectName("mnu_help");
    connect(helpItem, &QAction::triggered, this, [this] { form_.mnuHelpClick(); });
    QAction* ver = help->addAction(QString::fromUtf8(kMenuVersion));
    ver->setObjectName("mnu_ver");
    connect(ver, &QAction::triggered, this, [this] { form_.mnuVerClick(); });

    QMenu* midi = menuBar()->addMenu("MIDI");
    midi->setObjectName("mnu_midiMenu");
    connect(midi, &QMenu::aboutToShow, this, [this, midi] { fillMidiMenu(midi); });
}

void Form1View::fillMidiMenu(QMenu* menu) {
    menu->clear();
    auto addPorts = [&](const QString& title, MidiDirection direction,
                        const std::function<std::vector<std::string>()>& list,
                        const std::function<std::string()>& current,
                        const std::function<bool(const std::string&)>& choose) {
        QMenu* sub = menu->addMenu(title);
        sub->setObjectName(direction == MidiDirection::Out ? "mnu_midiOutMenu" : "mnu_midiInMenu");
        auto* group = new QActionGroup(sub);
        const std::vector<std::string> names = list ? list() : std::vector<std::string>{};
        const std::string now = current ? current() : std::string{};
        if (names.empty()) sub->addAction("(ポートがありません)")->setEnabled(false);
        for (const auto& name : names) {
            QAction* a = sub->addAction(Qs(name));
            a->setCheckable(true);
            a->setChecked(name == now);
            group->addAction(a);
            connect(a, &QAction::triggered, this, [this, direction, current, choose, name] {
                const bool opened = choose && choose(name);
                form_.midiPortChosen(direction, name, opened, current ? current() : std::string{});
                after();
            });
        }
    };
    addPorts("出力ポート", MidiDirection::Out, midiMenuModel_.outputs, midiMenuModel_.currentOutput,
             midiMenuModel_.chooseOutput);
    addPorts("入力ポート", MidiDirection::In, midiMenuModel_.inputs, midiMenuModel_.currentInput,
             midiMenuModel_.chooseInput);
    menu->addSeparator();
    QAction* monitor = menu->addAction("MIDIモニター");
    monitor->setObjectName("mnu_midiMonitor");
    connect(monitor, &QAction::triggered, this, [this] { program_.host.showWindow(WindowId::MidiMonitor); });
}

bool Form1View::eventFilter(QObject* watched, QEvent* event) {
    if (watched == command1_ && command1_->isEnabled()) {
        // A second press in quick succession comes as a double-click.
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            form_.command1MouseDown();
            after();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            form_.command1MouseUp();
            after();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1View::closeEvent(QCloseEvent* event) {
    if (!form_.queryClose()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::exit(0);
}

void Form1View::after() { program_.host.refreshAll(); }

void Form1View::refresh() {
    refreshing_ = true;
    SyncList(list1_, form_.list1);
    SyncList(list2_, form_.list2);
    SyncList(list3_, form_.list3);
    MarkEntry(list3_, form_.editAreaEntry());
    SyncList(list4_, form_.list4);
    if (text1_->text() != Qs(form_.text1)) text1_->setText(Qs(form_.text1));
    if (text2_->text() != ListText(form_.text2)) text2_->setText(ListText(form_.text2));
    editAreaMark_->setText(Qs(form_.editAreaMark()));
    bankMark_->setText(Qs(form_.bankMark()));
    command2_->setCaption(Qs(form_.command2Caption));
    SyncProgress(progressBar1_, form_.progressBar1);
    SyncProgress(progressBar2_, form_.progressBar2);
    cancelReceive_->setVisible(form_.cancelReceiveVisible());
    cancelReceive_->raise();
    refreshing_ = false;
}

} // namespace vox
