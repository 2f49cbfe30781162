#include "files/family_data_view.h"

#include "files/family_data_form.h"
#include "files/family_data_layout.h"
#include "ui/client_area_view.h"
#include "ui/qt_text.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace vox {

FamilyDataView::FamilyDataView(FamilyDataForm &form, FormContext program, QWidget *parent)
    : QWidget(parent, Qt::Window), program_(program), form_(form) {
    using namespace family_data_text;
    setObjectName("FamilyData");
    setWindowTitle(Qs(kCaption));
    setFont(UiFont());
    QWidget *client =
        MakeClientArea(this, family_data_layout::kClientWidth, family_data_layout::kClientHeight);
    const BuiltControls built = BuildControls(family_data_layout::kControls, client);

    list_ = new QTreeWidget(built["Panel1"]);
    list_->setObjectName("List1");
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels(
        {Qs(kColumnKind), Qs(kColumnModel), Qs(kColumnCount), Qs(kColumnBytes), Qs(kColumnState)});
    list_->header()->setStretchLastSection(true);
    list_->header()->setSectionResizeMode(QHeaderView::Interactive);
    auto *layout = new QVBoxLayout(built["Panel1"]);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (refreshing_) return;
        form_.selected.clear();
        for (int i = 0; i < list_->topLevelItemCount(); ++i)
            if (list_->topLevelItem(i)->isSelected()) form_.selected.push_back(i);
        after();
    });
    built.get<QLabel>("LabelNote")->setWordWrap(true);
    status_ = built.get<QLabel>("LabelStatus");

    const QString filter = Qs(kFileFilter);
    form_.chooseLoadFile = [this, filter]() -> std::optional<std::string> {
        const QString file =
            QFileDialog::getOpenFileName(this, Qs(family_data_text::kLoadTitle), QDir::homePath(), filter);
        if (file.isEmpty()) return std::nullopt;
        return file.toStdString();
    };
    form_.chooseSaveFile = [this]() -> std::optional<std::string> {
        const QString file = QFileDialog::getSaveFileName(this, Qs(family_data_text::kSaveTitle),
                                                          QDir::homePath(), "SysEx (*.syx)");
        if (file.isEmpty()) return std::nullopt;
        return file.toStdString();
    };

    const auto button = [&](const char *name, void (FamilyDataForm::*click)()) {
        auto *b = built.get<QPushButton>(name);
        connect(b, &QPushButton::clicked, this, [this, click] {
            (form_.*click)();
            after();
        });
        return b;
    };
    load_ = button("Load", &FamilyDataForm::loadClick);
    save_ = button("Save", &FamilyDataForm::saveClick);
    delete_ = button("Delete", &FamilyDataForm::deleteClick);
    receive_ = button("Receive", &FamilyDataForm::receiveClick);
    transmit_ = button("Transmit", &FamilyDataForm::transmitClick);
    close_ = button("Close", &FamilyDataForm::closeClick);
    refresh();
}

void FamilyDataView::closeEvent(QCloseEvent *event) {
    if (form_.queryUnload())
        event->accept();
    else
        event->ignore();
    after();
}

void FamilyDataView::after() { program_.host.refreshAll(); }

void FamilyDataView::refresh() {
    refreshing_ = true;
    const std::vector<FamilyDataForm::Row> rows = form_.rows();
    const bool same = list_->topLevelItemCount() == static_cast<int>(rows.size());
    if (!same) list_->clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const FamilyDataForm::Row &r = rows[i];
        const QStringList texts{Qs(r.kind), Qs(r.model), Qs(r.count), Qs(r.bytes), Qs(r.state)};
        QTreeWidgetItem *item = same ? list_->topLevelItem(static_cast<int>(i)) : new QTreeWidgetItem(list_);
        for (int c = 0; c < texts.size(); ++c) {
            if (item->text(c) != texts[c]) item->setText(c, texts[c]);
            if (c >= 2 && c <= 3) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    if (!same)
        for (int c = 0; c < 4; ++c)
            list_->resizeColumnToContents(c);
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const bool chosen =
            std::find(form_.selected.begin(), form_.selected.end(), i) != form_.selected.end();
        if (list_->topLevelItem(i)->isSelected() != chosen) list_->topLevelItem(i)->setSelected(chosen);
    }
    status_->setText(Qs(form_.statusText));
    const bool idle = !form_.busy();
    const bool any = !rows.empty();
    load_->setEnabled(idle);
    save_->setEnabled(idle && any);
    delete_->setEnabled(idle && !form_.selected.empty());
    receive_->setEnabled(idle);
    transmit_->setEnabled(idle && any);
    close_->setEnabled(idle);
    refreshing_ = false;
}

} // namespace vox
