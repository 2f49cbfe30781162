#pragma once
// "MIDIモニター": the main window's receive log lists, live, for trouble-
// shooting a connection. The lists themselves stay in the main window.

#include <QWidget>

#include <utility>

class QListWidget;

namespace vox {

class Form1;

namespace midi_monitor_text {
inline constexpr const char* kCaption = "MIDIモニター";
inline constexpr const char* kList1 = "受信ログ (List1)";
inline constexpr const char* kList2 = "受信できなかった音色と終了 (List2)";
inline constexpr const char* kList4 = "格納した音色 (List4)";
} // namespace midi_monitor_text

class MidiMonitorView : public QWidget {
    Q_OBJECT
public:
    // Over the running program: anything holding form1.
    template <class Owner>
    explicit MidiMonitorView(Owner& program, QWidget* parent = nullptr)
        : MidiMonitorView(std::as_const(program.form1), parent) {}
    explicit MidiMonitorView(const Form1& form1, QWidget* parent = nullptr);

public slots:
    void refresh();

private:
    const Form1& form1_;
    QListWidget *list1_ = nullptr, *list2_ = nullptr, *list4_ = nullptr;
};

} // namespace vox
