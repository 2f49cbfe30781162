#include "files/file_dialogs_view.h"

#include "files/file_dialogs.h"
#include "files/file_dialogs_layout.h"
#include "ui/client_area_view.h"
#include "ui/qt_text.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace vox {
namespace {

void SyncList(QListWidget *list, const ListBoxState &state) {
    bool same = list->count() == static_cast<int>(state.items.size());
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text() == Qs(state.items[static_cast<std::size_t>(i)]);
    if (!same) {
        list->clear();
        for (const auto &item : state.items)
            list->addItem(Qs(item));
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

FileDialogView::FileDialogView(FormContext program, FileDialogForm &form, const char *objectName,
                               QWidget *parent)
    : QWidget(parent, Qt::Dialog), program_(program), form_(form) {
    setObjectName(objectName);
    setWindowTitle(Qs(form.caption));
    // Over every other window: nothing else is used until it closes.
    setWindowModality(Qt::ApplicationModal);
    setFont(UiFont());
    QWidget *client =
        MakeClientArea(this, file_dialogs_layout::kClientWidth, file_dialogs_layout::kClientHeight);
    const BuiltControls built = BuildControls(file_dialogs_layout::kControls, client);

    label1_ = built.get<QLabel>("Label1");

    text2_ = built.get<QLineEdit>("Text2");
    connect(text2_, &QLineEdit::textEdited, this, [this](const QString &text) {
        form_.text2 = text.toStdString();
        after();
    });

    file1_ = built.get<QListWidget>("File1");
    connect(file1_, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
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
    connect(file1_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        if (refreshing_) return;
        form_.file1DoubleClick(file1_->row(item));
        after();
    });

    text1_ = built.get<QLineEdit>("Text1");
    connect(text1_, &QLineEdit::textEdited, this, [this](const QString &text) {
        form_.text1 = text.toStdString();
        after();
    });

    dir1_ = built.get<QListWidget>("Dir1");
    connect(dir1_, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (refreshing_) return;
        form_.dir1Click(dir1_->row(item));
        after();
    });

    drive1_ = built.get<QComboBox>("Drive1");
    connect(drive1_, &QComboBox::activated, this, [this](int index) {
        if (refreshing_) return;
        form_.drive1Change(index);
        after();
    });

    for (int i = 0; i < 2; ++i) {
        command1_[i] = built.get<QPushButton>(QString("Command1_%1").arg(i));
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
    for (int i = 0; i < 2; ++i)
        command1_[i]->setText(Qs(form_.command1[static_cast<std::size_t>(i)]));
    // A folder longer than the box shows its end (the line edit keeps the
    // cursor there) and the whole path as a tool tip.
    if (text1_->text() != Qs(form_.text1)) text1_->setText(Qs(form_.text1));
    text1_->setToolTip(text1_->text());
    if (text2_->text() != Qs(form_.text2)) text2_->setText(Qs(form_.text2));

    bool sameDrives = drive1_->count() == static_cast<int>(form_.drive1.items.size());
    for (int i = 0; sameDrives && i < drive1_->count(); ++i)
        sameDrives = drive1_->itemText(i) == Qs(form_.drive1.items[static_cast<std::size_t>(i)]);
    if (!sameDrives) {
        drive1_->clear();
        for (const auto &drive : form_.drive1.items)
            drive1_->addItem(Qs(drive));
    }
    drive1_->setCurrentIndex(form_.drive1.selected);
    SyncList(dir1_, form_.dir1);
    SyncList(file1_, form_.file1);
    refreshing_ = false;
}

void FileDialogView::closeEvent(QCloseEvent *event) {
    // The close box is "中止"; a close by the form itself (it hides the
    // window) does not come here.
    if (form_.isOpen) {
        form_.queryClose();
        after();
    }
    event->accept();
}

Form3View::Form3View(FileDialogForm &form, FormContext program, QWidget *parent)
    : FileDialogView(program, form, "form3", parent) {}
Form4View::Form4View(FileDialogForm &form, FormContext program, QWidget *parent)
    : FileDialogView(program, form, "Form4", parent) {}
Form5View::Form5View(FileDialogForm &form, FormContext program, QWidget *parent)
    : FileDialogView(program, form, "Form5", parent) {}
Form6View::Form6View(FileDialogForm &form, FormContext program, QWidget *parent)
    : FileDialogView(program, form, "Form6", parent) {}

} // namespace vox
