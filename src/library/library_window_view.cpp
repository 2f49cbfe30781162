#include "library/library_window_view.h"

#include "library/library_builder_view.h"
#include "library/library_window.h"
#include "library/library_window_layout.h"
#include "ui/client_area_view.h"
#include "ui/corner_mark_view.h"
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
#include <QTreeView>
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

// The name column's mark of the later models' additional data
// (SupplementMark, VariantMark), drawn at its right edge.
constexpr int kMarkRole = Qt::UserRole + 1;

// The mark's tip: that the voice carries the data, and which of the
// group's different records.
QString MarkTip(const std::string &mark) {
    using namespace library_text;
    QString tip = Qs(kSupplementTip);
    if (const auto dash = mark.find('-'); dash != std::string::npos)
        tip += "\n" + Qs(kVariantTipBefore + mark.substr(dash + 1) + kVariantTipAfter);
    return tip;
}

// What a voice's row shows in the result table and the duplicates view;
// `mark` is its name column's mark.
QVariant VoiceData(const LibraryWindowForm &form, const CatalogVoice &v, int column, int role,
                   const std::string &mark) {
    if (column == 0 && role == kMarkRole) return Qs(mark);
    if (column == 0 && role == Qt::ToolTipRole && !mark.empty()) return MarkTip(mark);
    if (role == Qt::DisplayRole) return Cell(form, v, column);
    if (role == Qt::ToolTipRole && column == 1) return QString::fromStdString(v.file.string());
    if (role == Qt::ToolTipRole && column == 5) return Qs(form.categoryWhyText(v));
    if (role == Qt::TextAlignmentRole && column >= 2 && column <= 4)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant HeadingData(const QStringList &headings, int section, Qt::Orientation orientation, int role) {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumnCount)
        return headings[section];
    return {};
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
        return VoiceData(form_, v, index.column(), role, SupplementMark(v));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        return HeadingData(headings_, section, orientation, role);
    }
    // Rows are dragged into the bank under construction.
    Qt::ItemFlags flags(const QModelIndex &index) const override {
        return QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled;
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

// The duplicates view: each group a row, its voices the rows under it,
// read straight from the form's groups (no item per voice). A voice's
// internal id is its group's row + 1; a group's is 0.
class LibraryGroupModel : public QAbstractItemModel {
public:
    LibraryGroupModel(const LibraryWindowForm &form, QObject *parent)
        : QAbstractItemModel(parent), form_(form), headings_(Headings()) {}

    QModelIndex index(int row, int column, const QModelIndex &parent) const override {
        if (row < 0 || column < 0 || column >= kColumnCount) return {};
        if (!parent.isValid())
            return row < static_cast<int>(groups_) ? createIndex(row, column, quintptr{0}) : QModelIndex();
        if (parent.internalId() != 0 || row >= rowCount(parent)) return {};
        return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
    }
    QModelIndex parent(const QModelIndex &child) const override {
        if (!child.isValid() || child.internalId() == 0) return {};
        return createIndex(static_cast<int>(child.internalId() - 1), 0, quintptr{0});
    }
    int rowCount(const QModelIndex &parent) const override {
        if (!parent.isValid()) return static_cast<int>(groups_);
        if (parent.internalId() != 0 || parent.column() != 0) return 0;
        const auto g = static_cast<std::size_t>(parent.row());
        return g < form_.groups.size() ? static_cast<int>(form_.groups[g].voices.size()) : 0;
    }
    int columnCount(const QModelIndex &) const override { return kColumnCount; }
    QVariant data(const QModelIndex &index, int role) const override {
        if (!index.isValid()) return {};
        if (index.internalId() == 0) {
            const auto g = static_cast<std::size_t>(index.row());
            if (role == Qt::DisplayRole && index.column() == 0 && g < form_.groups.size())
                return Qs(form_.groups[g].heading);
            return {};
        }
        const CatalogVoice *v = voice(index);
        if (!v) return {};
        // Variants are told among copies of one sound; a pair of near
        // voices is two sounds, each marked as in the result table.
        const auto &voices = form_.groups[static_cast<std::size_t>(index.internalId() - 1)].voices;
        const std::string mark = form_.shown == 1 ? VariantMark(voices, static_cast<std::size_t>(index.row()))
                                                  : SupplementMark(*v);
        return VoiceData(form_, *v, index.column(), role, mark);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        return HeadingData(headings_, section, orientation, role);
    }
    const CatalogVoice *voice(const QModelIndex &index) const {
        if (!index.isValid() || index.internalId() == 0) return nullptr;
        const auto g = static_cast<std::size_t>(index.internalId() - 1);
        const auto r = static_cast<std::size_t>(index.row());
        if (g >= form_.groups.size() || r >= form_.groups[g].voices.size()) return nullptr;
        return &form_.groups[g].voices[r];
    }
    void reload() {
        beginResetModel();
        groups_ = form_.groups.size();
        endResetModel();
    }
    // Marks changed what the voices show.
    void marksChanged() {
        for (int g = 0; g < static_cast<int>(groups_); ++g) {
            const QModelIndex group = index(g, 0, {});
            const int n = rowCount(group);
            if (n > 0) emit dataChanged(index(0, 0, group), index(n - 1, kColumnCount - 1, group));
        }
    }

private:
    const LibraryWindowForm &form_;
    QStringList headings_;
    std::size_t groups_ = 0;
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

// 後継機のデータのファイル: the files that hold the later models' messages
// and no voice, as the form read them from the catalogue.
class LibraryFamilyView : public QWidget {
public:
    LibraryFamilyView(const LibraryWindowForm &form, QWidget *parent)
        : QWidget(parent, Qt::Window), form_(form) {
        using namespace library_text;
        setObjectName("LibraryFamily");
        setWindowTitle(Qs(kFamilyCaption));
        setFont(UiFont());
        QWidget *client = MakeClientArea(this, library_layout::kFamilyWidth, library_layout::kFamilyHeight);
        const BuiltControls built = BuildControls(library_layout::kFamilyControls, client);
        label_ = built.get<QLabel>("Label1");
        QStringList headings;
        for (const Text &h : kFamilyColumns)
            headings << Qs(h);
        QWidget *panel = built["Panel1"];
        list_ = new QTreeWidget(panel);
        list_->setObjectName("Tree1");
        list_->setRootIsDecorated(false);
        list_->setUniformRowHeights(true);
        list_->setTextElideMode(Qt::ElideMiddle);
        list_->setHeaderLabels(headings);
        const int widths[5] = {3600, 1500, 1200, 1200, 1000}; // twips
        for (int c = 0; c < 5; ++c)
            list_->setColumnWidth(c, TwipsToPixels(widths[c], this));
        auto *layout = new QVBoxLayout(panel);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(list_);
        connect(built.get<QPushButton>("Command1"), &QPushButton::clicked, this, &QWidget::close);
    }
    void show() {
        label_->setText(Qs(form_.familyLabel));
        list_->clear();
        for (const FamilyFile &f : form_.familyFiles) {
            CatalogVoice place; // the file column reads a path as the result table does
            place.file = f.file;
            auto *item =
                new QTreeWidgetItem(list_, QStringList{Qs(form_.fileText(place)), Qs(f.kinds), Qs(f.model),
                                                       QString::number(f.messages), QString::number(f.size)});
            item->setToolTip(0, QString::fromStdString(f.file.string()));
            for (int c = 3; c < 5; ++c)
                item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        }
        QWidget::show();
        raise();
        activateWindow();
    }

private:
    const LibraryWindowForm &form_;
    QLabel *label_ = nullptr;
    QTreeWidget *list_ = nullptr;
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
    command19_ = built.get<QPushButton>("Command19");
    click(command19_, &LibraryWindowForm::command19Click);

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
    table_->setItemDelegateForColumn(0, new CornerMarkDelegate(kMarkRole, table_));
    auto *layout1 = new QVBoxLayout(panel1_);
    layout1->setContentsMargins(0, 0, 0, 0);
    layout1->addWidget(table_);

    // The duplicates view: a group heading, its voices under it.
    panel2_ = built["Panel2"];
    tree_ = new QTreeView(panel2_);
    tree_->setObjectName("Tree1");
    groupModel_ = new LibraryGroupModel(form_, this);
    tree_->setModel(groupModel_);
    // The first column also holds the groups' indentation; the file column
    // gives it up so that every column fits beside the scroll bar.
    constexpr int kIndentPixels = 40;
    for (int c = 0; c < kColumnCount; ++c)
        tree_->setColumnWidth(c, TwipsToPixels(widths[c] * 15, this) + (c == 0   ? kIndentPixels
                                                                        : c == 1 ? -2 * kIndentPixels
                                                                                 : 0));
    tree_->setUniformRowHeights(true);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setTextElideMode(Qt::ElideMiddle);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!refreshing_) groupEvent(false);
    });
    connect(tree_, &QTreeView::doubleClicked, this, [this] { groupEvent(true); });
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this, &LibraryWindowView::groupMenu);
    tree_->installEventFilter(this);
    tree_->setItemDelegateForColumn(0, new CornerMarkDelegate(kMarkRole, tree_));
    auto *layout2 = new QVBoxLayout(panel2_);
    layout2->setContentsMargins(0, 0, 0, 0);
    layout2->addWidget(tree_);

    // Rows of the result table are dragged into the bank under construction.
    table_->setDragEnabled(true);
    table_->setDragDropMode(QAbstractItemView::DragOnly);
    builder_ = std::make_unique<LibraryBuilderView>(form_, built, table_, [this] { after(); });
    form_.chooseBankFile = [this]() -> std::optional<std::string> {
        const QString file = QFileDialog::getSaveFileName(this, Qs(kBuilderSaveTitle), QDir::homePath(),
                                                          "SysEx (*.syx);;V32 (*.v32)");
        if (file.isEmpty()) return std::nullopt;
        return file.toStdString();
    };

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
    const QModelIndex current = tree_->currentIndex();
    int group = -1, voice = -1;
    if (current.isValid() && current.internalId() != 0) {
        group = static_cast<int>(current.internalId() - 1);
        voice = current.row();
    }
    if (activate)
        form_.groupVoiceActivate(group, voice);
    else
        form_.groupVoiceClick(group, voice);
    after();
}

