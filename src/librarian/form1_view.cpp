#include "librarian/form1_view.h"

#include "librarian/form1.h"
#include "librarian/form1_layout.h"
#include "librarian/function_form.h"
#include "librarian/midi_settings.h"
#include "ui/client_area_view.h"
#include "ui/corner_mark_view.h"
#include "ui/qt_text.h"
#include "ui/twips.h"
#include "voice/text.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyledItemDelegate>

namespace vox {
namespace {

// Text for a list entry: control characters of voice names would not show
// in a list box, so each is drawn as its Unicode control picture; the
// entry keeps its 15 characters.
QString ListText(const std::string &entry) { return Qs(WithControlPictures(entry)); }

void SyncList(QListWidget *list, const ListBoxState &state) {
    bool same = list->count() == static_cast<int>(state.items.size());
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text() == ListText(state.items[static_cast<std::size_t>(i)]);
    if (!same) {
        list->clear();
        for (const auto &item : state.items)
            list->addItem(ListText(item));
    }
    if (state.selected >= 0 && state.selected < list->count())
        list->setCurrentRow(state.selected);
    else
        list->setCurrentRow(-1);
    if (state.selected < 0) list->clearSelection();
}

// The entry whose voice is in the edit area: bold on a tinted ground, so
// it shows whether or not it is selected. The entry texts stay as they are.
// Entries whose voice carries additional data show "II" at their right
// edge (kSupplementRole), so the entry text stays the instrument's.
constexpr int kSupplementRole = Qt::UserRole + 1;

void MarkEntry(QListWidget *list, int entry, const Workspace &workspace) {
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem *item = list->item(i);
        const bool marked = i == entry;
        QFont font = item->font();
        if (font.bold() != marked) {
            font.setBold(marked);
            item->setFont(font);
        }
        item->setData(Qt::BackgroundRole, marked ? QVariant(QColor(255, 240, 190)) : QVariant());
        const bool supplement = workspace.hasBank() && workspace.supplement(i + 1).has_value();
        item->setData(kSupplementRole, supplement ? QString(form1_text::kSupplementMark) : QString());
        QStringList tips;
        if (marked) tips << Qs(form1_text::kEditAreaEntryTip);
        if (supplement) tips << Qs(form1_text::kSupplementTip);
        item->setToolTip(tips.join("\n"));
    }
}

// Dark red while the window is usable; greyed with it when disabled.
void MarkColour(QLabel *label) {
    QPalette palette = label->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText, QColor(176, 0, 0));
    label->setPalette(palette);
}

void SyncProgress(QProgressBar *bar, const ProgressBarState &state) {
    bar->setVisible(state.visible);
    bar->setRange(0, state.max);
    bar->setValue(std::clamp(state.value, 0, state.max));
}

} // namespace

Form1View::Form1View(Form1 &form, FormContext program, QWidget *parent)
    : QMainWindow(parent), program_(program), form_(form) {
    setObjectName("Form1");
    setWindowTitle(Qs(form1_text::kCaption));
    setFont(UiFont());

    // A fixed client area: the controls placed to its right stay out of
    // view.
    QWidget *client = MakeClientArea(this, form1_layout::kClientWidth, form1_layout::kClientHeight);
    buildControls(client);
    buildMenus();
    // Below the fixed client area, shown only while the built-in
    // instrument has no output: a user started from the desktop never sees
    // stderr.
    soundNotice_ = new QLabel(Qs(form1_text::kVirtualDx7Silent));
    soundNotice_->setObjectName("LabelSoundNotice");
    soundNotice_->setWordWrap(true);
    statusBar()->addWidget(soundNotice_, 1);
    statusLine_ = new QLabel;
    statusLine_->setObjectName("LabelStatus");
    statusBar()->addWidget(statusLine_, 1);
    statusBar()->setSizeGripEnabled(false);
    statusBar()->hide();
    refresh();
}

