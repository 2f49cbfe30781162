#include "librarian/form7_view.h"

#include "librarian/form7.h"
#include "librarian/form7_layout.h"
#include "ui/client_area_view.h"
#include "ui/qt_text.h"
#include "ui/twips.h"
#include "voice/text.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace vox {
namespace {

// Control characters of voice names are drawn as their control pictures,
// as in the SOUND LIST.
QString EntryText(const std::string &entry) { return QString::fromStdString(WithControlPictures(entry)); }

} // namespace

Form7View::Form7View(Form7 &form, FormContext program, QWidget *parent)
    : QWidget(parent, Qt::Dialog), program_(program), form_(form) {
    using namespace form7_text;
    setObjectName("Form7");
    setWindowTitle(Qs(kCaption));
    setFont(UiFont());
    QWidget *client = MakeClientArea(this, form7_layout::kClientWidth, form7_layout::kClientHeight);

    const BuiltControls built = BuildControls(form7_layout::kControls, client);
    list1_ = built.get<QListWidget>("List1");
    // The selection, not the current row: a list taking focus makes its
    // first row current without selecting it, and "no selection" writes
    // slot 0.
    connect(list1_, &QListWidget::itemSelectionChanged, this, [this] {
        if (refreshing_) return;
        const auto items = list1_->selectedItems();
        form_.list1.selected = items.isEmpty() ? -1 : list1_->row(items.front());
    });
    connect(built.get<QPushButton>("Command1"), &QPushButton::clicked, this, [this] {
        form_.command1Click();
        after();
    });
    connect(built.get<QPushButton>("Command2"), &QPushButton::clicked, this, [this] {
        form_.command2Click();
        after();
    });
    refresh();
}

void Form7View::closeEvent(QCloseEvent *event) {
    // The close box acts as 中止; a close the form asked for finds it
    // already closed and does nothing more.
    form_.queryUnload();
    event->accept();
    after();
}

void Form7View::after() { program_.host.refreshAll(); }

void Form7View::refresh() {
    refreshing_ = true;
    const ListBoxState &state = form_.list1;
    bool same = list1_->count() == static_cast<int>(state.items.size());
    for (int i = 0; same && i < list1_->count(); ++i)
        same = list1_->item(i)->text() == EntryText(state.items[static_cast<std::size_t>(i)]);
    if (!same) {
        list1_->clear();
        for (const auto &item : state.items)
            list1_->addItem(EntryText(item));
    }
    list1_->setCurrentRow(state.selected >= 0 && state.selected < list1_->count() ? state.selected : -1);
    if (state.selected < 0) list1_->clearSelection();
    refreshing_ = false;
}

} // namespace vox
