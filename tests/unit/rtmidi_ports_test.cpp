// Choosing RtMidi ports by name, and RtMidi set up where it cannot work.

#include "midi/port_wiring.h"
#include "midi/rtmidi_ports.h"

#include <gtest/gtest.h>

// RtMidi's JACK backend does not free its ring buffer when no JACK server
// answers (as on the build machines); that leak is RtMidi's, not ours.
extern "C" const char *__lsan_default_suppressions() { return "leak:jack_ringbuffer_create\n"; }

namespace vox {
namespace {

const std::vector<std::string> kJackInputs = {"system:midi_playback_1", "voxmere-dx7sim-in:midi-in",
                                              "voxmere-in:in", "Synth Port A", "synth port B"};

TEST(MatchPortName, ExactNameIsTaken) { EXPECT_EQ(MatchPortName(kJackInputs, "voxmere-in:in"), 2u); }

TEST(MatchPortName, UniquePartIsTakenWhateverItsCase) {
    EXPECT_EQ(MatchPortName(kJackInputs, "DX7SIM"), 1u);
    EXPECT_EQ(MatchPortName(kJackInputs, "playback"), 0u);
}

TEST(MatchPortName, PartNamingTwoPortsIsRefused) {
    // "synth port" is in both synth ports once case is ignored
    EXPECT_EQ(MatchPortName(kJackInputs, "synth port"), std::nullopt);
    EXPECT_EQ(MatchPortName(kJackInputs, "voxmere"), std::nullopt);
}

TEST(MatchPortName, ExactNameWinsOverALongerNameContainingIt) {
    const std::vector<std::string> names = {"DX7 II", "DX7"};
    EXPECT_EQ(MatchPortName(names, "DX7"), 1u);
}

TEST(MatchPortName, UnknownOrEmptyNameMatchesNothing) {
    EXPECT_EQ(MatchPortName(kJackInputs, "TX816"), std::nullopt);
    EXPECT_EQ(MatchPortName(kJackInputs, ""), std::nullopt);
    EXPECT_EQ(MatchPortName({}, "dx7"), std::nullopt);
}

TEST(DefaultOutputPort, IsTheFirstPortThatIsNotOurs) {
    const std::vector<std::string> names = {"VOXMERE-in:in", "voxmere-dx7sim-in:midi-in", "Synth Port A"};
    EXPECT_EQ(DefaultOutputPort(names), 2u);
}

TEST(DefaultOutputPort, IsNoneWhenOnlyOurPortsExist) {
    EXPECT_EQ(DefaultOutputPort({"voxmere-in:in"}), std::nullopt);
    EXPECT_EQ(DefaultOutputPort({}), std::nullopt);
}

TEST(DefaultOutputPort, SkipsAlsasMidiThroughForOutputAndInputAlike) {
    // GIVEN ALSA's loopback listed first, as on a fresh Linux system
    const std::vector<std::string> names = {"Midi Through:Midi Through Port-0 14:0",
                                            "DX7 USB:DX7 USB MIDI 1 20:0"};
    // THEN the default is the interface, not the port that echoes our own messages
    EXPECT_EQ(DefaultOutputPort(names), 1u);
    EXPECT_EQ(DefaultOutputPort({"Midi Through:Midi Through Port-0 14:0"}), std::nullopt);
    // ... while a port merely named "through" by its maker is still a port
    EXPECT_EQ(DefaultOutputPort({"USB MIDI Thru Box:port 1 24:0"}), 0u);
}

TEST(OwnPorts, OurClientsOnAlsaAndJackAreOurs) {
    EXPECT_TRUE(IsOwnPort("voxmere-out:out 129:0"));
    EXPECT_TRUE(IsOwnPort("voxmere-in:in 130:0"));
    EXPECT_TRUE(IsOwnPort("voxmere-in:in"));
    EXPECT_TRUE(IsOwnPort("VOXMERE-OUT:out"));
    EXPECT_TRUE(IsOwnPort("voxmere-in-01:in")); // a second program on one JACK server
}

TEST(OwnPorts, OtherPortsAreNotOursEvenTheSimulators) {
    EXPECT_FALSE(IsOwnPort("voxmere-dx7sim-in:midi-in"));
    EXPECT_FALSE(IsOwnPort("voxmere-input-box:in"));
    EXPECT_FALSE(IsOwnPort("system:midi_playback_1"));
    EXPECT_FALSE(IsOwnPort("Midi Through:Midi Through Port-0 14:0"));
}

TEST(OwnPorts, AreLeftOutOfTheChoicesInTheirOrder) {
    const std::vector<std::string> names = {"Midi Through:Midi Through Port-0 14:0", "voxmere-in:in 130:0",
                                            "DX7 USB:DX7 USB MIDI 1 20:0", "voxmere-out:out 129:0"};
    EXPECT_EQ(WithoutOwnPorts(names), (std::vector<std::string>{"Midi Through:Midi Through Port-0 14:0",
                                                                "DX7 USB:DX7 USB MIDI 1 20:0"}));
}

TEST(RtMidiPorts, BothLinuxApisAreCompiledIn) {
    const auto apis = CompiledMidiApis();
    EXPECT_NE(std::find(apis.begin(), apis.end(), "alsa"), apis.end());
    EXPECT_NE(std::find(apis.begin(), apis.end(), "jack"), apis.end());
}

TEST(RtMidiPorts, UnknownApiNeitherWorksNorOpens) {
    // GIVEN an API RtMidi does not have
    EXPECT_FALSE(MidiApiWorks("winmm-on-linux"));
    EXPECT_TRUE(ListMidiOutputs("winmm-on-linux").empty());
    // WHEN ports on it are opened THEN they fail without throwing
    RtMidiOutPort out("winmm-on-linux", "");
    EXPECT_FALSE(out.open());
    EXPECT_FALSE(out.isOpen());
    out.sendShort(0xC0, 0, 0); // ignored when closed
    RtMidiInPort in("winmm-on-linux", "");
    EXPECT_FALSE(in.open());
}

TEST(RtMidiPorts, OutputOfAMissingPortDoesNotOpen) {
    // GIVEN a port name no API has WHEN it is opened on every compiled API THEN it fails quietly
    for (const auto &api : CompiledMidiApis()) {
        RtMidiOutPort out(api, "no such port 4f1e");
        EXPECT_FALSE(out.open()) << api;
        EXPECT_EQ(out.name(), "no such port 4f1e");
    }
}

TEST(PortWiring, UnknownApiIsReportedAndLeavesNoPorts) {
    // GIVEN --midi-api with an API that does not exist
    MidiOptions options;
    options.api = "nosuchapi";
    // WHEN the ports are wired
    MidiWiring w = WireMidi(
        options, [] { return 0.0; }, nullptr);
    // THEN nothing is wired and the problem names the API
    EXPECT_FALSE(w.out);
    EXPECT_FALSE(w.in);
    ASSERT_EQ(w.problems.size(), 1u);
    EXPECT_NE(w.problems[0].find("nosuchapi"), std::string::npos);
    EXPECT_TRUE(w.outputNames().empty());
}

TEST(PortWiring, VirtualDx7IsTheOnlyPortOfferedAndTheCurrentOneOnceOpen) {
    // GIVEN --virtual-dx7
    MidiOptions options;
    options.virtualDx7 = true;
    MidiWiring w = WireMidi(
        options, [] { return 0.0; }, nullptr);
    ASSERT_TRUE(w.out && w.in && w.dx7);
    // WHEN the output opens THEN the menu offers and ticks the virtual DX7
    EXPECT_EQ(w.currentOutput(), "");
    ASSERT_TRUE(w.out->open());
    EXPECT_EQ(w.outputNames(), std::vector<std::string>{kVirtualDx7PortName});
    EXPECT_EQ(w.inputNames(), std::vector<std::string>{kVirtualDx7PortName});
    EXPECT_EQ(w.currentOutput(), kVirtualDx7PortName);
    EXPECT_TRUE(w.chooseOutput(kVirtualDx7PortName));
    EXPECT_FALSE(w.chooseOutput("some other port"));
    EXPECT_EQ(w.currentOutput(), kVirtualDx7PortName);
}

TEST(PortWiring, FailedChoiceOnAnApiThatDoesNotWorkLeavesNothingCurrent) {
    // GIVEN RtMidi ports on an API that cannot be set up here
    MidiWiring w;
    w.api = "winmm-on-linux";
    w.out = std::make_unique<RtMidiOutPort>(w.api, "");
    w.in = std::make_unique<RtMidiInPort>(w.api, "");
    // WHEN a port is chosen THEN it is refused and nothing is ticked
    EXPECT_FALSE(w.chooseOutput("Synth Port A"));
    EXPECT_EQ(w.currentOutput(), "");
    EXPECT_FALSE(w.out->isOpen());
    EXPECT_EQ(w.currentInput(), "");
}

TEST(PortWiring, ListingNamesEveryCompiledApiAndTheVirtualDx7) {
    const std::string text = ListPortsText();
    for (const auto &api : CompiledMidiApis())
        EXPECT_NE(text.find(api + ":"), std::string::npos) << api;
    EXPECT_NE(text.find("--virtual-dx7"), std::string::npos);
}

} // namespace
} // namespace vox
