#pragma once
// The Qt views of the four file chooser dialogs: the controls at their
// twips positions, every user event forwarded to the dialog's form, then a
// redraw of every open window from the forms' state.
//
//   Form3View -> program.form3 (WindowId::form3)   Form4View -> program.form4
//   Form5View -> program.form5                     Form6View -> program.form6

#include "librarian/twips.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace vox {

// Where the controls stand, in twips; the same in all four dialogs.
namespace file_dialogs_layout {
inline constexpr int kClientWidth = 4980, kClientHeight = 4350;
inline constexpr TwipsRect kLabel1{120, 120, 1200, 255};
inline constexpr TwipsRect kText2{120, 405, 3150, 315};
inline constexpr TwipsRect kText1{120, 840, 4740, 315};
inline constexpr TwipsRect kDir1{120, 1275, 2310, 2295};
inline constexpr TwipsRect kFile1{2550, 1275, 2310, 2295};
inline constexpr TwipsRect kDrive1{120, 3750, 2310, 315};
inline constexpr TwipsRect kCommand1[2] = {{2550, 3690, 1095, 435}, {3765, 3690, 1095, 435}};
} // namespace file_dialogs_layout

struct Program;
class FileDialogForm;
class WrapButton;

class FileDialogView : public QWidget {
    Q_OBJECT
public:
    FileDialogView(Program& program, FileDialogForm& form, const char* objectName, QWidget* parent = nullptr);

public slots:
    void refresh();

protected:
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
    WrapButton* command1_[2] = {nullptr, nullptr};
    bool refreshing_ = false;
};

class Form3View : public FileDialogView {
    Q_OBJECT
public:
    explicit Form3View(Program& program, QWidget* parent = nullptr);
};

class Form4View : public FileDialogView {
    Q_OBJECT
public:
    explicit Form4View(Program& program, QWidget* parent = nullptr);
};

class Form5View : public FileDialogView {
    Q_OBJECT
public:
    explicit Form5View(Program& program, QWidget* parent = nullptr);
};

class Form6View : public FileDialogView {
    Q_OBJECT
public:
    explicit Form6View(Program& program, QWidget* parent = nullptr);
};

} // namespace vox
