#pragma once
// The main window's Qt view: builds the controls at their twips positions,
// forwards every user event to Form1 and redraws from its state.

#include "workspace/window_ports.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
namespace vox {
class WrapButton;
}
class QComboBox;
class QScrollBar;
class QMenu;
class QAction;

namespace vox {

class Form1;

// What the MIDI menu offers; main() fills it from the port layer.
struct MidiMenuModel {
    std::function<std::vector<std::string>()> outputs;
    std::function<std::vector<std::string>()> inputs;
    std::function<std::string()> currentOutput;
    std::function<std::string()> currentInput;
    // Re-wire to the port of that name; false when it did not open.
    std::function<bool(const std::string &)> chooseOutput;
    std::function<bool(const std::string &)> chooseInput;

    // Beside the DX7's ports, each shown only when its list is set: where
    // the built-in instrument's sound goes, and a MIDI keyboard whose notes
    // are played on the DX7. Names as the lists give them.
    struct Choices {
        std::function<std::vector<std::string>()> list;
        std::function<std::string()> current;
        std::function<bool(const std::string &)> choose; // false: it did not open
    };
    Choices audioOutput;
    Choices noteInput;
};

class Form1View : public QMainWindow {
    Q_OBJECT
public:
    // Over the running program: anything holding form1, state and host.
    template <class Owner>
    explicit Form1View(Owner &program, QWidget *parent = nullptr)
        : Form1View(program.form1, {program.state, program.workspace, program.host}, parent) {}
    Form1View(Form1 &form, FormContext program, QWidget *parent = nullptr);
    void setMidiMenu(MidiMenuModel model);

public slots:
    void refresh();

public:
    // How long the MIDI menu's audition holds its note (milliseconds).
    static constexpr int kAuditionMs = 800;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls(QWidget *canvas);
    void buildMenus();
    void fillMidiMenu(QMenu *menu);
    void after(); // every forwarded event ends here

    FormContext program_;
    Form1 &form_;
    MidiMenuModel midiMenuModel_;

    QListWidget *list1_ = nullptr, *list2_ = nullptr, *list3_ = nullptr, *list4_ = nullptr;
    QLineEdit *text1_ = nullptr, *text2_ = nullptr;
    QLabel *editAreaMark_ = nullptr, *bankMark_ = nullptr;
    QLabel *soundNotice_ = nullptr;
    QLabel *statusLine_ = nullptr; // what finished last
    QLabel *emptyHint_ = nullptr;  // over the empty SOUND LIST
    int markedEntry_ = -1;
    QPushButton *command1_ = nullptr;
    WrapButton *command2_ = nullptr;
    WrapButton *cancelReceive_ = nullptr;
    QProgressBar *progressBar1_ = nullptr, *progressBar2_ = nullptr;
    QAction *audition_ = nullptr;
    std::vector<QWidget *> portUsers_;
    QTimer auditionTimer_;
    bool refreshing_ = false;
};

} // namespace vox