void Form1View::buildControls(QWidget *c) {
    const BuiltControls built = BuildControls(form1_layout::kControls, c);
    auto button = [&](const char *name, void (Form1::*handler)()) {
        auto *b = built.get<WrapButton>(name);
        connect(b, &QPushButton::clicked, this, [this, handler] {
            (form_.*handler)();
            after();
        });
        return b;
    };
    using namespace form1_text;
    // Commands that send to the instrument or change the bank: greyed while
    // a receive or transmit owns the port.
    for (const char *name :
         {"Command1", "Command5", "Command7", "Command8", "Command10", "Command12", "Command13"})
        portUsers_.push_back(built.get<QWidget>(name));

    bankMark_ = built.get<QLabel>("LabelBankChanged");
    bankMark_->setToolTip(Qs(kBankChangedTip));
    MarkColour(bankMark_);
    list3_ = built.get<QListWidget>("List3");
    // Entries are dragged into the library window's bank under construction.
    list3_->setDragEnabled(true);
    list3_->setDragDropMode(QAbstractItemView::DragOnly);
    list3_->setItemDelegate(new CornerMarkDelegate(kSupplementRole, list3_));
    // Where a new user starts: said in the empty list itself.
    emptyHint_ = new QLabel(Qs(kEmptyListHint), list3_->viewport());
    emptyHint_->setObjectName("LabelEmptyListHint");
    emptyHint_->setWordWrap(true);
    emptyHint_->setAlignment(Qt::AlignCenter);
    emptyHint_->setEnabled(false); // drawn greyed, as a hint
    // The selection, not the current row: a click on the row that is still
    // current after the selection was cleared must select it again.
    connect(list3_, &QListWidget::itemSelectionChanged, this, [this] {
        if (refreshing_) return;
        const auto items = list3_->selectedItems();
        form_.list3Select(items.isEmpty() ? -1 : list3_->row(items.front()));
    });
    connect(list3_, &QListWidget::itemDoubleClicked, this, [this] {
        form_.list3Select(list3_->currentRow());
        form_.list3DoubleClick();
        after();
    });

    button("Command4", &Form1::command4Click);
    progressBar1_ = built.get<QProgressBar>("ProgressBar1");
    cancelReceive_ = button("CommandCancelReceive", &Form1::cancelReceive);
    button("Command8", &Form1::command8Click);
    progressBar2_ = built.get<QProgressBar>("ProgressBar2");
    button("Command7", &Form1::command7Click);
    button("Command6", &Form1::command6Click);

    editAreaMark_ = built.get<QLabel>("LabelEditAreaChanged");
    editAreaMark_->setToolTip(Qs(kEditAreaChangedTip));
    MarkColour(editAreaMark_);
    button("Command11", &Form1::command11Click);
    button("Command12", &Form1::command12Click);
    button("Command13", &Form1::command13Click);
    text2_ = built.get<QLineEdit>("Text2");
    text2_->setReadOnly(true);
    button("Command14", &Form1::command14Click);
    button("Command10", &Form1::command10Click);
    button("Command9", &Form1::command9Click);
    button("Command3", &Form1::command3Click);

    command1_ = built.get<WrapButton>("Command1");
    command1_->installEventFilter(this); // press and release of any mouse button
    text1_ = built.get<QLineEdit>("Text1");
    connect(text1_, &QLineEdit::textEdited, this,
            [this](const QString &t) { form_.text1 = t.toStdString(); });
    button("Command5", &Form1::command5Click);
    command2_ = button("Command2", &Form1::command2Click);
    list1_ = built.get<QListWidget>("List1");
    list2_ = built.get<QListWidget>("List2");
    list4_ = built.get<QListWidget>("List4");
    built.get<QComboBox>("Combo1")->addItems({"0", "1", "2"});
    // Out of view: the keyboard does not wander there either.
    for (QWidget *w : c->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (w->x() >= TwipsToPixels(form1_layout::kOutOfViewLeft, c)) w->setFocusPolicy(Qt::NoFocus);
}

void Form1View::buildMenus() {
    using namespace form1_text;
    QMenu *file = menuBar()->addMenu(QString::fromUtf8(kMenuFile));
    file->setObjectName("mnu_fileMenu");
    QAction *end = file->addAction(QString::fromUtf8(kMenuEnd));
    end->setObjectName("mnu_file");
    connect(end, &QAction::triggered, this, [this] { form_.mnuFileClick(); });

    QMenu *help = menuBar()->addMenu(QString::fromUtf8(kMenuHelp));
    help->setObjectName("mnu_helpMenu");
    QAction *helpItem = help->addAction(QString::fromUtf8(kMenuHelpItem));
    helpItem->setObjectName("mnu_help");
    connect(helpItem, &QAction::triggered, this, [this] { form_.mnuHelpClick(); });
    QAction *ver = help->addAction(Qs(kMenuVersion));
    ver->setObjectName("mnu_ver");
    connect(ver, &QAction::triggered, this, [this] { form_.mnuVerClick(); });
    // The start-up guide can be asked for again after 次回から表示しない.
    QAction *guide = help->addAction(Qs(kMenuShowGuide));
    guide->setObjectName("mnu_showGuide");
    guide->setCheckable(true);
    connect(help, &QMenu::aboutToShow, guide,
            [this, guide] { guide->setChecked(program_.state.showStartupGuide); });
    connect(guide, &QAction::toggled, this, [this](bool show) {
        ProgramState &state = program_.state;
        if (state.showStartupGuide == show) return;
        state.showStartupGuide = show;
        if (state.startupGuideChosen) state.startupGuideChosen(show);
    });

    // Audition of the edit-area voice, also by its key while the menu is
    // closed: the audition button lies out of view.
    audition_ = new QAction(Qs(kMenuAudition), this);
    audition_->setObjectName("mnu_audition");
    audition_->setShortcut(QKeySequence(Qt::Key_F5));
    addAction(audition_);
    connect(audition_, &QAction::triggered, this, [this] {
        if (auditionTimer_.isActive()) return; // one note at a time
        form_.auditionEditArea();
        auditionTimer_.start();
        after();
    });
    auditionTimer_.setSingleShot(true);
    auditionTimer_.setInterval(kAuditionMs);
    connect(&auditionTimer_, &QTimer::timeout, this, [this] {
        form_.auditionEditAreaEnd();
        after();
    });

    QMenu *midi = menuBar()->addMenu("MIDI");
    midi->setObjectName("mnu_midiMenu");
    connect(midi, &QMenu::aboutToShow, this, [this, midi] { fillMidiMenu(midi); });

    QMenu *library = menuBar()->addMenu(Qs(kMenuLibrary));
    library->setObjectName("mnu_libraryMenu");
    QAction *libraryItem = library->addAction(Qs(kMenuLibraryItem));
    libraryItem->setObjectName("mnu_library");
    connect(libraryItem, &QAction::triggered, this, [this] {
        form_.mnuLibraryClick();
        after();
    });

    QMenu *editMenu = menuBar()->addMenu(Qs(kMenuEdit));
    editMenu->setObjectName("mnu_editMenu");
    QAction *undo = editMenu->addAction(Qs(kMenuUndo));
    undo->setObjectName("mnu_undo");
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = editMenu->addAction(Qs(kMenuRedo));
    redo->setObjectName("mnu_redo");
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    editMenu->addSeparator();
    QAction *compare = editMenu->addAction(Qs(kMenuCompare));
    compare->setObjectName("mnu_compare");
    compare->setCheckable(true);
    compare->setShortcut(QKeySequence(Qt::Key_F6));
    connect(compare, &QAction::triggered, this, [this] {
        form_.mnuCompareClick();
        after();
    });
    connect(editMenu, &QMenu::aboutToShow, this, [this, undo, redo, compare] {
        undo->setEnabled(program_.workspace.canUndo());
        redo->setEnabled(program_.workspace.canRedo());
        compare->setChecked(program_.workspace.comparing());
    });
    // Closed, the menu leaves its keys working whatever it showed.
    connect(editMenu, &QMenu::aboutToHide, this, [undo, redo] {
        undo->setEnabled(true);
        redo->setEnabled(true);
    });
    connect(undo, &QAction::triggered, this, [this] {
        form_.mnuUndoClick();
        after();
    });
    connect(redo, &QAction::triggered, this, [this] {
        form_.mnuRedoClick();
        after();
    });

    // Each language by the name it gives itself, so anyone finds their own.
    QMenu *view = menuBar()->addMenu(Qs(kMenuView));
    view->setObjectName("mnu_viewMenu");
    QMenu *languages = view->addMenu(Qs(kMenuLanguage));
    languages->setObjectName("mnu_languageMenu");
    connect(view, &QMenu::aboutToShow, languages, [this, languages] {
        languages->clear();
        auto *group = new QActionGroup(languages);
        for (const auto &[code, name] : program_.state.languages) {
            QAction *a = languages->addAction(Qs(name));
            a->setObjectName(Qs("mnu_language_" + code));
            a->setCheckable(true);
            a->setChecked(code == program_.state.language);
            group->addAction(a);
            connect(a, &QAction::triggered, this, [this, code] {
                form_.mnuLanguageClick(code);
                after();
            });
        }
    });
}

void Form1View::setMidiMenu(MidiMenuModel model) {
    midiMenuModel_ = std::move(model);
    // The connection check tries the inputs the menu offers.
    form_.inputChoices = {midiMenuModel_.inputs, midiMenuModel_.currentInput, midiMenuModel_.chooseInput};
    refresh();
}

void Form1View::fillMidiMenu(QMenu *menu) {
    menu->clear();
    auto addPorts = [&](const QString &title, MidiDirection direction,
                        const std::function<std::vector<std::string>()> &list,
                        const std::function<std::string()> &current,
                        const std::function<bool(const std::string &)> &choose) {
        QMenu *sub = menu->addMenu(title);
        sub->setObjectName(direction == MidiDirection::Out ? "mnu_midiOutMenu" : "mnu_midiInMenu");
        auto *group = new QActionGroup(sub);
        const std::vector<std::string> names = list ? list() : std::vector<std::string>{};
        const std::string now = current ? current() : std::string{};
        if (names.empty()) sub->addAction(Qs(Tr("(ポートがありません)")))->setEnabled(false);
        for (const auto &name : names) {
            QAction *a = sub->addAction(Qs(name));
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
    addPorts(Qs(Tr("出力ポート")), MidiDirection::Out, midiMenuModel_.outputs, midiMenuModel_.currentOutput,
             midiMenuModel_.chooseOutput);
    addPorts(Qs(Tr("入力ポート")), MidiDirection::In, midiMenuModel_.inputs, midiMenuModel_.currentInput,
             midiMenuModel_.chooseInput);
    auto addChoices = [&](const Text &title, const char *objectName, const Text &failed,
                          const MidiMenuModel::Choices &choices) {
        if (!choices.list) return;
        QMenu *sub = menu->addMenu(Qs(title));
        sub->setObjectName(objectName);
        auto *group = new QActionGroup(sub);
        const std::vector<std::string> names = choices.list();
        const std::string now = choices.current ? choices.current() : std::string{};
        if (names.empty()) sub->addAction(Qs(Tr("(ありません)")))->setEnabled(false);
        for (const auto &name : names) {
            QAction *a = sub->addAction(Qs(name));
            a->setCheckable(true);
            a->setChecked(name == now);
            group->addAction(a);
            connect(a, &QAction::triggered, this, [this, choices, name, failed] {
                if (!(choices.choose && choices.choose(name))) {
                    MessageBoxSpec box;
                    box.text = Qs(failed).arg(Qs(name)).toStdString();
                    box.icon = MsgIcon::Exclamation;
                    program_.host.messageBox(box);
                }
                after();
            });
        }
    };
    addChoices(form1_text::kMenuAudioOutput, "mnu_audioOutMenu", form1_text::kAudioOutputFailed,
               midiMenuModel_.audioOutput);
    addChoices(form1_text::kMenuNoteInput, "mnu_noteInMenu", form1_text::kNoteInputFailed,
               midiMenuModel_.noteInput);
    menu->addSeparator();
    menu->addAction(audition_);
    QAction *monitor = menu->addAction(Qs(Tr("MIDIモニター")));
    monitor->setObjectName("mnu_midiMonitor");
    connect(monitor, &QAction::triggered, this, [this] { program_.host.showWindow(WindowId::MidiMonitor); });
    QAction *check = menu->addAction(Qs(form1_text::kMenuConnectionCheck));
    check->setObjectName("mnu_connectionCheck");
    connect(check, &QAction::triggered, this, [this] {
        form_.mnuConnectionCheckClick();
        after();
    });
    QAction *verify = menu->addAction(Qs(form1_text::kMenuVerifyTransmit));
    verify->setObjectName("mnu_verifyTransmit");
    verify->setEnabled(form_.verifyTransmitEnabled());
    connect(verify, &QAction::triggered, this, [this] {
        form_.mnuVerifyTransmitClick();
        after();
    });
    QAction *functions = menu->addAction(Qs(function_text::kMenuItem));
    functions->setObjectName("mnu_functionSettings");
    connect(functions, &QAction::triggered, this, [this] {
        form_.mnuFunctionSettingsClick();
        after();
    });
    QAction *family = menu->addAction(Qs(form1_text::kMenuFamilyData));
    family->setObjectName("mnu_familyData");
    connect(family, &QAction::triggered, this, [this] {
        form_.mnuFamilyDataClick();
        after();
    });
    QAction *settings = menu->addAction(Qs(midi_settings_text::kMenuItem));
    settings->setObjectName("mnu_midiSettings");
    connect(settings, &QAction::triggered, this, [this] {
        form_.mnuMidiSettingsClick();
        after();
    });
}

bool Form1View::eventFilter(QObject *watched, QEvent *event) {
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

void Form1View::closeEvent(QCloseEvent *event) {
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
    SyncList(list3_, form_.list3());
    MarkEntry(list3_, form_.editAreaEntry(), program_.workspace);
    // A voice just written or taken: its entry in view.
    if (form_.editAreaEntry() != markedEntry_) {
        markedEntry_ = form_.editAreaEntry();
        if (QListWidgetItem *item = list3_->item(markedEntry_)) list3_->scrollToItem(item);
    }
    emptyHint_->setGeometry(list3_->viewport()->rect().adjusted(8, 8, -8, -8));
    emptyHint_->setVisible(list3_->count() == 0 && !form_.cancelReceiveVisible());
    SyncList(list4_, form_.list4);
    if (text1_->text() != Qs(form_.text1)) text1_->setText(Qs(form_.text1));
    if (text2_->text() != ListText(form_.text2())) text2_->setText(ListText(form_.text2()));
    editAreaMark_->setText(Qs(form_.editAreaMark()));
    bankMark_->setText(Qs(form_.bankMark()));
    command2_->setCaption(Qs(form_.command2Caption));
    SyncProgress(progressBar1_, form_.progressBar1);
    progressBar1_->setTextVisible(!form_.progressBar1Text.empty());
    progressBar1_->setFormat(QString::fromStdString(form_.progressBar1Text));
    SyncProgress(progressBar2_, form_.progressBar2);
    const bool portFree = !form_.transferRunning();
    for (QWidget *w : portUsers_)
        w->setEnabled(portFree);
    audition_->setEnabled(portFree);
    cancelReceive_->setVisible(form_.cancelReceiveVisible());
    cancelReceive_->raise();
    const auto &audio = midiMenuModel_.audioOutput;
    const bool silent = audio.list && audio.current && audio.current().empty();
    soundNotice_->setVisible(silent);
    statusLine_->setText(QString::fromStdString(form_.statusText));
    statusLine_->setVisible(!silent && !form_.statusText.empty());
    const bool bar = silent || !form_.statusText.empty();
    if (statusBar()->isHidden() == bar) statusBar()->setVisible(bar);
    refreshing_ = false;
}

} // namespace vox
