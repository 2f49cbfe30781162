#include "library/library_builder_view.h"

#include "library/library_window.h"
#include "ui/qt_text.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vox {

// The 32 positions. A drop is the form's to carry out: the list only says
// what was dropped where, and is redrawn from the form afterwards.
class BuilderList : public QTreeWidget {
public:
    BuilderList(LibraryWindowForm &form, QTableView *results, std::function<void()> after, QWidget *parent)
        : QTreeWidget(parent), form_(form), results_(results), after_(std::move(after)) {
        setObjectName("Tree2");
        setRootIsDecorated(false);
        setUniformRowHeights(true);
        setSelectionMode(QAbstractItemView::ExtendedSelection);
        setDragEnabled(true);
        setAcceptDrops(true);
        setDropIndicatorShown(true);
        setDragDropMode(QAbstractItemView::DragDrop);
        setTextElideMode(Qt::ElideMiddle);
    }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override {
        if (!accepts(event->source())) return event->ignore();
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
    void dragMoveEvent(QDragMoveEvent *event) override {
        QTreeWidget::dragMoveEvent(event);
        if (!accepts(event->source())) return event->ignore();
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
    void dropEvent(QDropEvent *event) override {
        QObject *source = event->source();
        if (!accepts(source)) return event->ignore();
        // Copy, never move: the dragging view must not take its rows out.
        event->setDropAction(Qt::CopyAction);
        event->accept();
        QTreeWidgetItem *target = itemAt(event->position().toPoint());
        const int position = target ? indexOfTopLevelItem(target) + 1 : 0;
        if (source == this) {
            QTreeWidgetItem *dragged = currentItem();
            if (dragged)
                form_.builderMove(indexOfTopLevelItem(dragged) + 1,
                                  position == 0 ? static_cast<int>(kBankSlots) : position);
        } else if (source == results_) {
            std::vector<int> rows;
            for (const QModelIndex &index : results_->selectionModel()->selectedRows())
                rows.push_back(index.row());
            std::sort(rows.begin(), rows.end());
            form_.builderDropResults(rows, position);
        } else if (auto *list = qobject_cast<QListWidget *>(source)) {
            std::vector<int> entries;
            for (const QListWidgetItem *item : list->selectedItems())
                entries.push_back(list->row(item) + 1);
            std::sort(entries.begin(), entries.end());
            form_.builderDropSoundList(entries, position);
        }
        after_();
    }
    void keyPressEvent(QKeyEvent *event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (currentItem()) {
                form_.builderActivate(indexOfTopLevelItem(currentItem()) + 1);
                after_();
            }
            return;
        }
        if (event->key() == Qt::Key_Delete) {
            form_.command14Click();
            after_();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }

private:
    // The result table, the SOUND LIST, and the positions themselves.
    bool accepts(const QObject *source) const {
        return source && (source == this || source == results_ || source->objectName() == "List3");
    }

    LibraryWindowForm &form_;
    QTableView *results_;
    std::function<void()> after_;
};

LibraryBuilderView::LibraryBuilderView(LibraryWindowForm &form, const BuiltControls &built,
                                       QTableView *results, std::function<void()> after)
    : form_(form) {
    using namespace library_text;
    QWidget *panel = built["Panel3"];
    list_ = new BuilderList(form, results, after, panel);
    QStringList headings;
    for (const Text &h : kBuilderColumns)
        headings << Qs(h);
    list_->setHeaderLabels(headings);
    list_->setColumnWidth(0, TwipsToPixels(600, list_));
    list_->setColumnWidth(1, TwipsToPixels(1500, list_));
    for (std::size_t p = 1; p <= kBankSlots; ++p) {
        auto *item = new QTreeWidgetItem(list_);
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    }
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    QObject::connect(list_, &QTreeWidget::itemSelectionChanged, list_, [this] {
        if (refreshing_) return;
        std::vector<int> positions;
        for (QTreeWidgetItem *item : list_->selectedItems())
            positions.push_back(list_->indexOfTopLevelItem(item) + 1);
        form_.builderChoose(std::move(positions));
    });
    QObject::connect(list_, &QTreeWidget::itemDoubleClicked, list_, [this, after](QTreeWidgetItem *item) {
        form_.builderActivate(list_->indexOfTopLevelItem(item) + 1);
        after();
    });

    label11_ = built.get<QLabel>("Label11");
    label11_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    check2_ = built.get<QCheckBox>("Check2");
    QObject::connect(check2_, &QCheckBox::clicked, list_, [this](bool on) { form_.check2Click(on); });
    for (auto [name, handler] : {std::pair{"Command11", &LibraryWindowForm::command11Click},
                                 std::pair{"Command12", &LibraryWindowForm::command12Click},
                                 std::pair{"Command13", &LibraryWindowForm::command13Click},
                                 std::pair{"Command14", &LibraryWindowForm::command14Click},
                                 std::pair{"Command15", &LibraryWindowForm::command15Click},
                                 std::pair{"Command16", &LibraryWindowForm::command16Click},
                                 std::pair{"Command17", &LibraryWindowForm::command17Click},
                                 std::pair{"Command18", &LibraryWindowForm::command18Click}})
        QObject::connect(built.get<QPushButton>(name), &QPushButton::clicked, list_, [this, handler, after] {
            (form_.*handler)();
            after();
        });
}

void LibraryBuilderView::refresh() {
    refreshing_ = true;
    if (shown_ != form_.builderVersion) {
        shown_ = form_.builderVersion;
        const QColor free = list_->palette().color(QPalette::Disabled, QPalette::Text);
        for (std::size_t p = 1; p <= kBankSlots; ++p) {
            QTreeWidgetItem *item = list_->topLevelItem(static_cast<int>(p - 1));
            for (int c = 0; c < 3; ++c)
                item->setText(c, Qs(form_.builderCell(p, c)));
            const bool used = form_.builder().at(p).has_value();
            item->setForeground(1, used ? list_->palette().color(QPalette::Text) : free);
            item->setToolTip(2, item->text(2));
        }
        list_->clearSelection();
        for (int p : form_.builderChosen)
            if (QTreeWidgetItem *item = list_->topLevelItem(p - 1)) {
                item->setSelected(true);
                list_->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
            }
    }
    label11_->setText(Qs(form_.label11));
    if (check2_->isChecked() != form_.check2) check2_->setChecked(form_.check2);
    refreshing_ = false;
}

} // namespace vox
