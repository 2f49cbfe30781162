#include "files/file_dialogs_view.h"

#include "files/file_dialogs.h"
#include "librarian/program.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace vox {
namespace {

QString Qs(const std::string& s) { return QString::fromStdString(s); }

void SyncList(QListWidget* list, const std::vector<QString>& texts, int selected) {
    bool same = list->count() == static_cast<int>(texts.size());
    for (int i = 0; same && i < list->count(); ++i) same = list->item(i)->text() == texts[static_cast<std::size_t>(i)];
    if (!same) {
        list->clear();
        for (const auto& t : texts) list->addItem(t);
    }
    if (selected >= 0 && selected < list->count())
        list->setCurrentRow(selected);
    else
        list->clearSelection();
}

void SyncText(QLineEdit* edit, const std::string& text) {
    const QString q = Qs(text);
    if (edit->text() != q) edit->setText(q);
}

} // namespace

FileDialogView::FileDialogView(Program& program, FileDialogForm& form, const char* objectName, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::Dialog), program_(program), form_(form) {
    namespace L = file_dialogs_layout;
    setObjectName(objectName);
    setWindowTitle(Qs(form.caption));
    setFixedSize(TwipsToPixels(L::kClientWidth, this), TwipsToPixels(L::kClientHeight, this));

    label1_ = new QLabel(Qs(form.label1), this);
    label1_->setObjectName("Label1");
    PlaceLabel(label1_, L::kLabel1);

    text2_ = new QLineEdit(this);
    text2_->setObjectName("Text2");
    PlaceAt(text2_, L::kText2);
    connect(text2_, &QLineEdit::textEdited, this, [this](const QString& t) {
        form_.text2 = t.toStdString();
        after();
    });

    text1_ = new QLineEdit(this);
    text1_->setObjectName("Text1");
    PlaceAt(text1_, L::kText1);
    connect(text1_, &QLineEdit::textEdited, this, [this](const QString& t) {
        form_.text1 = t.toStdString();
        after();
    });

    dir1_ = new QListWidget(this);
    dir1_->setObjectName("Dir1");
    PlaceAt(dir1_, L::kDir1);
    connect(dir1_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (refreshing_) return;
        form_.dir1Click(dir1_->row(item));
        after();
    });

    file1_ = new QListWidget(this);
    file1_->setObjectName("File1");
    PlaceAt(file1_, L::kFile1);
    connect(file1_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (refreshing_) return;
        form_.file1Click(file1_->row(item));
        after();
    });
    connect(file1_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (refreshing_) return;
        form_.file1DoubleClick(file1_->row(item));
        after();
    });

    drive1_ = new QComboBox(this);
    drive1_->setObjectName("Drive1");
    PlaceAt(drive1_, L::kDrive1);
    connect(drive1_, &QComboBox::activated, this, [this](int index) {
        if (refreshing_) return;
        form_.drive1Change(index);
        after();
    });

    for (int i = 0; i < 2; ++i) {
        command1_[i] = new WrapButton(Qs(form.command1[static_cast<std::size_t>(i)]), this);
        command1_[i]->setObjectName(QString("Command1_%1").arg(i));
        PlaceAt(command1_[i], L::kCommand1[i]);
        connect(command1_[i], &QPushButton::clicked, this, [this, i] {
            form_.command1Click(i);
            after();
        });
    }
}

void FileDialogView::after() { program_.host.refreshAll(); }

void FileDialogView::refresh() {
    refreshing_ = true;
    setWindowTitle(Qs(form_.caption));

    std::vector<QString> drives;
    for (const auto& d : form_.drive1.items) drives.push_back(Qs(d));
    bool same = drive1_->count() == static_cast<int>(drives.size());
    for (int i = 0; same && i < drive1_->count(); ++i) same = drive1_->itemText(i) == drives[static_cast<std::size_t>(i)];
    if (!same) {
        drive1_->clear();
        for (const auto& d : drives) drive1_->addItem(d);
    }
    drive1_->setCurrentIndex(form_.drive1.selected);

    std::vector<QString> dirs;
    for (const auto& e : form_.dir1.items) dirs.push_back(Qs(e));
    SyncList(dir1_, dirs, form_.dir1.selected);

    std::vector<QString> files;
    for (const auto& f : form_.file1.items) files.push_back(Qs(f));
    SyncList(file1_, files, form_.file1.selected);

    SyncText(text1_, form_.text1);
    SyncText(text2_, form_.text2);
    refreshing_ = false;
}

void FileDialogView::closeEvent(QCloseEvent* event) {
    // The close box cancels; a close the form asked for itself does nothing more.
    if (form_.isOpen) {
        form_.queryClose();
        after();
    }
    event->accept();
}

Form3View::Form3View(Program& program, QWidget* parent) : FileDialogView(program, program.form3, "form3", parent) {}
Form4View::Form4View(Program& program, QWidget* parent) : FileDialogView(program, program.form4, "Form4", parent) {}
Form5View::Form5View(Program& program, QWidget* parent) : FileDialogView(program, program.form5, "Form5", parent) {}
Form6View::Form6View(Program& program, QWidget* parent) : FileDialogView(program, program.form6, "Form6", parent) {}

} // namespace vox
