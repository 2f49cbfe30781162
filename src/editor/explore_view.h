#pragma once
// The 音色探索 window's Qt view: forwards the user's events to ExploreForm
// and redraws from its state.

#include "workspace/window_ports.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace vox {

class ExploreForm;

class ExploreView : public QWidget {
    Q_OBJECT
public:
    // Over the running program: anything holding explore, state, workspace and host.
    template <class Owner>
    explicit ExploreView(Owner &program, QWidget *parent = nullptr)
        : ExploreView(program.explore, {program.state, program.workspace, program.host}, parent) {}
    ExploreView(ExploreForm &form, FormContext program, QWidget *parent = nullptr);

public slots:
    void refresh();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void after();

    FormContext program_;
    ExploreForm &form_;
    QScrollBar *hScroll1_ = nullptr, *hScroll2_ = nullptr;
    QLabel *label2_ = nullptr, *label6_ = nullptr;
    QLineEdit *text1_ = nullptr;
    std::array<QCheckBox *, 10> checks_{}; // Check1..3, Check4_0..5, Check5
    QComboBox *combo1_ = nullptr;
    std::array<QWidget *, 3> tools_{}; // ランダム, 交配, バリエーション
    std::array<QPushButton *, 8> variations_{};
    QWidget *adopt_ = nullptr;
    bool refreshing_ = false;
};

} // namespace vox
