// The settings kept between runs: where they live, what comes back from a
// missing, broken or hand-edited file, that the command line wins for its
// run, and that the windows keep what the user chose.
#include "app/app_windows.h"
#include "app/midi_setup.h"
#include "app/null_ports.h"
#include "app/settings.h"
#include "gui_rig.h"
#include "midi/fast_receive.h"
#include "program/program.h"
#include "test_support.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtTest>

#include <fstream>
#include <map>

using namespace vox;
namespace fs = std::filesystem;

namespace {

bool Same(const ExchangeSettings &a, const ExchangeSettings &b) {
    return a.receiveMode == b.receiveMode && a.sysExPauseMs == b.sysExPauseMs &&
           a.fastTimeoutSeconds == b.fastTimeoutSeconds && a.fastRetries == b.fastRetries &&
           a.channel == b.channel && a.sysExChunk == b.sysExChunk && a.verifyTransmit == b.verifyTransmit;
}

QString Path(const fs::path &p) { return QString::fromStdString(p.string()); }

void Write(const fs::path &file, const std::string &bytes) {
    std::ofstream out(file, std::ios::binary);
    out << bytes;
}

// Ports as a machine might have them: which APIs work and their port names.
struct FakePorts {
    std::map<std::string, std::vector<std::string>> outputs, inputs;
    std::vector<std::string> asked; // each API whose ports were listed

    PortDirectory directory() {
        return PortDirectory{
            [this] {
                asked.push_back("first");
                return outputs.empty() ? std::string() : outputs.begin()->first;
            },
            [this](const std::string &api) { return outputs.count(api) > 0; },
            [this](const std::string &api) {
                asked.push_back(api);
                return outputs.count(api) ? outputs.at(api) : std::vector<std::string>{};
            },
            [this](const std::string &api) {
                asked.push_back(api);
                return inputs.count(api) ? inputs.at(api) : std::vector<std::string>{};
            },
        };
    }
};

RememberedSettings RememberedAlsa(std::string out, std::string in) {
    RememberedSettings r;
    r.output = {"alsa", std::move(out)};
    r.input = {"alsa", std::move(in)};
    return r;
}

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT

