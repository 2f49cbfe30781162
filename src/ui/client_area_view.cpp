#include "ui/client_area_view.h"

#include "ui/twips.h"

#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

namespace vox {

namespace {

// Pixels a scrolling window can still be shrunk to.
constexpr QSize kSmallest(160, 120);

// Asks for its whole client, whatever the size: the window decides from
// that whether to scroll (QScrollArea's own hint stops at 36 x 24 lines).
class ClientScroll : public QScrollArea {
public:
    explicit ClientScroll(QWidget *parent) : QScrollArea(parent) {}
    // A growing client (resized with the viewport) asks for its least size.
    QSize sizeHint() const override {
        if (!widget()) return QScrollArea::sizeHint();
        return widgetResizable() ? widget()->minimumSize() : widget()->size();
    }
    QSize minimumSizeHint() const override { return sizeHint().boundedTo(kSmallest); }
};

QSize ScrollBars(const QWidget *window) {
    const int extent = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window);
    return {extent, extent};
}

// Fits its window to the screen when the window is shown and when it moves
// to another screen.
class ScreenFit : public QObject {
public:
    ScreenFit(QWidget *window, bool hasClient, bool grows = false)
        : QObject(window), window_(window), hasClient_(hasClient), grows_(grows) {
        window->installEventFilter(this);
    }
    void fit() {
        const QSize room = RoomFor(window_);
        if (!hasClient_) {
            if (window_->width() > room.width() || window_->height() > room.height())
                window_->resize(window_->size().boundedTo(room));
            return;
        }
        QLayout *layout = window_->layout();
        if (!layout) return;
        const WindowFit fit = FitWindow(layout->sizeHint(), room, ScrollBars(window_));
        if (grows_) {
            // Never smaller than the whole client where the screen has room
            // for it; the size the user gave it is kept from show to show.
            layout->setSizeConstraint(QLayout::SetDefaultConstraint);
            window_->setMinimumSize(fit.scrolls ? layout->minimumSize().boundedTo(room) : fit.size);
            window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            // The first showing opens at the fitted size; later ones keep
            // the user's size, within the screen.
            window_->resize(sized_ ? window_->size().boundedTo(room).expandedTo(window_->minimumSize())
                                   : fit.size);
            if (window_->isVisible()) sized_ = true;
            return;
        }
        if (!fit.scrolls) {
            // As before there was a scroll area: the window follows its
            // content (the main window's status line) and is not resized.
            layout->setSizeConstraint(QLayout::SetFixedSize);
            layout->activate();
            return;
        }
        layout->setSizeConstraint(QLayout::SetDefaultConstraint);
        window_->setMinimumSize(layout->minimumSize().boundedTo(room));
        window_->setMaximumSize(fit.maximum);
        window_->resize(fit.size);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == window_ && (event->type() == QEvent::Show ||
                                   (event->type() == QEvent::ScreenChangeInternal && window_->isVisible())))
            fit();
        return false;
    }

private:
    QWidget *window_;
    bool hasClient_;
    bool grows_;
    bool sized_ = false;
};

} // namespace

WindowFit FitWindow(QSize full, QSize room, QSize bars) {
    bool across = full.width() > room.width(), down = full.height() > room.height();
    // One scroll bar takes room the other direction may then lack.
    for (int pass = 0; pass < 2; ++pass) {
        if (down && !across && full.width() + bars.width() > room.width()) across = true;
        if (across && !down && full.height() + bars.height() > room.height()) down = true;
    }
    if (!across && !down) return {full, full, false};
    const QSize maximum = full + QSize(down ? bars.width() : 0, across ? bars.height() : 0);
    return {maximum.boundedTo(room), maximum, true};
}

QSize RoomFor(const QWidget *window) {
    const QScreen *screen = window->screen();
    if (!screen) return {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    QSize room = screen->availableGeometry().size();
    if (const QWindow *handle = window->windowHandle()) {
        const QMargins frame = handle->frameMargins();
        room -= QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    }
    return room;
}

QWidget *MakeClientArea(QWidget *window, int widthTwips, int heightTwips, ClientGrowth growth) {
    const bool grows = growth == ClientGrowth::Grows;
    auto *scroll = new ClientScroll(window);
    scroll->setObjectName(window->objectName() + "ClientScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(grows);
    auto *client = new QWidget;
    client->setObjectName(window->objectName() + "Client");
    const QSize size(TwipsToPixels(widthTwips, window), TwipsToPixels(heightTwips, window));
    if (grows) {
        client->setMinimumSize(size);
        client->resize(size);
    } else {
        client->setFixedSize(size);
    }
    scroll->setWidget(client);
    if (auto *main = qobject_cast<QMainWindow *>(window)) {
        main->setCentralWidget(scroll);
    } else {
        auto *layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(scroll);
    }
    (new ScreenFit(window, true, grows))->fit();
    return client;
}

QScrollArea *ClientScrollArea(const QWidget *window) {
    return window->findChild<QScrollArea *>(window->objectName() + "ClientScroll");
}

void KeepOnScreen(QWidget *window) { new ScreenFit(window, false); }

} // namespace vox
