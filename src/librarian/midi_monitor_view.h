#pragma once
#include "text/ui_text.h"
// "MIDIモニター": every MIDI message in and out, one readable line each
// (time, direction, name, bytes; every byte of the chosen line below), and
// the bank receive's lists List2 and List4, live, for troubleshooting a
// connection. The main window's receive
// lists stay in the main window and are filled as before.

#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <utility>

class QListWidget;
class QPlainTextEdit;

namespace vox {

class Form1;
struct MidiTraffic;

namespace midi_monitor_text {
inline constexpr Text kCaption = "MIDIモニター";
// The pane that showed the raw receive log List1 now shows the decoded
// messages of both directions; it keeps its name and place.
inline constexpr Text kList1 = "送受信したMIDIメッセージ (時刻・送信/受信・内容・バイト列)";
inline constexpr Text kList2 = "受信できなかった音色と受信の終了";
inline constexpr Text kList4 = "受信して格納した音色";
// A long message's line shows its first bytes; the pane shows them all.
inline constexpr Text kBytes = "選択したメッセージの全バイト";
} // namespace midi_monitor_text

// Bytes a line of List1 shows before it elides the rest.
inline constexpr std::size_t kMonitorLineBytes = 24;

class MidiMonitorView : public QWidget {
    Q_OBJECT
public:
    // Over the running program: anything holding form1.
    template <class Owner>
    explicit MidiMonitorView(Owner &program, QWidget *parent = nullptr)
        : MidiMonitorView(std::as_const(program.form1), std::as_const(program.state.midiTraffic), parent) {}
    MidiMonitorView(const Form1 &form1, const MidiTraffic &traffic, QWidget *parent = nullptr);

public slots:
    void refresh();

private:
    void syncMessages();
    void showBytes();

    const Form1 &form1_;
    const MidiTraffic &traffic_;
    QListWidget *list1_ = nullptr, *list2_ = nullptr, *list4_ = nullptr;
    QPlainTextEdit *bytes_ = nullptr;
    std::uint64_t messagesShown_ = 0; // entries of the MIDI traffic log added to list1_
};

} // namespace vox
