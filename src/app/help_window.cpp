#include "app/help_window.h"

#include "text/ui_text.h"
#include "ui/client_area_view.h"
#include "ui/qt_text.h"

#include <QUrl>
#include <QVBoxLayout>

namespace vox {

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
    setObjectName("HelpWindow");
    setWindowTitle(Qs(Tr("VOXMERE ヘルプ")));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    browser_->setOpenExternalLinks(false);
    resize(640, 560);
    KeepOnScreen(this);
}

void HelpWindow::open(const std::filesystem::path &page, int topic) {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(page.string()));
    if (!std::filesystem::exists(page)) {
        browser_->setHtml(Qs(Tr("<p>ヘルプファイル %1 が見つかりません。</p>"))
                              .arg(QString::fromStdString(page.string()).toHtmlEscaped()));
    } else {
        if (topic != 0) url.setFragment(QString("topic%1").arg(topic));
        browser_->setSource(url);
        if (topic != 0) browser_->scrollToAnchor(QString("topic%1").arg(topic));
    }
    show();
    raise();
    activateWindow();
}

} // namespace vox
