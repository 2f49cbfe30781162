#include "library/library_window_view.h"

#include "library/library_window.h"
#include "library/library_window_layout.h"
#include "ui/client_area_view.h"
#include "ui/keyboard_view.h"
#include "ui/qt_text.h"
#include "ui/twips.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vox {

namespace {

constexpr int kColumnCount = 6;

QString Cell(const LibraryWindowForm &form, const CatalogVoice &v, int column) {
    switch (column) {
    case 0:
        return Qs(v.name);
    case 1:
        return Qs(form.fileText(v));
    case 2:
        return QString::number(v.bank);
    case 3:
        return QString::number(v.voice);
    case 4:
        return QString::number(v.algorithm);
    default:
        return Qs(LibraryWindowForm::categoryText(v));
    }
}

QStringList Headings() {
    QStringList headings;
    for (const Text &h : library_text::kColumns)
        headings << Qs(h);
    return headings;
}

} // namespace

// The form's results as a table, read straight from the form.
class LibraryResultModel : public QAbstractTableModel {
public:
    LibraryResultModel(const LibraryWindowForm &form, QObject *parent)
        : QAbstractTableModel(parent), form_(form), headings_(Headings()) {}

    int rowCount(const QModelIndex &parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_);
    }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : kColumnCount; }
    QVariant data(const QModelIndex &index, int role) const override {
        if (!index.isValid() || static_cast<std::size_t>(index.row()) >= form_.results.size()) return {};
        const CatalogVoice &v = form_.results[static_cast<std::size_t>(index.row())];
        if (role == Qt::DisplayRole) return Cell(form_, v, index.column());
        if (role == Qt::ToolTipRole && index.column() == 1) return QString::fromStdString(v.file.string());
        if (role == Qt::ToolTipRole && index.column() == 5) return Qs(form_.categoryWhyText(v));
        if (role == Qt::TextAlignmentRole && index.column() >= 2 && index.column() <= 4)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < kColumnCount)
            return headings_[section];
        return {};
    }
    // The form filled its results anew.
    void reload() {
        beginResetModel();
        rows_ = form_.results.size();
        endResetModel();
    }

private:
    const LibraryWindowForm &form_;
    QStringList headings_;
    std::size_t rows_ = 0;
};

// 音色の比較: the two voices and what differs between them. The view shows
// the form's last comparison; closing it changes nothing.
class LibraryCompareView : public QWidget {
public:
    explicit LibraryCompareView(QWidget *parent) : QWidget(parent, Qt::Window) {
        using namespace library_text;
        setObjectName("LibraryCompare");
        setWindowTitle(Qs(kCompareCaption));
        setFont(UiFont());
        QWidget *client = MakeClientArea(this, library_layout::kCompareWidth, library_layout::kCompareHeight);
        const BuiltControls built = BuildControls(library_layout::kCompareControls, client);
        labels_[0] = built.get<QLabel>("Label1");
        labels_[1] = built.get<QLabel>("Label2");
        labels_[2] = built.get<QLabel>("Label3");
        QWidget *panel = built["Panel1"];
        tree_ = new QTreeWidget(panel);
        tree_->setObjectName("Tree1");
        tree_->setRootIsDecorated(false);
        tree_->setUniformRowHeights(true);
        QStringList headings;
        for (const Text &h : kCompareColumns)
            headings << Qs(h);
        tree_->setHeaderLabels(headings);
        tree_->setColumnWidth(0, TwipsToPixels(3600, this));
        tree_->setColumnWidth(1, TwipsToPixels(2400, this));
        auto *layout = new QVBoxLayout(panel);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(tree_);
        connect(built.get<QPushButton>("Command1"), &QPushButton::clicked, this, &QWidget::close);
    }
    void show(const VoiceComparison &c) {
        labels_[0]->setText(Qs(c.label1));
        labels_[1]->setText(Qs(c.label2));
        labels_[2]->setText(Qs(c.label3));
        tree_->clear();
        QList<QTreeWidgetItem *> items;
        for (const VoiceDifference &d : c.differences)
            items << new QTreeWidgetItem(QStringList{Qs(d.name), Qs(d.a), Qs(d.b)});
        tree_->addTopLevelItems(items);
        QWidget::show();
        raise();
        activateWindow();
    }

private:
    QLabel *labels_[3] = {};
    QTreeWidget *tree_ = nullptr;
};

