#pragma once
// The library window's Qt view: forwards the user's events to
// LibraryWindowForm and redraws from its state. The result table reads the
// form's results through a small model, so a large result costs no widget
// per cell; a timer takes a running index's progress from the form.

#include "workspace/window_ports.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableView;
class QTreeView;

namespace vox {

class LibraryWindowForm;
class LibraryResultModel;
class LibraryCompareView;
class LibraryWhereView;
class LibraryFamilyView;
class LibraryGroupModel;
class LibraryBuilderView;
class KeyboardView;

class LibraryWindowView : public QWidget {
    Q_OBJECT
public:
    // Over the running program: anything holding library, state and host.
    template <class Owner>
    explicit LibraryWindowView(Owner &program, QWidget *parent = nullptr)
        : LibraryWindowView(program.library, {program.state, program.workspace, program.host}, parent) {}
    LibraryWindowView(LibraryWindowForm &form, FormContext program, QWidget *parent = nullptr);
    ~LibraryWindowView() override;

    // How often a running index's progress is taken (milliseconds).
    static constexpr int kPollMs = 100;

public slots:
    void refresh();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void after();
    void groupEvent(bool activate);
    void resultMenu(const QPoint &at);
    void groupMenu(const QPoint &at);
    void addMarkMenu(QMenu &menu);

    FormContext program_;
    LibraryWindowForm &form_;
    LibraryResultModel *model_ = nullptr;
    QListWidget *list1_ = nullptr;
    QLineEdit *text1_ = nullptr, *text2_ = nullptr, *text3_ = nullptr;
    QComboBox *combos_[3] = {};
    QComboBox *combo4_ = nullptr, *combo5_ = nullptr;
    QCheckBox *check1_ = nullptr;
    QRadioButton *options_[3] = {};
    QWidget *panel1_ = nullptr, *panel2_ = nullptr;
    QTableView *table_ = nullptr;
    QTreeView *tree_ = nullptr;
    LibraryGroupModel *groupModel_ = nullptr;
    std::unique_ptr<LibraryBuilderView> builder_;
    QPushButton *folderCommands_[3] = {}, *command4_ = nullptr, *command5_ = nullptr, *command9_ = nullptr,
                *command10_ = nullptr, *command19_ = nullptr;
    LibraryCompareView *compare_ = nullptr;
    LibraryWhereView *where_ = nullptr;
    LibraryFamilyView *family_ = nullptr;
    QProgressBar *progress_ = nullptr;
    QLabel *label6_ = nullptr, *label7_ = nullptr;
    KeyboardView *keyboard_ = nullptr;
    QTimer poll_;
    int resultsShown_ = -1, groupsShown_ = -1, groupMarksShown_ = 0, comparisonShown_ = 0,
        whereaboutsShown_ = 0, familyShown_ = 0;
    bool refreshing_ = false;
};

} // namespace vox
