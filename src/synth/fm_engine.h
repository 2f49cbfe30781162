#pragma once
// The six-operator FM engine the virtual DX7 plays with: one voice (the 155
// parameters of a single-voice image, as the instrument reads them through
// ParamValue) sounding on up to 16 notes at once. No Qt, no clock, no
// thread: the owner calls render() from the audio callback and the other
// members between renders, on the same thread. Nothing here allocates or
// locks after construction, so every member is safe on an audio thread.

#include "voice/dx7_event.h" // VoiceParams
#include "voice/function_settings.h"
#include "voice/voice_layout.h"

#include <array>
#include <cstddef>
#include <span>

namespace vox {

inline constexpr int kPolyphony = 16;
inline constexpr double kDefaultSampleRate = 48000.0;

class FmEngine {
public:
    explicit FmEngine(double sampleRate = kDefaultSampleRate);
    ~FmEngine();
    FmEngine(const FmEngine &) = delete;
    FmEngine &operator=(const FmEngine &) = delete;

    // A new rate sounds from the next render on; sounding notes stop.
    void setSampleRate(double sampleRate);
    double sampleRate() const;

    // The voice every note plays. As on the instrument, loading a voice
    // silences every note first.
    void setVoice(std::span<const Byte, kParamCount> params);
    // One parameter 0..154, or 155 = the operator on/off switches (bit 5 =
    // operator 1 ... bit 0 = operator 6). Values out of range are taken as
    // ParamValueInRange takes them (held to the range). Sounding notes follow
    // at once, except output level, level scaling and velocity sensitivity,
    // which the instrument reads at the next note-on.
    void setParameter(int parameter, int value);
    const VoiceParams &voice() const;
    Byte operatorSwitches() const;

    // Function parameter 64..77 (see FunctionSettings); others are ignored.
    // A change between poly and mono stops every note.
    void setFunction(int number, int value);
    const FunctionSettings &functionSettings() const;
    // The bend's most significant byte 0..127, 64 = none.
    void pitchBend(int msb);
    // Control 1 (wheel), 2 (breath), 4 (foot), 65 (portamento switch),
    // value 0..127; other controls are ignored.
    void controller(int control, int value);
    // Channel pressure 0..127.
    void aftertouch(int value);

    // MIDI note 0..127, velocity 1..127. As the instrument assigns them: the
    // next voice round the 16 whose key is up (a releasing note's tail may
    // be taken, a repeated key gets a voice of its own); with 16 keys down a
    // further note is ignored. A note-off releases the lowest voice holding
    // that key. In mono mode one voice plays the last key held; a key
    // played while another is held moves its pitch without starting its
    // envelopes again, and letting it go returns to the key held before.
    void noteOn(int note, int velocity);
    void noteOff(int note);
    void allNotesOff(); // releases every note
    void allSoundOff(); // silences at once
    int soundingNotes() const;

    // Writes `frames` mono samples in -1..1: one carrier at full scale is a
    // quarter of full scale, carriers and notes add up, and a soft limit
    // above half of full scale keeps any mix from clipping. Overwrites, does
    // not add.
    void render(float *out, std::size_t frames);

private:
    struct State;
    State *state_; // owned; fixed size, allocated once here
};

} // namespace vox