    // Every store of this test without a file of its own writes here, not
    // into the user's configuration folder.
    test::ScratchFolder configHome_{"settings-home"};

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(configHome_.path().string()));
    }

    void theUsersStoreLivesInTheConfigurationFolderUnderTheProgramsName() {
        // GIVEN XDG_CONFIG_HOME set, as the desktop sets it
        // WHEN the program makes its store
        SettingsStore store;
        // THEN the file is <XDG_CONFIG_HOME>/voxmere/voxmere.conf, and loading made no file
        QCOMPARE(store.fileName(), Path(configHome_ / "voxmere/voxmere.conf"));
        const RememberedSettings r = store.load();
        QVERIFY(Same(r.exchange, ExchangeSettings{}));
        QVERIFY(!fs::exists(configHome_ / "voxmere"));
    }

    void noFileGivesTheDefaultsAndNoPorts() {
        test::ScratchFolder folder("settings");
        const fs::path file = folder / "voxmere.conf";
        SettingsStore store(Path(file));
        const RememberedSettings r = store.load();
        QVERIFY(Same(r.exchange, ExchangeSettings{}));
        QCOMPARE(r.exchange.receiveMode, ReceiveMode::Standard);
        QCOMPARE(r.exchange.sysExPauseMs, 0);
        QCOMPARE(r.exchange.fastTimeoutSeconds, 1.0);
        QCOMPARE(r.exchange.fastRetries, 3);
        QVERIFY(r.output.name.empty() && r.output.api.empty());
        QVERIFY(r.input.name.empty() && r.input.api.empty());
        QVERIFY(!fs::exists(file));
    }

    void whatIsStoredComesBackInTheNextRun() {
        test::ScratchFolder folder("settings");
        const fs::path file = folder / "sub" / "voxmere.conf";
        const ExchangeSettings chosen{ReceiveMode::Fast, 40, 1.5, 5, 12, 64, true};
        {
            // GIVEN a run in which the user chose ports and settings
            SettingsStore store(Path(file));
            store.storeOutput({"alsa", "UM-ONE:UM-ONE MIDI 1 24:0"});
            store.storeInput({"jack", "system:midi_capture_1"});
            store.storeExchange(ExchangeSettings{}, chosen);
        }
        // WHEN the next run loads them
        const RememberedSettings r = SettingsStore(Path(file)).load();
        // THEN they are all there
        QCOMPARE(r.output.api, std::string("alsa"));
        QCOMPARE(r.output.name, std::string("UM-ONE:UM-ONE MIDI 1 24:0"));
        QCOMPARE(r.input.api, std::string("jack"));
        QCOMPARE(r.input.name, std::string("system:midi_capture_1"));
        QVERIFY(Same(r.exchange, chosen));
        // ... in a file a user can read
        const std::string text = test::ReadFileText(file);
        QVERIFY2(text.find("receiveMode=fast") != std::string::npos, text.c_str());
        QVERIFY2(text.find("sysExPauseMs=40") != std::string::npos, text.c_str());
        QVERIFY2(text.find("fastTimeoutSeconds=1.5") != std::string::npos, text.c_str());
        QVERIFY2(text.find("sysExChunk=64") != std::string::npos, text.c_str());
        QVERIFY2(text.find("verifyTransmit=1") != std::string::npos, text.c_str());
    }

    void theMidiKeyboardChosenComesBackAndNoneIsKeptAsNoName() {
        test::ScratchFolder folder("settings");
        const fs::path file = folder / "voxmere.conf";
        // GIVEN a run in which the user chose a MIDI keyboard
        SettingsStore(Path(file)).storeNoteInput({"alsa", "Keystation 49:Keystation 49 MIDI 1 20:0"});
        // WHEN the next run loads it, THEN it is there beside the DX7's ports
        RememberedSettings r = SettingsStore(Path(file)).load();
        QCOMPARE(r.noteInput.api, std::string("alsa"));
        QCOMPARE(r.noteInput.name, std::string("Keystation 49:Keystation 49 MIDI 1 20:0"));
        QVERIFY(r.input.name.empty());
        // WHEN the user then chose "なし", THEN the next run listens to none
        SettingsStore(Path(file)).storeNoteInput({"alsa", ""});
        r = SettingsStore(Path(file)).load();
        QVERIFY(r.noteInput.name.empty());
    }

    void onlyWhatTheUserChangedIsWrittenSoACommandLineValueIsNotKept() {
        test::ScratchFolder folder("settings");
        const fs::path file = folder / "voxmere.conf";
        // GIVEN a file that keeps the standard receive and a 10 ms pause
        Write(file, "[exchange]\nreceiveMode=standard\nsysExPauseMs=10\n");
        SettingsStore store(Path(file));
        // ... and a run told to receive fast on its command line
        ExchangeSettings shown = store.load().exchange;
        shown.receiveMode = ReceiveMode::Fast;
        // WHEN the user changes only the pause, to 30 ms, and presses OK
        ExchangeSettings after = shown;
        after.sysExPauseMs = 30;
        store.storeExchange(shown, after);
        // THEN the next run has the new pause and still the standard receive
        const ExchangeSettings next = SettingsStore(Path(file)).load().exchange;
        QCOMPARE(next.sysExPauseMs, 30);
        QCOMPARE(next.receiveMode, ReceiveMode::Standard);
    }

    void aFileOfRubbishGivesTheDefaults() {
        test::ScratchFolder folder("settings");
        const fs::path file = folder / "voxmere.conf";
        std::string rubbish;
        for (int i = 0; i < 4096; ++i)
            rubbish += static_cast<char>((i * 7919 + 13) % 256);
        Write(file, rubbish);
        const RememberedSettings r = SettingsStore(Path(file)).load();
        QVERIFY(Same(r.exchange, ExchangeSettings{}));
        QVERIFY(r.output.name.empty() && r.input.name.empty());
    }

    void aFolderWhereTheFileShouldBeGivesTheDefaults() {
        test::ScratchFolder folder("settings");
        const fs::path file = folder / "voxmere.conf";
        fs::create_directories(file);
        const RememberedSettings r = SettingsStore(Path(file)).load();
        QVERIFY(Same(r.exchange, ExchangeSettings{}));
    }

    void theFunctionSettingsComeBackAndAValueTheInstrumentWouldRefuseTakesItsDefault() {
        test::ScratchFolder folder("settings");
        const fs::path file = folder / "voxmere.conf";
        FunctionSettings chosen;
        chosen.set(64, 1);  // mono
        chosen.set(69, 99); // portamento time
        chosen.set(77, 6);  // aftertouch on amplitude and EG bias
        SettingsStore(Path(file)).storeFunctions(chosen);
        QVERIFY(SettingsStore(Path(file)).load().functions == chosen);
        Write(file, "[function]\n65=13\n66=3\n");
        const FunctionSettings read = SettingsStore(Path(file)).load().functions;
        QCOMPARE(read.get(65), FunctionSettings{}.get(65));
        QCOMPARE(read.get(66), 3);
    }

    void eachValueOutOfRangeOrUnreadableTakesItsDefaultAndTheOthersStay() {
        test::ScratchFolder folder("settings");
        struct Case {
            const char *lines;
            ExchangeSettings expected;
        };
        // A file of its own for each case: Qt keeps files it has read and
        // takes one rewritten at once with the same size for unchanged.
        int n = 0;
        for (const Case &c : {
                 Case{"receiveMode=banana\nsysExPauseMs=20\n", {ReceiveMode::Standard, 20, 1.0, 3}},
                 Case{"receiveMode=fast\nsysExPauseMs=501\n", {ReceiveMode::Fast, 0, 1.0, 3}},
                 Case{"sysExPauseMs=-1\nfastRetries=4\n", {ReceiveMode::Standard, 0, 1.0, 4}},
                 Case{"sysExPauseMs=ten\nfastTimeoutSeconds=2.5\n", {ReceiveMode::Standard, 0, 2.5, 3}},
                 Case{"fastTimeoutSeconds=0\nfastRetries=11\n", {ReceiveMode::Standard, 0, 1.0, 3}},
                 Case{"fastTimeoutSeconds=nan\nfastRetries=2, 3\n", {ReceiveMode::Standard, 0, 1.0, 3}},
                 Case{"fastTimeoutSeconds=inf\nsysExPauseMs=500\n", {ReceiveMode::Standard, 500, 1.0, 3}},
                 Case{"sysExChunk=31\nverifyTransmit=2\n", {ReceiveMode::Standard, 0, 1.0, 3}},
                 Case{"sysExChunk=1025\nverifyTransmit=1\n", {ReceiveMode::Standard, 0, 1.0, 3, 1, 0, true}},
                 Case{"sysExChunk=32\nverifyTransmit=yes\n",
                      {ReceiveMode::Standard, 0, 1.0, 3, 1, 32, false}},
             }) {
            const fs::path file = folder / ("voxmere-" + std::to_string(++n) + ".conf");
            Write(file, std::string("[exchange]\n") + c.lines);
            const ExchangeSettings got = SettingsStore(Path(file)).load().exchange;
            const std::string what =
                std::string(c.lines) + "read: mode " + std::to_string(static_cast<int>(got.receiveMode)) +
                ", pause " + std::to_string(got.sysExPauseMs) + ", time-out " +
                std::to_string(got.fastTimeoutSeconds) + ", retries " + std::to_string(got.fastRetries);
            QVERIFY2(Same(got, c.expected), what.c_str());
        }
    }

    // --- The command line and the remembered ports ---------------------

    void rememberedPortsAreUsedWhenTheCommandLineNamesNone() {
        FakePorts ports;
        ports.outputs["alsa"] = {"Midi Through:Midi Through Port-0 14:0", "UM-ONE:UM-ONE MIDI 1 24:0"};
        ports.inputs["alsa"] = {"Midi Through:Midi Through Port-0 14:0", "UM-ONE:UM-ONE MIDI 1 24:0"};
        const MidiOptions o = WithRememberedPorts(
            {}, RememberedAlsa("UM-ONE:UM-ONE MIDI 1 24:0", "UM-ONE:UM-ONE MIDI 1 24:0"), ports.directory());
        QCOMPARE(o.api, std::string("alsa"));
        QCOMPARE(o.out, std::string("UM-ONE:UM-ONE MIDI 1 24:0"));
        QCOMPARE(o.in, std::string("UM-ONE:UM-ONE MIDI 1 24:0"));
    }

    void eachPortTheCommandLineNamesOverridesItsRememberedOne() {
        FakePorts ports;
        ports.outputs["alsa"] = {"Synth A 20:0", "UM-ONE 24:0"};
        ports.inputs["alsa"] = {"Synth A 20:0", "UM-ONE 24:0"};
        MidiOptions commandLine;
        commandLine.out = "Synth A";
        const MidiOptions o =
            WithRememberedPorts(commandLine, RememberedAlsa("UM-ONE 24:0", "UM-ONE 24:0"), ports.directory());
        QCOMPARE(o.out, std::string("Synth A"));
        QCOMPARE(o.in, std::string("UM-ONE 24:0"));
    }

    void aPortOnTheCommandLineWithoutAnApiIsLookedForOnTheFirstApiAsAlways() {
        // GIVEN ALSA first, and the input remembered on JACK
        FakePorts ports;
        ports.outputs["alsa"] = {"Synth A 20:0"};
        ports.inputs["alsa"] = {"Synth A 20:0"};
        ports.outputs["jack"] = {"system:midi_playback_1"};
        ports.inputs["jack"] = {"system:midi_capture_1"};
        RememberedSettings r;
        r.input = {"jack", "system:midi_capture_1"};
        // WHEN the command line names only the output
        MidiOptions commandLine;
        commandLine.out = "Synth A";
        const MidiOptions o = WithRememberedPorts(commandLine, r, ports.directory());
        // THEN the API is not switched to JACK under the named output, and the JACK input stays aside
        QVERIFY(o.api.empty());
        QCOMPARE(o.out, std::string("Synth A"));
        QVERIFY(o.in.empty());
    }

    void anotherApiOnTheCommandLineLeavesThePortsRememberedForAlsaAside() {
        FakePorts ports;
        ports.outputs["alsa"] = {"UM-ONE 24:0"};
        ports.inputs["alsa"] = {"UM-ONE 24:0"};
        ports.outputs["jack"] = {"UM-ONE 24:0"}; // the same name, but another API's port
        ports.inputs["jack"] = {};
        MidiOptions commandLine;
        commandLine.api = "jack";
        const MidiOptions o =
            WithRememberedPorts(commandLine, RememberedAlsa("UM-ONE 24:0", "UM-ONE 24:0"), ports.directory());
        QCOMPARE(o.api, std::string("jack"));
        QVERIFY(o.out.empty());
        QVERIFY(o.in.empty());
    }

    void theBuiltInInstrumentOnTheCommandLineTakesNoRememberedPort() {
        FakePorts ports;
        ports.outputs["alsa"] = {"UM-ONE 24:0"};
        MidiOptions commandLine;
        commandLine.virtualDx7 = true;
        const MidiOptions o =
            WithRememberedPorts(commandLine, RememberedAlsa("UM-ONE 24:0", ""), ports.directory());
        QVERIFY(o.virtualDx7);
        QVERIFY(o.out.empty() && o.api.empty());
        QVERIFY(ports.asked.empty());
    }

    void aRememberedPortThatIsGoneLeavesTheDefaultChoiceSilently() {
        // GIVEN the interface remembered is not plugged in
        FakePorts ports;
        ports.outputs["alsa"] = {"Midi Through:Midi Through Port-0 14:0"};
        ports.inputs["alsa"] = {"Midi Through:Midi Through Port-0 14:0"};
        const MidiOptions o = WithRememberedPorts(
            {}, RememberedAlsa("UM-ONE:UM-ONE MIDI 1 24:0", "UM-ONE:UM-ONE MIDI 1 24:0"), ports.directory());
        // THEN no port is named, so the wiring takes its default as with no settings
        QVERIFY(o.out.empty());
        QVERIFY(o.in.empty());
    }

    void aRememberedApiThatDoesNotWorkHereIsNotNamed() {
        FakePorts ports;
        ports.outputs["alsa"] = {"UM-ONE 24:0"};
        RememberedSettings r;
        r.output = {"jack", "system:midi_playback_1"};
        const MidiOptions o = WithRememberedPorts({}, r, ports.directory());
        QVERIFY(o.api.empty());
        QVERIFY(o.out.empty());
    }

    void nothingRememberedAsksNoPortList() {
        // With no settings the start-up is as it always was.
        FakePorts ports;
        ports.outputs["alsa"] = {"UM-ONE 24:0"};
        const MidiOptions o = WithRememberedPorts({}, RememberedSettings{}, ports.directory());
        QVERIFY(o.api.empty() && o.out.empty() && o.in.empty());
        QVERIFY(ports.asked.empty());
    }

    void anAlsaPortWhoseNumbersChangedIsFoundWhenItIsTheOnlyOne() {
        QCOMPARE(FindRememberedPort({"Midi Through 14:0", "UM-ONE:UM-ONE MIDI 1 28:0"},
                                    "UM-ONE:UM-ONE MIDI 1 24:0"),
                 std::optional<std::string>("UM-ONE:UM-ONE MIDI 1 28:0"));
        // Two alike: neither is surely the one.
        QCOMPARE(FindRememberedPort({"UM-ONE 28:0", "UM-ONE 32:0"}, "UM-ONE 24:0"), std::nullopt);
        // The exact name wins over one alike.
        QCOMPARE(FindRememberedPort({"UM-ONE 28:0", "UM-ONE 24:0"}, "UM-ONE 24:0"),
                 std::optional<std::string>("UM-ONE 24:0"));
        QCOMPARE(FindRememberedPort({"UM-ONE 24:0"}, ""), std::nullopt);
    }

    void receiveModesHaveTheNamesTheFileUses() {
        QCOMPARE(ParseReceiveMode("fast"), std::optional<ReceiveMode>(ReceiveMode::Fast));
        QCOMPARE(ParseReceiveMode("standard"), std::optional<ReceiveMode>(ReceiveMode::Standard));
        QCOMPARE(ParseReceiveMode("Fast"), std::nullopt);
        QCOMPARE(QString(ReceiveModeName(ReceiveMode::Fast)), QString("fast"));
        QCOMPARE(QString(ReceiveModeName(ReceiveMode::Standard)), QString("standard"));
    }

    // --- The windows keep what the user chose --------------------------

    void okInTheSettingsWindowOfTheRunningProgramKeepsTheChange() {
        test::ScratchFolder folder("settings");
        const fs::path file = folder / "voxmere.conf";
        // GIVEN the program's windows over a store
        SettingsStore store(Path(file));
        ProgramState state;
        NullOutPort out;
        NullInPort in;
        state.midiOut = &out;
        state.midiIn = &in;
        QtHost host;
        Program program(state, host);
        AppWindows windows(program, host, nullptr, &store);
        // WHEN the user opens MIDI設定…, chooses 高速, types 15 ms and presses OK
        program.form1.mnuMidiSettingsClick();
        QVERIFY(windows.midiSettings.isVisible());
        windows.midiSettings.findChild<QRadioButton *>("Option2")->click();
        auto *pause = windows.midiSettings.findChild<QLineEdit *>("Text1");
        pause->selectAll();
        QTest::keyClicks(pause, "15");
        windows.midiSettings.findChild<QPushButton *>("Command1")->click();
        // THEN the running program uses it, the window closed, and the next run finds it
        QCOMPARE(state.exchange.receiveMode, ReceiveMode::Fast);
        QCOMPARE(state.exchange.sysExPauseMs, 15);
        QVERIFY(!windows.midiSettings.isVisible());
        const ExchangeSettings next = SettingsStore(Path(file)).load().exchange;
        QCOMPARE(next.receiveMode, ReceiveMode::Fast);
        QCOMPARE(next.sysExPauseMs, 15);
    }

    void aPortChosenInTheMenuThatOpensIsKeptWithItsApi() {
        test::ScratchFolder folder("settings");
        const fs::path file = folder / "voxmere.conf";
        SettingsStore store(Path(file));
        // GIVEN ports on ALSA, the output connected to "recording"
        MidiWiring wiring;
        wiring.api = "alsa";
        wiring.out = std::make_unique<test::RecordingOutPort>();
        wiring.in = std::make_unique<test::TestInPort>();
        MidiMenuModel menu = MidiMenuFor(
            wiring, [&](MidiDirection direction, const std::string &api, const std::string &name) {
                // as the program's windows keep it
                if (direction == MidiDirection::Out)
                    store.storeOutput({api, name});
                else
                    store.storeInput({api, name});
            });
        // WHEN the user picks a port that does not open, then the output, then the input
        QVERIFY(!menu.chooseOutput("gone"));
        QCOMPARE(SettingsStore(Path(file)).load().output.name, std::string());
        QVERIFY(menu.chooseOutput("recording"));
        QVERIFY(menu.chooseInput("test-in"));
        // THEN the next run finds both, with the API
        const RememberedSettings r = SettingsStore(Path(file)).load();
        QCOMPARE(r.output.api, std::string("alsa"));
        QCOMPARE(r.output.name, std::string("recording"));
        QCOMPARE(r.input.api, std::string("alsa"));
        QCOMPARE(r.input.name, std::string("test-in"));
    }

    void theBuiltInInstrumentChosenInTheMenuIsNotKept() {
        QtHost host;
        MidiOptions options;
        options.virtualDx7 = true;
        MidiWiring wiring = WireMidiForQt(options, host);
        std::vector<std::string> kept;
        MidiMenuModel menu =
            MidiMenuFor(wiring, [&](MidiDirection, const std::string &api, const std::string &name) {
                kept.push_back(api + name);
            });
        QVERIFY(menu.chooseOutput(kVirtualDx7PortName));
        QVERIFY(menu.chooseInput(kVirtualDx7PortName));
        QVERIFY(kept.empty());
    }
};

VOXMERE_GUI_TEST(settings_test, SettingsTest)
#include "settings_test.moc"
