#pragma once
// The function settings window's Qt view: forwards the user's choices to
// FunctionForm and redraws from its values.

#include "voice/function_settings.h"
#include "workspace/window_ports.h"

#include <QWidget>

#include <array>
#include <utility>

class QCheckBox;
class QComboBox;

namespace vox {

class FunctionForm;

class FunctionView : public QWidget {
    Q_OBJECT
public:
    template <class Owner>
    explicit FunctionView(Owner &program, QWidget *parent = nullptr)
        : FunctionView(program.functions, {program.state, program.workspace, program.host}, parent) {}
    FunctionView(FunctionForm &form, FormContext program, QWidget *parent = nullptr);

public slots:
    void refresh();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void after();

    FormContext program_;
    FunctionForm &form_;
    std::array<std::pair<QComboBox *, FunctionParam>, 10> combos_{};
    std::array<QCheckBox *, 12> assigns_{}; // source * 3 + bit
};

} // namespace vox
