#pragma once
// What the program keeps for the user between runs: the MIDI ports chosen
// in the MIDI menu (by name and RtMidi API), the virtual DX7's audio output
// (by device name and RtAudio API) and the exchange settings of
// "MIDI設定…". They live where Qt desktop programs keep settings, through
// QSettings: on Linux $XDG_CONFIG_HOME/voxmere/voxmere.conf
// (~/.config/voxmere/voxmere.conf when it is unset). With no file the
// program runs on the defaults; the command line overrides what is kept
// for one run and is never written back.

#include "common/program_state.h"
#include "midi/port_wiring.h"
#include "voice/function_settings.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QSettings;

namespace vox {

inline constexpr const char *kSettingsOrganization = "voxmere";
inline constexpr const char *kSettingsApplication = "voxmere";

struct RememberedPort {
    std::string api;  // "alsa" / "jack"
    std::string name; // the full port name
};

struct RememberedSettings {
    RememberedPort output, input;
    // The virtual DX7's audio output: the audio API ("alsa", "pulse",
    // "jack") and the device's name.
    RememberedPort audioOutput;
    RememberedPort noteInput; // the MIDI keyboard; no name: none
    ExchangeSettings exchange;
    // Output port name -> whether its instrument answers the bank request.
    std::map<std::string, bool> answersBankRequest;
    bool showStartupGuide = true;
    // The language chosen in the 表示 menu ("ja", "en" ...); empty: none yet.
    std::string language;
    FunctionSettings functions; // as the function settings window last sent them
};

class SettingsStore {
public:
    // The user's configuration folder.
    SettingsStore();
    // The INI file at that path (tests).
    explicit SettingsStore(const QString &file);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString fileName() const;
    // What is kept. A value that is missing, unreadable or out of range
    // takes its default; a file that cannot be read gives every default.
    RememberedSettings load() const;
    // A port the user chose in the MIDI menu.
    void storeOutput(const RememberedPort &port);
    void storeInput(const RememberedPort &port);
    void storeAudioOutput(const RememberedPort &port);
    // The MIDI keyboard chosen; a port without a name: none.
    void storeNoteInput(const RememberedPort &port);
    // What OK applied: only the values that differ from `before` (as the
    // window showed them), so a value the command line set for this run
    // and the user left alone is not written back.
    void storeExchange(const ExchangeSettings &before, const ExchangeSettings &after);
    // What a receive or check found out about a port's instrument.
    void storeBankRequestAnswer(const std::string &port, bool answers);
    // 次回から表示しない on the start-up guide, or the HELP menu's choice.
    void storeStartupGuide(bool show);
    void storeLanguage(const std::string &code);
    void storeFunctions(const FunctionSettings &values);

private:
    void write();

    std::unique_ptr<QSettings> settings_;
};

// The ports a remembered name is checked against; the default asks RtMidi.
struct PortDirectory {
    std::function<std::string()> firstWorkingApi;
    std::function<bool(const std::string &)> apiWorks;
    std::function<std::vector<std::string>(const std::string &)> outputs, inputs;
};
PortDirectory RtMidiPortDirectory();

// The port options of this run: what the command line names, and for what
// it leaves open the remembered port, when it belongs to the API in use
// and is still there. A remembered port that is gone is left out without
// a word: the default port is taken, as with no settings.
MidiOptions WithRememberedPorts(MidiOptions commandLine, const RememberedSettings &remembered,
                                const PortDirectory &ports);

// The remembered name among `names`: the same name, or else the one name
// that differs only in ALSA's client and port numbers at its end (they
// change when the interface is plugged in elsewhere). nullopt when neither.
std::optional<std::string> FindRememberedPort(const std::vector<std::string> &names, const std::string &name);

} // namespace vox
