#pragma once
// The Qt views of the four file dialogs: the controls at their twips
// positions, every user event forwarded to the form, then a redraw of
// every open window from the forms' state.

#include "workspace/window_ports.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vox {

class FileDialogForm;

class FileDialogView : public QWidget {
    Q_OBJECT
public:
    FileDialogForm &form() { return form_; }

public slots:
    void refresh();

protected:
    FileDialogView(FormContext program, FileDialogForm &form, const char *objectName, QWidget *parent);
    void closeEvent(QCloseEvent *event) override;

private:
    void after(); // every forwarded event ends here

    FormContext program_;
    FileDialogForm &form_;
    QComboBox *drive1_ = nullptr;
    QListWidget *dir1_ = nullptr;
    QListWidget *file1_ = nullptr;
    QLineEdit *text1_ = nullptr;
    QLineEdit *text2_ = nullptr;
    QLabel *label1_ = nullptr;
    QPushButton *command1_[2] = {nullptr, nullptr};
    bool refreshing_ = false;
};

// "32 ＶＯＩＣＥ　ＤＡＴＡ 保存", WindowId::form3.
class Form3View : public FileDialogView {
    Q_OBJECT
public:
    // Over the running program: anything holding form3, state and host.
    template <class Owner>
    explicit Form3View(Owner &program, QWidget *parent = nullptr)
        : Form3View(program.form3, {program.state, program.workspace, program.host}, parent) {}
    Form3View(FileDialogForm &form, FormContext program, QWidget *parent = nullptr);
};

// "32 ＶＯＩＣＥ ＤＡＴＡ 読込", WindowId::Form4.
class Form4View : public FileDialogView {
    Q_OBJECT
public:
    // Over the running program: anything holding form4, state and host.
    template <class Owner>
    explicit Form4View(Owner &program, QWidget *parent = nullptr)
        : Form4View(program.form4, {program.state, program.workspace, program.host}, parent) {}
    Form4View(FileDialogForm &form, FormContext program, QWidget *parent = nullptr);
};

// "1 VOICE DATA 保存", WindowId::Form5.
class Form5View : public FileDialogView {
    Q_OBJECT
public:
    // Over the running program: anything holding form5, state and host.
    template <class Owner>
    explicit Form5View(Owner &program, QWidget *parent = nullptr)
        : Form5View(program.form5, {program.state, program.workspace, program.host}, parent) {}
    Form5View(FileDialogForm &form, FormContext program, QWidget *parent = nullptr);
};

// "1 VOICE DATA 読込", WindowId::Form6.
class Form6View : public FileDialogView {
    Q_OBJECT
public:
    // Over the running program: anything holding form6, state and host.
    template <class Owner>
    explicit Form6View(Owner &program, QWidget *parent = nullptr)
        : Form6View(program.form6, {program.state, program.workspace, program.host}, parent) {}
    Form6View(FileDialogForm &form, FormContext program, QWidget *parent = nullptr);
};

} // namespace vox
