#include "app/qt_host.h"
#include "text/ui_text.h"

#include "app/help_window.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QEventLoop>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QTranslator>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace vox {

bool InstallJapaneseQtTexts() {
    // Lives for the whole run, as the application does.
    static QTranslator qtbase;
    if (!qtbase.load(QLocale(QLocale::Japanese), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&qtbase);
}

namespace {

// The buttons of a list choice.
namespace choice_text {
constexpr Text kChoose = "選択";
constexpr Text kCancel = "中止";
} // namespace choice_text

// Ends a local event loop when the watched window hides.
class HideWatcher : public QObject {
public:
    HideWatcher(QWidget *w, QEventLoop &loop) : loop_(loop) { w->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *e) override {
        if (e->type() == QEvent::Hide) loop_.quit();
        return false;
    }

private:
    QEventLoop &loop_;
};

// The forms end the lines of a box with CR alone; Qt breaks on LF.
QString BoxText(const std::string &s) {
    QString text = Qs(s);
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    return text;
}

} // namespace

QtHost::QtHost() { clock_.start(); }

QtHost::~QtHost() = default;

void QtHost::registerWindow(WindowId id, QWidget *w) { windows_[id] = w; }

QWidget *QtHost::window(WindowId id) const {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second.data();
}

MsgResult QtHost::messageBox(const MessageBoxSpec &box) {
    const QString title = box.title.empty() ? QApplication::applicationName() : Qs(box.title);
    if (autoAnswer_) {
        std::fprintf(stderr, "BOX: %s: %s\n", title.toUtf8().constData(),
                     BoxText(box.text).toUtf8().constData());
        std::fflush(stderr);
        return box.buttons == MsgButtons::YesNo || box.buttons == MsgButtons::YesNoCancel ? MsgResult::Yes
                                                                                          : MsgResult::Ok;
    }
    // The windows behind the box show what the handler has set so far (a
    // progress bar it has just hidden, a list it has just filled).
    refreshAll();
    QMessageBox mb(QApplication::activeWindow());
    mb.setWindowTitle(title);
    mb.setText(BoxText(box.text));
    switch (box.icon) {
    case MsgIcon::Information:
        mb.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Exclamation:
        mb.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Question:
        mb.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Critical:
        mb.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::None:
        break;
    }
    if (!box.checkBox.empty()) mb.setCheckBox(new QCheckBox(Qs(box.checkBox)));
    QAbstractButton *help = nullptr;
    switch (box.buttons) {
    case MsgButtons::Ok:
        mb.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkHelp:
        mb.setStandardButtons(QMessageBox::Ok);
        help = mb.addButton(QMessageBox::Help);
        break;
    case MsgButtons::OkCancel:
        mb.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        mb.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        mb.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    if (box.defaultButton) {
        switch (*box.defaultButton) {
        case MsgResult::Ok:
            mb.setDefaultButton(QMessageBox::Ok);
            break;
        case MsgResult::Cancel:
            mb.setDefaultButton(QMessageBox::Cancel);
            break;
        case MsgResult::Yes:
            mb.setDefaultButton(QMessageBox::Yes);
            break;
        case MsgResult::No:
            mb.setDefaultButton(QMessageBox::No);
            break;
        }
    }
    for (;;) {
        mb.exec();
        // The Help button opens its topic and leaves the box up.
        if (help && mb.clickedButton() == help) {
            showHelp(box.helpFile, box.helpTopic);
            // Back with OK focused, so that Return closes the box rather
            // than opening the help again.
            mb.setDefaultButton(QMessageBox::Ok);
            if (QAbstractButton *ok = mb.button(QMessageBox::Ok)) ok->setFocus();
            continue;
        }
        break;
    }
    if (box.checked && mb.checkBox()) *box.checked = mb.checkBox()->isChecked();
    switch (mb.standardButton(mb.clickedButton())) {
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::NoButton:
        // Escape or the close box.
        return box.buttons == MsgButtons::Ok || box.buttons == MsgButtons::OkHelp ? MsgResult::Ok
                                                                                  : MsgResult::Cancel;
    default:
        return MsgResult::Ok;
    }
}

std::optional<int> QtHost::chooseItem(const std::string &title, const std::string &text,
                                      const std::vector<std::string> &items) {
    if (items.empty()) return std::nullopt;
    const QString caption = title.empty() ? QApplication::applicationName() : Qs(title);
    if (autoAnswer_) {
        std::fprintf(stderr, "CHOICE: %s: %s: %s\n", caption.toUtf8().constData(),
                     BoxText(text).toUtf8().constData(), items.front().c_str());
        std::fflush(stderr);
        return 0;
    }
    refreshAll();
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption);
    dialog.setLabelText(BoxText(text));
    QStringList list;
    for (const std::string &item : items)
        list << Qs(item);
    dialog.setComboBoxItems(list);
    dialog.setComboBoxEditable(false);
    // Every choice in sight at once: a file rarely holds more than a few.
    dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
    dialog.setTextValue(list.front());
    dialog.setOkButtonText(Qs(choice_text::kChoose));
    dialog.setCancelButtonText(Qs(choice_text::kCancel));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const int index = static_cast<int>(list.indexOf(dialog.textValue()));
    if (index < 0) return std::nullopt;
    return index;
}

void QtHost::processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    runPump();
    // Long work (a bank receive) runs inside these passes: keep the
    // windows, progress bars included, drawn as it goes.
    const double now = monotonicSeconds();
    if (now - lastRefresh_ >= 0.05) {
        lastRefresh_ = now;
        refreshAll();
    }
}