// 音色の所在: the places that hold a voice's sound and the voices near it,
// as the form found them.
class LibraryWhereView : public QWidget {
public:
    LibraryWhereView(const LibraryWindowForm &form, QWidget *parent)
        : QWidget(parent, Qt::Window), form_(form) {
        using namespace library_text;
        setObjectName("LibraryWhere");
        setWindowTitle(Qs(kWhereCaption));
        setFont(UiFont());
        QWidget *client = MakeClientArea(this, library_layout::kWhereWidth, library_layout::kWhereHeight);
        const BuiltControls built = BuildControls(library_layout::kWhereControls, client);
        for (int i = 0; i < 3; ++i)
            labels_[i] = built.get<QLabel>(QString("Label%1").arg(i + 1));
        QStringList headings;
        for (int c = 0; c < 4; ++c)
            headings << Qs(kColumns[c]);
        for (int i = 0; i < 2; ++i) {
            QWidget *panel = built[QString("Panel%1").arg(i + 1)];
            lists_[i] = new QTreeWidget(panel);
            lists_[i]->setObjectName(QString("Tree%1").arg(i + 1));
            lists_[i]->setRootIsDecorated(false);
            lists_[i]->setUniformRowHeights(true);
            lists_[i]->setHeaderLabels(i == 0 ? headings : headings + QStringList{Qs(kDistanceColumn)});
            lists_[i]->setColumnWidth(0, TwipsToPixels(1800, this));
            lists_[i]->setColumnWidth(1, TwipsToPixels(3600, this));
            lists_[i]->setColumnWidth(2, TwipsToPixels(900, this));
            lists_[i]->setColumnWidth(3, TwipsToPixels(900, this));
            auto *layout = new QVBoxLayout(panel);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->addWidget(lists_[i]);
        }
        connect(built.get<QPushButton>("Command1"), &QPushButton::clicked, this, &QWidget::close);
    }
    void show(const VoiceWhereabouts &w) {
        labels_[0]->setText(Qs(w.label1));
        labels_[1]->setText(Qs(w.label2));
        labels_[2]->setText(Qs(w.label3));
        const auto row = [this](const CatalogVoice &v) {
            QStringList cells;
            for (int c = 0; c < 4; ++c)
                cells << Cell(form_, v, c);
            return cells;
        };
        lists_[0]->clear();
        for (const CatalogVoice &v : w.same)
            new QTreeWidgetItem(lists_[0], row(v));
        lists_[1]->clear();
        for (const NearDuplicate &n : w.near)
            new QTreeWidgetItem(lists_[1], row(n.b) << QString::number(n.distance));
        for (QTreeWidget *list : lists_)
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                QTreeWidgetItem *item = list->topLevelItem(i);
                for (int c = 2; c < list->columnCount(); ++c)
                    item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
            }
        QWidget::show();
        raise();
        activateWindow();
    }

private:
    const LibraryWindowForm &form_;
    QLabel *labels_[3] = {};
    QTreeWidget *lists_[2] = {};
};

