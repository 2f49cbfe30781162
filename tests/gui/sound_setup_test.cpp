// The virtual DX7's sound in the program: it hears what the instrument
// takes, starts from what the instrument holds, says once why it is silent,
// and the MIDI menu offers its audio outputs. Nothing here needs a sound
// card: the outputs asked for are ones no machine has.

#include "../common/test_files.h"
#include "app/settings.h"
#include "app/sound_setup.h"
#include "gui_rig.h"
#include "librarian/form1.h"
#include "librarian/form1_view.h"
#include "test_support.h"
#include "voice/dx7_messages.h"
#include "voice/init_voice.h"

#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QtTest>

#include <vector>

using namespace vox;

namespace {

VoiceParams ParamsOf(const Slot &slot) {
    VoiceParams p{};
    std::copy_n(slot.begin() + kParamBase, kParamCount, p.begin());
    return p;
}

AudioOptions NoSuchApi() {
    AudioOptions o;
    o.api = "nosuch";
    return o;
}

constexpr auto &OpenSubmenu = test::OpenMidiSubmenu;

} // namespace

class SoundSetupTest : public QObject {
    Q_OBJECT

private slots:
    void noOutputIsOneLineAndTheSoundStillFollowsTheInstrument() {
        // GIVEN the virtual DX7 and an audio API that does not exist
        VirtualDx7 dx7;
        SoundWiring sound(dx7, NoSuchApi());
        // THEN one English line says why it is silent, naming what was asked
        QCOMPARE(sound.problems().size(), std::size_t{1});
        QVERIFY2(sound.problems()[0].find("\"nosuch\"") != std::string::npos, sound.problems()[0].c_str());
        QVERIFY2(sound.problems()[0].find("silent") != std::string::npos, sound.problems()[0].c_str());
        QVERIFY(!sound.audio().isOpen());
        QCOMPARE(sound.currentOutput(), std::string{});
        // AND the sound starts from the instrument's edit buffer, and plays
        // its memory
        QCOMPARE(sound.sound().voice(), ParamsOf(dx7.editBuffer()));
        for (int p = 0; p < static_cast<int>(kBankSlots); ++p) {
            dx7.receive(std::vector<Byte>{0xC0, static_cast<Byte>(p)});
            QCOMPARE(sound.sound().voice(), ParamsOf(dx7.internalVoice(p)));
        }
        // WHEN the instrument takes a voice dump and a parameter change
        Slot voice = InitialVoice();
        voice[ParamPos(param::Algorithm)] = 17;
        const VoiceDump dump = BuildVoiceDump(voice);
        dx7.receive(dump);
        const ParameterChange change = ParameterChangeMessage(param::Feedback, 5);
        dx7.receive(change);
        // THEN the sound holds them too
        voice[ParamPos(param::Feedback)] = 5;
        QCOMPARE(sound.sound().voice(), ParamsOf(voice));
        // AND what the instrument refuses never reaches it
        dx7.memoryProtect = true;
        const VoiceParams before = ParamsOf(dx7.internalVoice(0));
        VoiceTable table;
        for (std::size_t v = 1; v <= kBankSlots; ++v)
            table[v] = voice;
        const BulkMessage bank = BuildBulkMessage(table);
        dx7.receive(bank);
        QCOMPARE(dx7.refusals(Dx7Refusal::MemoryProtected), 1);
        dx7.receive(std::vector<Byte>{0xC0, 0});
        QCOMPARE(sound.sound().voice(), before);
    }

    void theInstrumentOutlivesItsSound() {
        VirtualDx7 dx7;
        { SoundWiring sound(dx7, NoSuchApi()); }
        // A message after the sound is gone reaches nothing and breaks nothing.
        dx7.receive(std::vector<Byte>{0xC0, 3});
        QCOMPARE(dx7.programChanges(), 1);
    }

    void entriesNameTheApiAndTheDevice() {
        QCOMPARE(AudioOutputEntry("alsa", "default"), std::string("alsa: default"));
        std::string api, device;
        QVERIFY(ParseAudioOutputEntry("jack: system", api, device));
        QCOMPARE(api, std::string("jack"));
        QCOMPARE(device, std::string("system"));
        QVERIFY(ParseAudioOutputEntry("alsa: hw:PCH: ALC 1,0", api, device));
        QCOMPARE(api, std::string("alsa"));
        QCOMPARE(device, std::string("hw:PCH: ALC 1,0"));
        QVERIFY(!ParseAudioOutputEntry("system", api, device));
        QVERIFY(!ParseAudioOutputEntry(": system", api, device));
        QVERIFY(!ParseAudioOutputEntry("jack: ", api, device));
    }

    void theMidiMenuOffersEveryOutputAndAFailedChoiceKeepsNothing() {
        // GIVEN the main window with the sound's outputs in its MIDI menu
        test::ProgramFixture f;
        Form1View view(f.program);
        QVERIFY2(view.statusBar()->isHidden(), "a notice about sound without the built-in instrument");
        VirtualDx7 dx7;
        SoundWiring sound(dx7, NoSuchApi());
        std::vector<std::string> remembered;
        MidiMenuModel model;
        model.outputs = [] { return std::vector<std::string>{}; };
        model.inputs = [] { return std::vector<std::string>{}; };
        model.currentOutput = [] { return std::string{}; };
        model.currentInput = [] { return std::string{}; };
        model.audioOutput = AudioOutputChoices(sound, [&](const std::string &api, const std::string &device) {
            remembered.push_back(api + "/" + device);
        });
        view.setMidiMenu(model);
        // THEN the window says the built-in instrument is silent, and where
        // to choose an output
        QVERIFY(!view.statusBar()->isHidden());
        QVERIFY(
            view.findChild<QLabel *>("LabelSoundNotice")->text().contains("オーディオ出力（仮想DX7の音）"));
        // WHEN the user opens the MIDI menu
        QMenu *audio = OpenSubmenu(view, "mnu_audioOutMenu");
        // THEN the audio output submenu lists every output, none ticked
        QVERIFY(audio);
        QCOMPARE(audio->title(), QString("オーディオ出力（仮想DX7の音）"));
        const std::vector<std::string> outputs = sound.outputChoices();
        std::vector<std::string> shown;
        for (QAction *a : audio->actions()) {
            QVERIFY(!a->isChecked());
            shown.push_back(a->text().toStdString());
        }
        if (outputs.empty())
            QCOMPARE(shown, std::vector<std::string>{"(ありません)"});
        else
            QCOMPARE(shown, outputs);
        // WHEN an output that is not there is chosen
        QVERIFY(!model.audioOutput.choose("jack: no such device"));
        QVERIFY(!model.audioOutput.choose("not an entry"));
        // THEN nothing is remembered and nothing plays
        QVERIFY(remembered.empty());
        QCOMPARE(model.audioOutput.current(), std::string{});
    }

    void theChosenOutputIsKeptForTheNextRun() {
        test::ScratchFolder dir("sound-settings");
        const QString file = QString::fromStdString((dir / "voxmere.conf").string());
        {
            SettingsStore store(file);
            QCOMPARE(store.load().audioOutput.name, std::string{});
            store.storeAudioOutput({"jack", "system"});
        }
        SettingsStore again(file);
        const RememberedSettings r = again.load();
        QCOMPARE(r.audioOutput.api, std::string("jack"));
        QCOMPARE(r.audioOutput.name, std::string("system"));
    }
};

VOXMERE_GUI_TEST(sound_setup_test, SoundSetupTest)
#include "sound_setup_test.moc"