void QtHost::processEventsFor(double seconds) {
    if (seconds > 0) {
        // Sleeps in the event loop until input, a timer or this deadline
        // wakes it; what woke it is handled there.
        QTimer deadline;
        deadline.setTimerType(Qt::PreciseTimer);
        deadline.setSingleShot(true);
        deadline.start(static_cast<int>(std::ceil(seconds * 1000.0)));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    processEvents();
}

bool QtHost::runPump() {
    // Input handlers may themselves run a message-loop pass; the pass then
    // only handles window events, and the outer loop takes the rest.
    if (pumping_ || !pump_) return false;
    pumping_ = true;
    const bool changed = pump_();
    pumping_ = false;
    return changed;
}

void QtHost::pump() {
    if (runPump()) refreshAll();
}

void QtHost::startIdlePump(int intervalMs) {
    if (!idleTimer_) {
        idleTimer_ = new QTimer(this);
        connect(idleTimer_, &QTimer::timeout, this, &QtHost::idlePump);
    }
    idleTimer_->start(intervalMs);
}

void QtHost::idlePump() { pump(); }

double QtHost::monotonicSeconds() { return static_cast<double>(clock_.nsecsElapsed()) / 1e9; }

std::filesystem::path QtHost::HelpPage(const std::filesystem::path &helpFile) {
    std::string stem = helpFile.stem().string();
    std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) { return std::tolower(c); });
    // The page of the language shown (voxmere-en.html), when there is one.
    if (CurrentLanguage() != kJapanese) {
        const auto page = helpFile.parent_path() / (stem + "-" + CurrentLanguage() + ".html");
        if (std::filesystem::exists(page)) return page;
    }
    return helpFile.parent_path() / (stem + ".html");
}

void QtHost::showHelp(const std::filesystem::path &helpFile, int topic) {
    if (!help_) help_ = new HelpWindow();
    help_->open(HelpPage(helpFile), topic);
}

void QtHost::showWindow(WindowId id) {
    if (QWidget *w = window(id)) {
        QMetaObject::invokeMethod(w, "refresh");
        w->show();
        w->raise();
        w->activateWindow();
    }
}

void QtHost::showWindowModal(WindowId id) {
    QWidget *w = window(id);
    if (!w) return;
    QEventLoop loop;
    HideWatcher watcher(w, loop);
    showWindow(id);
    if (w->isVisible()) loop.exec();
}

void QtHost::closeWindow(WindowId id) {
    if (QWidget *w = window(id)) w->hide();
}

void QtHost::setWindowEnabled(WindowId id, bool enabled) {
    if (QWidget *w = window(id)) w->setEnabled(enabled);
}

void QtHost::refreshWindow(WindowId id) {
    if (QWidget *w = window(id)) QMetaObject::invokeMethod(w, "refresh");
}

void QtHost::refreshAll() {
    for (auto &[id, w] : windows_)
        if (w && w->isVisible()) QMetaObject::invokeMethod(w.data(), "refresh");
}

void QtHost::endProgram() { QCoreApplication::exit(0); }

} // namespace vox