LibraryWindowView::LibraryWindowView(LibraryWindowForm &form, FormContext program, QWidget *parent)
    : QWidget(parent, Qt::Window), program_(program), form_(form) {
    using namespace library_text;
    setObjectName("Library");
    setWindowTitle(Qs(kCaption));
    setFont(UiFont());
    QWidget *client = MakeClientArea(this, library_layout::kClientWidth, library_layout::kClientHeight,
                                     ClientGrowth::Grows);

    const BuiltControls built = BuildControls(library_layout::kControls, client);
    FollowGrowth(client, built, library_layout::kControls, library_layout::kFollow);
    auto click = [this](QPushButton *button, void (LibraryWindowForm::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] {
            (form_.*handler)();
            after();
        });
    };
    list1_ = built.get<QListWidget>("List1");
    connect(list1_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (refreshing_) return;
        form_.list1Click(row);
    });
    int n = 0;
    for (auto [name, handler] : {std::pair{"Command1", &LibraryWindowForm::command1Click},
                                 std::pair{"Command2", &LibraryWindowForm::command2Click},
                                 std::pair{"Command3", &LibraryWindowForm::command3Click}}) {
        folderCommands_[n] = built.get<QPushButton>(name);
        click(folderCommands_[n++], handler);
    }
    command4_ = built.get<QPushButton>("Command4");
    click(command4_, &LibraryWindowForm::command4Click);
    command5_ = built.get<QPushButton>("Command5");
    click(command5_, &LibraryWindowForm::command5Click);
    click(built.get<QPushButton>("Command6"), &LibraryWindowForm::command6Click);
    click(built.get<QPushButton>("Command7"), &LibraryWindowForm::command7Click);
    click(built.get<QPushButton>("Command8"), &LibraryWindowForm::command8Click);
    command9_ = built.get<QPushButton>("Command9");
    click(command9_, &LibraryWindowForm::command9Click);
    command10_ = built.get<QPushButton>("Command10");
    click(command10_, &LibraryWindowForm::command10Click);

    text1_ = built.get<QLineEdit>("Text1");
    connect(text1_, &QLineEdit::textEdited, this, [this](const QString &t) {
        form_.text1Change(t.toStdString());
        after();
    });
    text2_ = built.get<QLineEdit>("Text2");
    connect(text2_, &QLineEdit::textEdited, this,
            [this](const QString &t) { form_.text2Change(t.toStdString()); });

    const char *const combos[3] = {"Combo1", "Combo2", "Combo3"};
    void (LibraryWindowForm::*const comboClicks[3])(int) = {
        &LibraryWindowForm::combo1Click, &LibraryWindowForm::combo2Click, &LibraryWindowForm::combo3Click};
    const int firsts[3] = {1, 0, 1}, lasts[3] = {32, 7, 6};
    for (int i = 0; i < 3; ++i) {
        QComboBox *combo = combos_[i] = built.get<QComboBox>(combos[i]);
        combo->addItem(Qs(kAny));
        for (int v = firsts[i]; v <= lasts[i]; ++v)
            combo->addItem(QString::number(v));
        combo->setMaxVisibleItems(12);
        connect(combo, &QComboBox::activated, this, [this, handler = comboClicks[i]](int index) {
            (form_.*handler)(index);
            after();
        });
    }
    // The marks' filters.
    combo4_ = built.get<QComboBox>("Combo4");
    combo4_->addItem(Qs(kAny));
    for (const Text &name : kCategories)
        combo4_->addItem(Qs(name));
    combo4_->setMaxVisibleItems(17);
    connect(combo4_, &QComboBox::activated, this, [this](int index) {
        form_.combo4Click(index);
        after();
    });
    combo5_ = built.get<QComboBox>("Combo5");
    combo5_->addItem(Qs(kAny));
    for (int v = 1; v <= kMaxRating; ++v)
        combo5_->addItem(QString::number(v) + Qs(kRatingAtLeast));
    connect(combo5_, &QComboBox::activated, this, [this](int index) {
        form_.combo5Click(index);
        after();
    });
    check1_ = built.get<QCheckBox>("Check1");
    connect(check1_, &QCheckBox::clicked, this, [this](bool checked) {
        form_.check1Click(checked);
        after();
    });
    text3_ = built.get<QLineEdit>("Text3");
    connect(text3_, &QLineEdit::textEdited, this, [this](const QString &t) {
        form_.text3Change(t.toStdString());
        after();
    });
    const char *const options[3] = {"Option1", "Option2", "Option3"};
    void (LibraryWindowForm::*const optionClicks[3])() = {
        &LibraryWindowForm::option1Click, &LibraryWindowForm::option2Click, &LibraryWindowForm::option3Click};
    for (int i = 0; i < 3; ++i) {
        options_[i] = built.get<QRadioButton>(options[i]);
        connect(options_[i], &QRadioButton::clicked, this, [this, handler = optionClicks[i]] {
            (form_.*handler)();
            after();
        });
    }

    // The result table, sorted by the catalogue: a click on a heading asks
    // the form.
    panel1_ = built["Panel1"];
    table_ = new QTableView(panel1_);
    table_->setObjectName("Table1");
    model_ = new LibraryResultModel(form_, this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Ctrl or Shift and a click choose several: two to compare.
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setTextElideMode(Qt::ElideMiddle); // a long path keeps its file name
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(QFontMetrics(table_->font()).height() + 4);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView *header = table_->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    const int widths[kColumnCount] = {150, 310, 60, 60, 90, 110}; // pixels at 96 dpi
    for (int c = 0; c < kColumnCount; ++c)
        table_->setColumnWidth(c, TwipsToPixels(widths[c] * 15, this));
    header->setStretchLastSection(true);
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        form_.headingClick(column);
        after();
    });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (refreshing_) return;
                form_.resultClick(current.isValid() ? current.row() : -1);
                after();
            });
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (refreshing_) return;
        std::vector<int> rows;
        for (const QModelIndex &index : table_->selectionModel()->selectedRows())
            rows.push_back(index.row());
        form_.resultsChoose(std::move(rows));
        after();
    });
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this, &LibraryWindowView::resultMenu);
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        form_.resultActivate(index.row());
        after();
    });
    table_->installEventFilter(this);
    auto *layout1 = new QVBoxLayout(panel1_);
    layout1->setContentsMargins(0, 0, 0, 0);
    layout1->addWidget(table_);

    // The duplicates view: a group heading, its voices under it.
    panel2_ = built["Panel2"];
    tree_ = new QTreeWidget(panel2_);
    tree_->setObjectName("Tree1");
    tree_->setColumnCount(kColumnCount);
    tree_->setHeaderLabels(Headings());
    // The first column also holds the groups' indentation; the file column
    // gives it up so that every column fits beside the scroll bar.
    constexpr int kIndentPixels = 40;
    for (int c = 0; c < kColumnCount; ++c)
        tree_->setColumnWidth(c, TwipsToPixels(widths[c] * 15, this) + (c == 0   ? kIndentPixels
                                                                        : c == 1 ? -2 * kIndentPixels
                                                                                 : 0));
    tree_->setUniformRowHeights(true);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
        if (!refreshing_) groupEvent(false);
    });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] { groupEvent(true); });
    tree_->installEventFilter(this);
    auto *layout2 = new QVBoxLayout(panel2_);
    layout2->setContentsMargins(0, 0, 0, 0);
    layout2->addWidget(tree_);

    progress_ = built.get<QProgressBar>("ProgressBar1");
    label6_ = built.get<QLabel>("Label6");
    label7_ = built.get<QLabel>("Label7");

    // The keyboard plays the voice the DX7 holds, such as one sent from here.
    QWidget *keyboardPanel = built["KeyboardPanel"];
    keyboard_ = new KeyboardView(program_.state, keyboardPanel);
    auto *keyboardLayout = new QVBoxLayout(keyboardPanel);
    keyboardLayout->setContentsMargins(0, 0, 0, 0);
    keyboardLayout->addWidget(keyboard_);

    form_.chooseFolder = [this]() -> std::optional<std::string> {
        const QString folder =
            QFileDialog::getExistingDirectory(this, Qs(kChooseFolderTitle), QDir::homePath());
        if (folder.isEmpty()) return std::nullopt;
        return folder.toStdString();
    };
    form_.askTag = [this]() -> std::optional<std::string> {
        bool ok = false;
        const QString tag =
            QInputDialog::getText(this, Qs(kTitle), Qs(kTagPrompt), QLineEdit::Normal, {}, &ok);
        if (!ok) return std::nullopt;
        return tag.toStdString();
    };
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, [this] {
        if (form_.pollRun()) after();
    });
    refresh();
}

