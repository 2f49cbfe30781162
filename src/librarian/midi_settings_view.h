#pragma once
// The MIDI settings window's Qt view: forwards the user's events to
// MidiSettingsForm and redraws from its state.

#include "workspace/window_ports.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace vox {

class MidiSettingsForm;

class MidiSettingsView : public QWidget {
    Q_OBJECT
public:
    // Over the running program: anything holding midiSettings, state and host.
    template <class Owner>
    explicit MidiSettingsView(Owner &program, QWidget *parent = nullptr)
        : MidiSettingsView(program.midiSettings, {program.state, program.workspace, program.host}, parent) {}
    MidiSettingsView(MidiSettingsForm &form, FormContext program, QWidget *parent = nullptr);

public slots:
    void refresh();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void after();

    FormContext program_;
    MidiSettingsForm &form_;
    QRadioButton *option1_ = nullptr, *option2_ = nullptr;
    QLineEdit *text1_ = nullptr, *text2_ = nullptr, *text3_ = nullptr, *text4_ = nullptr, *text5_ = nullptr;
    QCheckBox *check1_ = nullptr;
    QComboBox *combo1_ = nullptr;
    QWidget *fastEntries_[6] = {}; // 応答待ち and 再要求の回数 with their labels
};

} // namespace vox
