#pragma once
// The overwrite chooser's Qt view: forwards the user's events to Form7 and
// redraws from its state.

#include <QWidget>

class QListWidget;

namespace vox {

struct Program;
class Form7;

class Form7View : public QWidget {
    Q_OBJECT
public:
    explicit Form7View(Program& program, QWidget* parent = nullptr);

public slots:
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void after();

    Program& program_;
    Form7& form_;
    QListWidget* list1_ = nullptr;
    bool refreshing_ = false;
};

} // namespace vox