// The table's menu: the commands on the chosen results, as their buttons
// stand.
void LibraryWindowView::resultMenu(const QPoint &at) {
    QMenu menu(this);
    menu.setObjectName("ResultMenu");
    QAction *compare = menu.addAction(Qs(library_text::kCommand9));
    compare->setObjectName("mnu_compare");
    compare->setEnabled(form_.command9Enabled());
    connect(compare, &QAction::triggered, this, [this] {
        form_.command9Click();
        after();
    });
    QAction *where = menu.addAction(Qs(library_text::kCommand10));
    where->setObjectName("mnu_where");
    where->setEnabled(form_.command10Enabled());
    connect(where, &QAction::triggered, this, [this] {
        form_.command10Click();
        after();
    });
    addMarkMenu(menu);
    menu.exec(table_->viewport()->mapToGlobal(at));
}

// The marks on the chosen results' sounds.
void LibraryWindowView::addMarkMenu(QMenu &menu) {
    using namespace library_text;
    const bool any = form_.command10Enabled() || !form_.chosenRows.empty();
    const auto add = [&](QMenu &into, const QString &caption, const char *name, auto handler) {
        QAction *action = into.addAction(caption);
        action->setObjectName(name);
        action->setEnabled(any);
        connect(action, &QAction::triggered, this, [this, handler] {
            handler();
            after();
        });
    };
    menu.addSeparator();
    add(menu, Qs(kMenuFavouriteOn), "mnu_favouriteOn", [this] { form_.markFavourite(true); });
    add(menu, Qs(kMenuFavouriteOff), "mnu_favouriteOff", [this] { form_.markFavourite(false); });
    QMenu *rating = menu.addMenu(Qs(kLabel9));
    rating->setObjectName("mnu_rating");
    for (int r = 1; r <= kMaxRating; ++r)
        add(*rating, QString::number(r), "mnu_ratingValue", [this, r] { form_.markRating(r); });
    add(*rating, Qs(kMenuRatingNone), "mnu_ratingNone", [this] { form_.markRating(0); });
    add(menu, Qs(kMenuTagAdd), "mnu_tagAdd", [this] {
        if (!form_.askTag) return;
        if (const std::optional<std::string> tag = form_.askTag()) form_.markTagAdd(*tag);
    });
    QMenu *remove = menu.addMenu(Qs(kMenuTagRemove));
    remove->setObjectName("mnu_tagRemove");
    const std::vector<std::string> tags = form_.chosenTags();
    remove->setEnabled(!tags.empty());
    for (const std::string &tag : tags)
        add(*remove, Qs(tag), "mnu_tagRemoveOne", [this, tag] { form_.markTagRemove(tag); });
    QMenu *category = menu.addMenu(Qs(kMenuCategory));
    category->setObjectName("mnu_category");
    add(*category, Qs(kMenuCategoryRules), "mnu_categoryRules", [this] { form_.markCategory(0); });
    category->addSeparator();
    for (int c = 1; c <= static_cast<int>(kCategoryCount); ++c)
        add(*category, Qs(kCategories[c - 1]), "mnu_categoryOne", [this, c] { form_.markCategory(c); });
}

