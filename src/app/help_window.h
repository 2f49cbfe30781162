#pragma once
// The help window: the program's HTML help, opened at its contents or at a
// numbered topic (anchor "topicN").

#include <QTextBrowser>
#include <QWidget>

#include <filesystem>

namespace vox {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);
    void open(const std::filesystem::path &page, int topic);
    QTextBrowser *browser() const { return browser_; }

private:
    QTextBrowser *browser_;
};

} // namespace vox
