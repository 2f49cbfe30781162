#pragma once
// The DX7 II data window's Qt view: forwards the user's clicks to
// FamilyDataForm and redraws from its rows.

#include "workspace/window_ports.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vox {

class FamilyDataForm;

class FamilyDataView : public QWidget {
    Q_OBJECT
public:
    template <class Owner>
    explicit FamilyDataView(Owner &program, QWidget *parent = nullptr)
        : FamilyDataView(program.familyData, {program.state, program.workspace, program.host}, parent) {}
    FamilyDataView(FamilyDataForm &form, FormContext program, QWidget *parent = nullptr);

public slots:
    void refresh();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void after();

    FormContext program_;
    FamilyDataForm &form_;
    QTreeWidget *list_ = nullptr;
    QLabel *status_ = nullptr;
    QPushButton *load_ = nullptr, *save_ = nullptr, *delete_ = nullptr, *receive_ = nullptr,
                *transmit_ = nullptr, *close_ = nullptr;
    bool refreshing_ = false;
};

} // namespace vox
