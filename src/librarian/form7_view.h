#pragma once
// The overwrite chooser's Qt view: forwards the user's events to Form7 and
// redraws from its state.

#include "workspace/window_ports.h"

#include <QWidget>

class QListWidget;

namespace vox {

class Form7;

class Form7View : public QWidget {
    Q_OBJECT
public:
    // Over the running program: anything holding form7, state and host.
    template <class Owner>
    explicit Form7View(Owner &program, QWidget *parent = nullptr)
        : Form7View(program.form7, {program.state, program.workspace, program.host}, parent) {}
    Form7View(Form7 &form, FormContext program, QWidget *parent = nullptr);

public slots:
    void refresh();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void after();

    FormContext program_;
    Form7 &form_;
    QListWidget *list1_ = nullptr;
    bool refreshing_ = false;
};

} // namespace vox
