#pragma once
// The Qt views of the four file dialogs: the controls at their twips
// positions, every user event forwarded to the form, then a redraw of
// every open window from the forms' state.

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vox {

struct Program;
class FileDialogForm;

class FileDialogView : public QWidget {
    Q_OBJECT
public:
    FileDialogForm& form() { return form_; }

public slots:
    void refresh();

protected:
    FileDialogView(Program& program, FileDialogForm& form, const char* objectName, QWidget* parent);
    void closeEvent(QCloseEvent* event) override;

private:
    void after(); // every forwarded event ends here

    Program& program_;
    FileDialogForm& form_;
    QComboBox* drive1_ = nullptr;
    QListWidget* dir1_ = nullptr;
    QListWidget* file1_ = nullptr;
    QLineEdit* text1_ = nullptr;
    QLineEdit* text2_ = nullptr;
    QLabel* label1_ = nullptr;
    QPushButton* command1_[2] = {nullptr, nullptr};
    bool refreshing_ = false;
};

// "32 ＶＯＩＣＥ　ＤＡＴＡ 保存", WindowId::form3.
class Form3View : public FileDialogView {
    Q_OBJECT
public:
    explicit Form3View(Program& program, QWidget* parent = nullptr);
};

// "32 ＶＯＩＣＥ ＤＡＴＡ 読込", WindowId::Form4.
class Form4View : public FileDialogView {
    Q_OBJECT
public:
    explicit Form4View(Program& program, QWidget* parent = nullptr);
};

// "1 VOICE DATA 保存", WindowId::Form5.
class Form5View : public FileDialogView {
    Q_OBJECT
public:
    explicit Form5View(Program& program, QWidget* parent = nullptr);
};

// "1 VOICE DATA 読込", WindowId::Form6.
class Form6View : public FileDialogView {
    Q_OBJECT
public:
    explicit Form6View(Program& program, QWidget* parent = nullptr);
};

} // namespace vox