void LibraryWindowView::groupEvent(bool activate) {
    QTreeWidgetItem *item = tree_->currentItem();
    int group = -1, voice = -1;
    if (item && item->parent()) {
        group = tree_->indexOfTopLevelItem(item->parent());
        voice = item->parent()->indexOfChild(item);
    }
    if (activate)
        form_.groupVoiceActivate(group, voice);
    else
        form_.groupVoiceClick(group, voice);
    after();
}

bool LibraryWindowView::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == table_) {
                const QModelIndex current = table_->currentIndex();
                if (current.isValid()) {
                    form_.resultActivate(current.row());
                    after();
                }
                return true;
            }
            if (watched == tree_) {
                groupEvent(true);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LibraryWindowView::closeEvent(QCloseEvent *event) {
    // A running index is cancelled and waited for; a close the form asked
    // for finds it already closed and does nothing more.
    form_.queryUnload();
    event->accept();
    after();
}

void LibraryWindowView::after() { program_.host.refreshAll(); }

void LibraryWindowView::fillGroups() {
    tree_->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(static_cast<qsizetype>(form_.groups.size()));
    for (const VoiceGroup &group : form_.groups) {
        auto *top = new QTreeWidgetItem(QStringList{Qs(group.heading)});
        for (const CatalogVoice &v : group.voices) {
            QStringList cells;
            for (int c = 0; c < kColumnCount; ++c)
                cells << Cell(form_, v, c);
            auto *child = new QTreeWidgetItem(top, cells);
            child->setToolTip(1, QString::fromStdString(v.file.string()));
            child->setToolTip(5, Qs(form_.categoryWhyText(v)));
            for (int c = 2; c <= 4; ++c)
                child->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        }
        items << top;
    }
    tree_->addTopLevelItems(items);
    tree_->expandAll();
    for (QTreeWidgetItem *top : items)
        top->setFirstColumnSpanned(true);
}

void LibraryWindowView::refresh() {
    refreshing_ = true;
    // Folders.
    QStringList folders;
    for (const auto &f : form_.list1.items)
        folders << Qs(f);
    bool same = list1_->count() == folders.size();
    for (int i = 0; same && i < folders.size(); ++i)
        same = list1_->item(i)->text() == folders[i];
    if (!same) {
        list1_->clear();
        list1_->addItems(folders);
    }
    if (list1_->currentRow() != form_.list1.selected) list1_->setCurrentRow(form_.list1.selected);

    // Search and filters.
    if (text1_->text() != Qs(form_.text1)) text1_->setText(Qs(form_.text1));
    if (text2_->text() != Qs(form_.text2)) text2_->setText(Qs(form_.text2));
    const int comboValues[3] = {form_.combo1, form_.combo2, form_.combo3};
    for (int i = 0; i < 3; ++i)
        if (combos_[i]->currentIndex() != comboValues[i]) combos_[i]->setCurrentIndex(comboValues[i]);
    if (combo4_->currentIndex() != form_.combo4) combo4_->setCurrentIndex(form_.combo4);
    if (combo5_->currentIndex() != form_.combo5) combo5_->setCurrentIndex(form_.combo5);
    if (check1_->isChecked() != form_.check1) check1_->setChecked(form_.check1);
    if (text3_->text() != Qs(form_.text3)) text3_->setText(Qs(form_.text3));
    for (int i = 0; i < 3; ++i)
        options_[i]->setChecked(form_.shown == i);

    // The table and the duplicates view.
    const bool reloaded = resultsShown_ != form_.resultsVersion;
    if (reloaded) {
        resultsShown_ = form_.resultsVersion;
        model_->reload();
    }
    const int column = form_.sort == CatalogSort::Name ? 0 : form_.sort == CatalogSort::File ? 1 : 4;
    table_->horizontalHeader()->setSortIndicator(column,
                                                 form_.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    if (form_.selected >= 0 && table_->currentIndex().row() != form_.selected)
        table_->setCurrentIndex(model_->index(form_.selected, 0));
    // A mark searches again and keeps the rows chosen: the table shows them so.
    if (reloaded && !form_.chosenRows.empty()) {
        QItemSelection chosen;
        for (int r : form_.chosenRows)
            chosen.select(model_->index(r, 0), model_->index(r, kColumnCount - 1));
        table_->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect);
    }
    if (groupsShown_ != form_.groupsVersion) {
        groupsShown_ = form_.groupsVersion;
        fillGroups();
    }
    panel1_->setVisible(form_.shown == 0);
    panel2_->setVisible(form_.shown != 0);
    command9_->setEnabled(form_.command9Enabled());
    command10_->setEnabled(form_.command10Enabled());
    if (whereaboutsShown_ != form_.whereaboutsVersion && form_.whereabouts) {
        whereaboutsShown_ = form_.whereaboutsVersion;
        if (!where_) where_ = new LibraryWhereView(form_, this);
        where_->show(*form_.whereabouts);
    }
    if (comparisonShown_ != form_.comparisonVersion && form_.comparison) {
        comparisonShown_ = form_.comparisonVersion;
        if (!compare_) compare_ = new LibraryCompareView(this);
        compare_->show(*form_.comparison);
    }

    // Runs.
    const bool busy = form_.busy();
    for (QPushButton *b : folderCommands_)
        b->setEnabled(!busy);
    command5_->setEnabled(!busy);
    command4_->setVisible(form_.indexing());
    progress_->setVisible(form_.progressBar1.visible);
    progress_->setMaximum(form_.progressBar1.max);
    progress_->setValue(form_.progressBar1.value);
    label6_->setText(Qs(form_.label6));
    label7_->setText(Qs(form_.label7));
    if (busy && !poll_.isActive()) poll_.start();
    if (!busy && poll_.isActive()) poll_.stop();
    refreshing_ = false;
}

} // namespace vox