// The duplicates view's menu: the chosen voice's whereabouts, into the
// bank, and its marks.
void LibraryWindowView::groupMenu(const QPoint &at) {
    QMenu menu(this);
    menu.setObjectName("GroupMenu");
    QAction *where = menu.addAction(Qs(library_text::kCommand10));
    where->setEnabled(form_.command10Enabled());
    connect(where, &QAction::triggered, this, [this] {
        form_.command10Click();
        after();
    });
    QAction *add = menu.addAction(Qs(library_text::kFrame2) + " " + Qs(library_text::kCommand11));
    add->setEnabled(form_.command10Enabled());
    connect(add, &QAction::triggered, this, [this] {
        form_.command11Click();
        after();
    });
    addMarkMenu(menu);
    menu.exec(tree_->viewport()->mapToGlobal(at));
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

LibraryWindowView::~LibraryWindowView() = default;

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
        groupModel_->reload();
        tree_->expandAll();
        tree_->setCurrentIndex({});
    } else if (groupMarksShown_ != form_.groupMarksVersion) {
        groupMarksShown_ = form_.groupMarksVersion;
        groupModel_->marksChanged();
    }
    builder_->refresh();
    panel1_->setVisible(form_.shown == 0);
    panel2_->setVisible(form_.shown != 0);
    command9_->setEnabled(form_.command9Enabled());
    command10_->setEnabled(form_.command10Enabled());
    if (whereaboutsShown_ != form_.whereaboutsVersion && form_.whereabouts) {
        whereaboutsShown_ = form_.whereaboutsVersion;
        if (!where_) where_ = new LibraryWhereView(form_, this);
        where_->show(*form_.whereabouts);
    }
    if (familyShown_ != form_.familyVersion) {
        familyShown_ = form_.familyVersion;
        if (!family_) family_ = new LibraryFamilyView(form_, this);
        family_->show();
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
    command19_->setEnabled(!busy);
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
