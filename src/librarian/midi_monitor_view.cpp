#include "librarian/midi_monitor_view.h"
#include "ui/qt_text.h"

#include "common/midi_traffic.h"
#include "librarian/form1.h"
#include "midi/message_names.h"
#include "ui/client_area_view.h"
#include "ui/twips.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

#include <algorithm>

namespace vox {
namespace {

// The log only grows; new lines are appended, and the view follows the
// end unless the user has scrolled up to read.
void SyncLog(QListWidget *list, const ListBoxState &state) {
    const int want = static_cast<int>(state.items.size());
    auto same = [&](int i) {
        return list->item(i)->text() == QString::fromStdString(state.items[static_cast<std::size_t>(i)]);
    };
    // A list emptied and refilled since the last look starts again.
    const int have = list->count();
    if (have > want || (have > 0 && (!same(0) || !same(have - 1)))) list->clear();
    if (list->count() == want) return;
    const bool atEnd = list->currentRow() < 0 || list->currentRow() == list->count() - 1;
    for (int i = list->count(); i < want; ++i)
        list->addItem(QString::fromStdString(state.items[static_cast<std::size_t>(i)]));
    if (atEnd) list->scrollToBottom();
}

} // namespace

MidiMonitorView::MidiMonitorView(const Form1 &form1, const MidiTraffic &traffic, QWidget *parent)
    : QWidget(parent, Qt::Window), form1_(form1), traffic_(traffic) {
    using namespace midi_monitor_text;
    setObjectName("MidiMonitor");
    setWindowTitle(Qs(kCaption));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSize(9);

    auto *grid = new QGridLayout(this);
    auto list = [&](const char *name, const Text &title, int row, int column, int columnSpan) {
        auto *label = new QLabel(Qs(title), this);
        label->setObjectName(QString(name) + "Label");
        auto *l = new QListWidget(this);
        l->setObjectName(name);
        l->setFont(mono);
        l->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        grid->addWidget(label, row, column, 1, columnSpan);
        grid->addWidget(l, row + 1, column, 1, columnSpan);
        return l;
    };
    list1_ = list("List1", kList1, 0, 0, 2);
    auto *bytesLabel = new QLabel(Qs(kBytes), this);
    bytesLabel->setObjectName("BytesLabel");
    bytes_ = new QPlainTextEdit(this);
    bytes_->setObjectName("Bytes");
    bytes_->setReadOnly(true);
    bytes_->setFont(mono);
    bytes_->setLineWrapMode(QPlainTextEdit::NoWrap);
    grid->addWidget(bytesLabel, 2, 0, 1, 2);
    grid->addWidget(bytes_, 3, 0, 1, 2);
    list2_ = list("List2", kList2, 4, 0, 1);
    list4_ = list("List4", kList4, 4, 1, 1);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(3, 1);
    grid->setRowStretch(5, 2);
    connect(list1_, &QListWidget::currentRowChanged, this, [this] { showBytes(); });
    resize(TwipsToPixels(9000, this), TwipsToPixels(6600, this));
    KeepOnScreen(this);
    refresh();
}

// New messages are appended; lines the log has dropped go from the top.
// The view follows the end unless the user has picked a line to read.
void MidiMonitorView::syncMessages() {
    const MidiTraffic &traffic = traffic_;
    const std::uint64_t total = traffic.total();
    if (total == messagesShown_) return;
    const bool atEnd = list1_->currentRow() < 0 || list1_->currentRow() == list1_->count() - 1;
    const std::uint64_t first = total - traffic.entries().size();
    for (std::uint64_t n = std::max(messagesShown_, first); n < total; ++n) {
        const MidiTrafficEntry &entry = traffic.entries()[static_cast<std::size_t>(n - first)];
        auto *item = new QListWidgetItem(QString::fromStdString(MonitorLine(entry, kMonitorLineBytes)));
        item->setData(Qt::UserRole, QString::fromStdString(MonitorBytes(entry.bytes)));
        list1_->addItem(item);
    }
    messagesShown_ = total;
    while (list1_->count() > static_cast<int>(MidiTraffic::kKept))
        delete list1_->takeItem(0);
    if (atEnd) list1_->scrollToBottom();
}

void MidiMonitorView::showBytes() {
    const QListWidgetItem *item = list1_->currentItem();
    bytes_->setPlainText(item ? item->data(Qt::UserRole).toString() : QString());
}

void MidiMonitorView::refresh() {
    const Form1 &form1 = form1_;
    syncMessages();
    SyncLog(list2_, form1.list2);
    SyncLog(list4_, form1.list4);
}

} // namespace vox
