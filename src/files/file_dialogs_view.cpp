#include "files/file_dialogs_view.h"

#include "files/file_dialogs.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace vox {
namespace {

QString Qs(const std::string& s) { return QString::fromStdString(s); }

// Client area and control places, in twips.
constexpr int kClientWidth = 5415, kClientHeight = 4050;
constexpr TwipsRect kLabel1{120, 120, 1335, 255};
constexpr TwipsRect kText2{120, 405, 2535, 315};
constexpr TwipsRect kFile1{120, 810, 2535, 2505};
constexpr TwipsRect kText1{2790, 120, 2505, 315};
constexpr TwipsRect kDir1{2790, 525, 2505, 2385};
constexpr TwipsRect kDrive1{2790, 3000, 2505, 315};
constexpr TwipsRect kCommand1[2]{{2790, 3480, 1170, 435}, {4125, 3480, 1170, 435}};

void SyncList(QListWidget* list, const ListBoxState& state) {
    bool same = list->count() == static_cast<int>(state.items.size());
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text() == Qs(state.items[static_cast<std::size_t>(i)]);
    if (!same) {
        list->clear();
        for (const auto& item : state.items) list->addItem(Qs(item));
    }
    if (state.selected >= 0 && state.selected < list->count()) {
        list->setCurrentRow(state.selected);
        list->scrollToItem(list->item(state.selected));
    } else {
        list->setCurrentRow(-1);
        list->clearSelection();
    }
}

} // namespace

FileDialogView::FileDialogView(FormContext program, FileDialogForm& form, const char* objectName, QWidget* parent)
    : QWidget(parent, Qt::Dialog), program_(program), form_(form) {
    setObjectName(objectName);
    setWindowTitle(Qs(form.caption));
    // The window over every other one, as the classic dialogs are.
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(TwipsToPixels(kClientWidth, this), TwipsToPixels(kClientHeight, this));

    label1_ = new QLabel(Qs(form.label1), this);
    label1_->setObjectName("Label1");
    PlaceAt(label1_, kLabel1);

    text2_ = new QLineEdit(this);
    text2_->setObjectName("Text2");
    PlaceAt(text2_, kText2);
    connect(text2_, &QLineEdit::textEdited, this, [this](const QString& text) {
        form_.text2 = text.toStdString();
        after();
    });

    file1_ = new QListWidget(this);
    file1_->setObjectName("File1");
    PlaceAt(file1_, kFile1);
    connect(file1_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (refreshing_) return;
        form_.file1Click(file1_->row(item));
        after();
    });
    // The arrow keys, Home, End and typing a letter select an entry without
    // a click; the name box follows them as it follows a click. (Tabbing
    // into the list only marks an entry, selects none, and leaves the name.)
    connect(file1_, &QListWidget::itemSelectionChanged, this, [this] {
        if (refreshing_) return;
        const auto selected = file1_->selectedItems();
        if (selected.isEmpty()) return;
        const int row = file1_->row(selected.front());
        if (row == form_.file1.selected) return;
        form_.file1Click(row);
        after();
    });
    connect(file1_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (refreshing_) return;
        form_.file1DoubleClick(file1_->row(item));
        after();
    });

    text1_ = new QLineEdit(this);
    text1_->setObjectName("Text1");
    PlaceAt(text1_, kText1);
    connect(text1_, &QLineEdit::textEdited, this, [this](const QString& text) {
        form_.text1 = text.toStdString();
        after();
    });

    dir1_ = new QListWidget(this);
    dir1_->setObjectName("Dir1");
    PlaceAt(dir1_, kDir1);
    connect(dir1_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (refreshing_) return;
        form_.dir1Click(dir1_->row(item));
        after();
    });

    drive1_ = new QComboBox(this);
    drive1_->setObjectName("Drive1");
    PlaceAt(drive1_, kDrive1);
    connect(drive1_, &QComboBox::activated, this, [this](int index) {
        if (refreshing_) return;
        form_.drive1Change(index);
        after();
    });

    for (int i = 0; i < 2; ++i) {
        command1_[i] = new QPushButton(Qs(form.command1[static_cast<std::size_t>(i)]), this);
        command1_[i]->setObjectName(QString("Command1_%1").arg(i));
        PlaceAt(command1_[i], kCommand1[i]);
        connect(command1_[i], &QPushButton::clicked, this, [this, i] {
            form_.command1Click(i);
            after();
        });
    }
    refresh();
}

void FileDialogView::after() { program_.host.refreshAll(); }

void FileDialogView::refresh() {
    refreshing_ = true;
    setWindowTitle(Qs(form_.caption));
    label1_->setText(Qs(form_.label1));
    for (int i = 0; i < 2; ++i) command1_[i]->setText(Qs(form_.command1[static_cast<std::size_t>(i)]));
    if (text1_->text() != Qs(form_.text1)) text1_->setText(Qs(form_.text1));
    if (text2_->text() != Qs(form_.text2)) text2_->setText(Qs(form_.text2));

    bool sameDrives = drive1_->count() == static_cast<int>(form_.drive1.items.size());
    for (int i = 0; sameDrives && i < drive1_->count(); ++i)
        sameDrives = drive1_->itemText(i) == Qs(form_.drive1.items[static_cast<std::size_t>(i)]);
    if (!sameDrives) {
        drive1_->clear();
        for (const auto& drive : form_.drive1.items) drive1_->addItem(Qs(drive));
    }
    drive1_->setCurrentIndex(form_.drive1.selected);
    SyncList(dir1_, form_.dir1);
    SyncList(file1_, form_.file1);
    refreshing_ = false;
}

void FileDialogView::closeEvent(QCloseEvent* event) {
    // The close box is "中止"; a close by the form itself (it hides the
    // window) does not come here.
    if (form_.isOpen) {
        form_.queryClose();
        after();
    }
    event->accept();
}

Form3View::Form3View(FileDialogForm& form, FormContext program, QWidget* parent)
    : FileDialogView(program, form, "form3", parent) {}
Form4View::Form4View(FileDialogForm& form, FormContext program, QWidget* parent)
    : FileDialogView(program, form, "Form4", parent) {}
Form5View::Form5View(FileDialogForm& form, FormContext program, QWidget* parent)
    : FileDialogView(program, form, "Form5", parent) {}
Form6View::Form6View(FileDialogForm& form, FormContext program, QWidget* parent)
    : FileDialogView(program, form, "Form6", parent) {}

} // namespace vox
