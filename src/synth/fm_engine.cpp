#include "synth/fm_engine.h"

#include "synth/fm_tables.h"
#include "voice/algorithms.h"
#include "voice/init_voice.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vox {

namespace {

// Envelopes move once per block of at most kBlock frames (0.67 ms at
// 48 kHz), the attenuation ramped across it; a block also ends at each
// firmware tick, where the LFO and the pitch registers change.
constexpr int kBlock = 32;
// Notes rendered side by side (see renderBatch).
constexpr int kBatch = 4;

// --- The operator as the sound chip computes it (§8) ---------------------
// A 32-bit phase accumulator whose top 12 bits address a 4096-point sine
// wave, kept as a quarter wave of 1024 log2(sin) values of 14 bits (4.10
// fixed point, §8.2). Attenuation is added in that log domain and the sum
// (14 bits: 4-bit shift, 10-bit fraction) goes through a 1024-entry
// exponential table and a shifter (§8.3). The phase-accumulator width and
// the exponential table's output width (12 bits here, shifted into a 22-bit
// operator output) are not published: chosen.
constexpr int kSilence = 1 << 14; // attenuation at which the exponent runs out
constexpr int kOutBits = 22;      // operator output: ±2^22 at full scale
// A modulator's output moves its target's phase by (output << 12) of the
// 2^32 phase: 4 cycles (8π) at full scale, about 4π at output level 99
// with velocity sensitivity 0 (register 15). Chosen (§10.7).
constexpr int kModShift = 12;
constexpr double kPhaseUnit = 4294967296.0;
// The carriers of a note are added without any compensation for their
// number (§8.5 gives none); one carrier at full scale is a quarter of full
// scale at the output, so a single note of most voices stays below the soft
// limit that starts at half (chosen: see render()).
constexpr float kOutScale = 0.25f / static_cast<float>(1 << kOutBits);
constexpr float kLimitKnee = 0.5f;
constexpr float kLimitTop = 32767.0f / 32768.0f;
// The analog output stage passes no DC (a first-order high-pass, 5 Hz).
constexpr double kDcCutHz = 5.0;
// The EGS's 12-bit envelope word: attenuation in steps of 4 (1/256 octave).
constexpr int kEnvelopeQuantum = 4;
constexpr int kEnvelopeFloor = 63 * fm::kEgLevelUnit; // EGS level 63

struct ChipTables {
    std::uint16_t logSine[1024];
    std::uint16_t exp[1024];
    ChipTables() {
        for (int i = 0; i < 1024; ++i) {
            const double angle = (i + 0.5) * 3.14159265358979323846 / 2048.0;
            logSine[i] = static_cast<std::uint16_t>(std::lround(-std::log2(std::sin(angle)) * 1024.0));
            exp[i] = static_cast<std::uint16_t>(std::lround(4096.0 * std::exp2(-(i + 1) / 1024.0)));
        }
    }
};
// Filled before main() runs, so no engine on any thread ever writes it.
const ChipTables gChip;

inline std::int32_t OperatorOutput(std::uint32_t phase, std::int32_t attenuation) {
    const std::uint32_t index = phase >> 20;
    const std::uint32_t quarter = (index & 1024) ? (~index & 1023) : (index & 1023);
    const std::int32_t log = gChip.logSine[quarter] + attenuation;
    if (log >= kSilence) return 0;
    const std::int32_t magnitude = (static_cast<std::int32_t>(gChip.exp[log & 1023]) << 10) >> (log >> 10);
    return (index & 2048) ? -magnitude : magnitude;
}

enum Stage : std::uint8_t { kToL1, kToL2, kToL3, kSustain, kRelease, kDone };
// The rate and level (0..3) a stage moves with.
constexpr int Segment(Stage s) { return s <= kToL3 ? s : s == kSustain ? 2 : 3; }

struct Operator {
    std::uint32_t phase = 0;
    std::uint32_t inc = 0;
    Stage stage = kDone;
    double env = kEnvelopeFloor; // EG attenuation, 4.10 units (0 = full)
    std::int32_t att = kSilence; // total attenuation at the start of this block
    std::int32_t nextAtt = kSilence;
    int reg = 255; // the operator level register, set at note-on (§1)
    // Derived from the voice (sounding notes follow edits at once):
    double attackPerSecond[4] = {}; // share of a full attack
    double decayPerSecond[4] = {};  // 4.10 units
    int levels[4] = {};             // 4.10 units of L1..L4
    bool fixed = false;
    double word = 0; // operator pitch word, detune included
    int amShare = 0;
};

struct Note {
    bool active = false;
    bool held = false;
    int key = 60;            // as played, untransposed (matched by note-off)
    int played = 60;         // after transposition
    int keyPitch = 0;        // sounding key pitch, 4096 units an octave
    int glidePitch = 0;      // portamento: where the glide is
    int targetPitch = 0;     // portamento: the key's own pitch
    int pitchLevel = 0x4000; // pitch EG, 16 bits, $4000 = none
    int pitchStep = 5;
    int voiceWord = 0x8000; // the voice pitch register
    Operator ops[kOperatorCount];
    std::int32_t fb[2] = {0, 0};
};

} // namespace

struct FmEngine::State {
    double rate = kDefaultSampleRate;
    VoiceParams params{};
    Byte switches = 0x3F;
    Note notes[kPolyphony];
    std::uint64_t clock = 0; // samples rendered
    int search = 0;          // round robin: the voice after the last one assigned

    // Derived from the voice.
    int targets[kOperatorCount][kOperatorCount] = {};
    int targetCount[kOperatorCount] = {};
    bool carrier[kOperatorCount] = {};
    int fbFrom = 5, fbTo = 5;
    int fbMul = 0, fbShift = 0;

    // The firmware's timer: one LFO for all notes (§5).
    double samplesToTick = 0;
    unsigned ticks = 0;
    int lfoPhase = 0;
    int lfoRandom = 0;
    int lfoValue = 0;
    int delayAcc = 0;
    bool delayOver = false;
    int fade = 0;
    int pitchMod = 0; // 16384 units an octave
    int ampMod = 0;   // the AM register

    // How it plays: function settings and what the controllers say.
    FunctionSettings function;
    int bendMsb = 64;              // the bend as last received
    int bend = 0;                  // its pitch-mod units
    int inputs[4] = {};            // wheel, foot, breath, aftertouch: 2 x the MIDI value
    bool portamentoSwitch = false; // control 65
    int lastPitch = -1;            // the pitch of the note played last, for a glide
    int monoKeys[kPolyphony] = {}; // mono: the keys held, oldest first
    int monoCount = 0;
    int F(FunctionParam p) const { return function.get(p); }
    bool mono() const { return F(FunctionParam::PolyMono) == 1; }

    // Output stage.
    double dcIn = 0, dcOut = 0, dcPole = 0;

    int P(int p) const { return ParamValueInRange(p, params[static_cast<std::size_t>(p)]); }
    int Op(int op, OpParam k) const { return P(OpParamNumber(op, k)); }

    void deriveVoice();
    void deriveNote(Note &n);
    void startNote(Note &n, int key, int velocity);
    void setKey(Note &n, int key);
    bool glides(bool legato) const;
    void glide(Note &n);
    void monoOn(int key, int velocity);
    void monoOff(int key);
    void releaseNote(Note &n);
    void tick();
    void writePitch(Note &n);
    void stepPitchEnvelope(Note &n);
    void updateIncrements(Note &n);
    void updateBlock(Note &n, int frames);
    void renderBatch(Note *const *batch, int count, float *out, int frames);
    void renderLoopOperators(Note *const *batch, int count, int lowest,
                             std::int32_t (*input)[kOperatorCount][kBlock], std::int32_t (*sum)[kBlock],
                             int frames);
};

void FmEngine::State::deriveVoice() {
    const AlgorithmInfo &alg = AlgorithmOf(P(param::Algorithm) + 1);
    for (int i = 0; i < kOperatorCount; ++i) {
        targetCount[i] = 0;
        carrier[i] = alg.isCarrier(i + 1);
    }
    for (const Modulation &m : alg.mods()) {
        const int from = m.from - 1;
        targets[from][targetCount[from]++] = m.to - 1;
    }
    fbFrom = alg.feedbackFrom - 1;
    fbTo = alg.feedbackTo - 1;
    const int feedback = P(param::Feedback);
    fbMul = fm::FeedbackMultiplier(feedback);
    fbShift = 7 - feedback;
    dcPole = std::exp(-2.0 * 3.14159265358979323846 * kDcCutHz / rate);
}

// What follows the voice at once: envelope rates and levels, frequencies,
// AMS (§0.5: shared by all voices on the instrument).
void FmEngine::State::deriveNote(Note &n) {
    for (int op = 1; op <= kOperatorCount; ++op) {
        Operator &o = n.ops[op - 1];
        const int scaling = fm::RateScalingOffset(Op(op, OpParam::RateScaling), n.played);
        for (int s = 0; s < 4; ++s) {
            const int egsRate = std::min(63, fm::EgRate(Op(op, static_cast<OpParam>(s))) + scaling);
            o.attackPerSecond[s] = 1.0 / fm::AttackSeconds(egsRate);
            o.decayPerSecond[s] = kEnvelopeFloor / fm::DecaySeconds(egsRate);
            o.levels[s] = fm::EgLevel(Op(op, static_cast<OpParam>(4 + s))) * fm::kEgLevelUnit;
        }
        o.fixed = Op(op, OpParam::OscMode) == 1;
        const int coarse = Op(op, OpParam::FreqCoarse), fine = Op(op, OpParam::FreqFine);
        o.word = (o.fixed ? fm::FixedWord(coarse, fine) : fm::RatioWord(coarse, fine)) +
                 fm::DetuneUnits(Op(op, OpParam::Detune));
        o.amShare = fm::AmpModShare(Op(op, OpParam::AmpModSens));
    }
}

// VOICE_ADD_POLY (§9.2): key off then key on; pitch EG from L4; levels from
// this note's velocity.
void FmEngine::State::startNote(Note &n, int key, int velocity) {
    const bool sounding = n.active;
    n.active = true;
    n.held = true;
    const int from = sounding ? n.glidePitch : lastPitch;
    setKey(n, key);
    if (glides(false) && from >= 0) n.glidePitch = n.keyPitch = from;
    deriveNote(n);
    const bool sync = P(param::OscKeySync) == 1;
    for (int op = 1; op <= kOperatorCount; ++op) {
        Operator &o = n.ops[op - 1];
        const int t = fm::ScaledLevel(Op(op, OpParam::OutputLevel), Op(op, OpParam::BreakPoint),
                                      Op(op, OpParam::LeftDepth), Op(op, OpParam::RightDepth),
                                      Op(op, OpParam::LeftCurve), Op(op, OpParam::RightCurve), n.played);
        o.reg = fm::LevelRegister(t, fm::VelocityOffset(Op(op, OpParam::KeyVelSens), velocity));
        // What the EGS does with a key on for a voice still sounding is not
        // known (§10.4): it carries on from where the envelope is. A voice
        // at rest starts from L4, where its envelope ends.
        if (!sounding) {
            o.env = o.levels[3];
            o.att = o.nextAtt = kSilence;
        }
        o.stage = kToL1;
    }
    n.pitchLevel = fm::PitchEgLevel(P(param::PitchLevel1 + 3)) * 128;
    n.pitchStep = 0;
    writePitch(n);
    updateIncrements(n);
    // Key sync starts every oscillator at phase 0. Without it the chip's
    // oscillators run on (§8.7 leaves the detail open): a voice at rest
    // starts where an oscillator at the new frequency would be by now.
    if (sync) {
        for (Operator &o : n.ops)
            o.phase = 0;
        n.fb[0] = n.fb[1] = 0;
    } else if (!sounding) {
        for (Operator &o : n.ops)
            o.phase = static_cast<std::uint32_t>(o.inc * clock);
    }
}

// A new key for the note: its pitch (where a glide heads) and what the
// envelopes read from the key.
void FmEngine::State::setKey(Note &n, int key) {
    n.key = key;
    n.played = fm::TransposedNote(key, P(param::Transpose));
    n.targetPitch = n.glidePitch = n.keyPitch = fm::KeyPitch(n.played);
    lastPitch = n.targetPitch;
}

// Whether a note glides to its key (§7.9): in poly mode and mono "full"
// while the portamento switch is on; mono "fingered" on legato notes alone.
bool FmEngine::State::glides(bool legato) const {
    if (F(FunctionParam::PortaTime) == 0) return false;
    if (mono() && F(FunctionParam::PortaMode) == 0) return legato;
    return portamentoSwitch;
}

// PORTA_PROCESS (§7.9), every second tick for each voice: the pitch moves
// towards the key by k (floor(|d| / 1024) + 1), a roughly exponential
// approach; with glissando by 3k, sounding in the key grid's semitones.
void FmEngine::State::glide(Note &n) {
    const int d = n.targetPitch - n.glidePitch;
    if (d == 0) return;
    const int k = fm::PitchEgRate(99 - F(FunctionParam::PortaTime));
    const bool glissando = F(FunctionParam::Glissando) == 1;
    const int step = glissando ? 3 * k : k * (std::abs(d) / 1024 + 1);
    n.glidePitch = std::abs(d) <= step ? n.targetPitch : n.glidePitch + (d > 0 ? step : -step);
    if (!glissando) {
        n.keyPitch = n.glidePitch;
        return;
    }
    int nearest = n.played, best = 1 << 30;
    for (int note = 0; note < 128; ++note) {
        const int off = std::abs(fm::KeyPitch(note) - n.glidePitch);
        if (off < best) {
            best = off;
            nearest = note;
        }
    }
    n.keyPitch = n.glidePitch == n.targetPitch ? n.targetPitch : fm::KeyPitch(nearest);
}

// VOICE_ADD_MONO: the first key of a phrase starts the voice; a key played
// while others are held moves it (legato), the envelopes running on.
void FmEngine::State::monoOn(int key, int velocity) {
    const bool legato = monoCount > 0 && notes[0].active;
    auto *end = std::remove(monoKeys, monoKeys + monoCount, key);
    monoCount = static_cast<int>(end - monoKeys);
    if (monoCount < kPolyphony) monoKeys[monoCount++] = key;
    Note &n = notes[0];
    if (!legato) {
        if (P(param::LfoDelay) != 0) {
            delayAcc = 0;
            delayOver = false;
            fade = 0;
        }
        if (P(param::LfoKeySync) == 1) lfoPhase = 0x7FFF;
        startNote(n, key, velocity);
        return;
    }
    const int from = n.glidePitch;
    setKey(n, key);
    if (glides(true)) n.glidePitch = n.keyPitch = from;
    deriveNote(n);
    writePitch(n);
    updateIncrements(n);
}

// VOICE_REMOVE_MONO: letting the sounding key go returns to the last key
// still held; with none held the note is released.
void FmEngine::State::monoOff(int key) {
    auto *end = std::remove(monoKeys, monoKeys + monoCount, key);
    monoCount = static_cast<int>(end - monoKeys);
    Note &n = notes[0];
    if (!n.active || !n.held || n.key != key) return;
    if (monoCount == 0) {
        releaseNote(n);
        return;
    }
    const int from = n.glidePitch;
    setKey(n, monoKeys[monoCount - 1]);
    if (glides(true)) n.glidePitch = n.keyPitch = from;
    deriveNote(n);
    writePitch(n);
    updateIncrements(n);
}

void FmEngine::State::releaseNote(Note &n) {
    n.held = false;
    for (Operator &o : n.ops)
        o.stage = kRelease;
    n.pitchStep = 4;
}

// §7.2: voice = max(0, key + pitch EG - $1BA8) + master tune ($100, the
// centre), in 16 bits.
void FmEngine::State::writePitch(Note &n) {
    n.voiceWord = (std::max(0, n.keyPitch + n.pitchLevel - 0x1BA8) + 0x100) & 0xFFFF;
}

// PITCH_EG_PROCESS (§6.3).
void FmEngine::State::stepPitchEnvelope(Note &n) {
    if (n.pitchStep == 3 || n.pitchStep >= 5) return;
    const int seg = n.pitchStep == 4 ? 3 : n.pitchStep;
    const int target = fm::PitchEgLevel(P(param::PitchLevel1 + seg)) * 128;
    const int inc = fm::PitchEgRate(P(param::PitchRate1 + seg));
    bool reached = true;
    if (n.pitchLevel < target) {
        n.pitchLevel += inc;
        reached = (n.pitchLevel >> 8) >= (target >> 8);
    } else if (n.pitchLevel > target) {
        n.pitchLevel -= inc;
        reached = n.pitchLevel < 0 || (n.pitchLevel >> 8) <= (target >> 8);
    }
    if (reached) {
        n.pitchLevel = target;
        ++n.pitchStep;
    }
}

// §7.5: the operator's frequency from the voice word plus its own (ratio
// mode) or its own alone (fixed mode). How the EGS adds the pitch
// modulation (16384 units an octave) is not known: added at its scale, and
// not to fixed-frequency operators (chosen).
void FmEngine::State::updateIncrements(Note &n) {
    const double voice = n.voiceWord + pitchMod / 4.0;
    const double nyquist = 0.49 * kPhaseUnit;
    for (Operator &o : n.ops) {
        const double hz = fm::WordHz(o.fixed ? o.word : voice + o.word);
        o.inc = static_cast<std::uint32_t>(std::min(hz / rate * kPhaseUnit, nyquist));
    }
}

// HANDLER_OCF (§0.4, §5): LFO delay and fade, phase and wave, the pitch and
// amplitude modulation registers; the voice pitch registers of 8 voices;
// every second tick the pitch envelopes.
void FmEngine::State::tick() {
    const int delayInc = fm::LfoDelayIncrement(P(param::LfoDelay));
    if (!delayOver) {
        delayAcc += delayInc;
        if (delayAcc >= 0x10000) {
            delayAcc = 0xFFFF;
            delayOver = true;
        }
    }
    if (delayOver) fade = std::min(255, fade + std::max(1, delayInc >> 8));

    const int wave = P(param::LfoWave);
    const int before = lfoPhase;
    lfoPhase = (lfoPhase + fm::LfoIncrement(P(param::LfoSpeed))) & 0xFFFF;
    if (wave == 5 && before < 0x8000 && lfoPhase >= 0x8000) lfoRandom = fm::LfoNextRandom(lfoRandom);
    const int s = fm::LfoWave(wave, lfoPhase, lfoRandom);
    lfoValue = s;

    // MOD_PROCESS_INPUT_SOURCES: wheel, foot, breath and aftertouch, each
    // scaled by its range, summed per assign (§5.6, §5.7).
    int toPitch = 0, toAmp = 0, biasRange = 0, biasInput = 0;
    for (int i = 0; i < 4; ++i) {
        const int number = static_cast<int>(FunctionParam::WheelRange) + 2 * i;
        const int range = fm::ScaleValue(function.get(number));
        const int assign = function.get(number + 1);
        const int scaled = (range * inputs[i]) >> 8;
        if (assign & 1) toPitch += scaled;
        if (assign & 2) toAmp += scaled;
        if (assign & 4) {
            biasRange += range;
            biasInput += scaled;
        }
    }
    const int bias =
        biasRange == 0 ? 0 : 255 - std::min(255, std::min(255, biasInput) + 255 - std::min(255, biasRange));
    // MOD_PITCH_LOAD_TO_EGS (§5.6), with the bend.
    const int depth =
        std::min(255, std::min(255, toPitch) + ((fade * fm::ScaleValue(P(param::LfoPmd))) >> 8));
    const int sens = fm::PitchModSensitivity(P(param::PitchModSens));
    const int q = s < 0 ? -((-s * sens) >> 8) : (s * sens) >> 8;
    pitchMod = ((q * depth) >> 1) + bend;
    // MOD_AMP_LOAD_TO_EGS (§5.7), with the EG bias.
    const int m = std::min(255, ((fade * fm::ScaleValue(P(param::LfoAmd))) >> 8) + toAmp);
    const int a = std::min(255, (((127 - s) * std::min(m, 255 - bias)) >> 8) + bias);
    ampMod = fm::AmpModTable(255 - a);

    const int half = static_cast<int>(ticks & 1) * 8;
    for (int v = half; v < half + 8; ++v)
        if (notes[v].active) {
            glide(notes[v]);
            writePitch(notes[v]);
        }
    if ((ticks & 1) == 0)
        for (Note &n : notes)
            if (n.active) stepPitchEnvelope(n);
    for (Note &n : notes)
        if (n.active) updateIncrements(n);
    ++ticks;
}

// The envelopes over one block. Decays fall at a constant speed in the log
// domain (straight lines in dB); attacks rise as a parabola in linear
// amplitude (§2.4), a = 1 - (1 - x)^2 with x moving at a constant speed.
void FmEngine::State::updateBlock(Note &n, int frames) {
    const double dt = frames / rate;
    bool canEnd = !n.held;
    for (int i = 0; i < kOperatorCount; ++i) {
        Operator &o = n.ops[i];
        const int seg = Segment(o.stage);
        const double target = o.levels[seg];
        bool reached = o.env == target;
        if (o.env > target) {
            const double a = std::exp2(-o.env / 1024.0);
            const double x = 1.0 - std::sqrt(std::max(0.0, 1.0 - a)) + o.attackPerSecond[seg] * dt;
            o.env = x >= 1.0 ? 0.0 : -1024.0 * std::log2(1.0 - (1.0 - x) * (1.0 - x));
            reached = o.env <= target;
        } else if (o.env < target) {
            o.env += o.decayPerSecond[seg] * dt;
            reached = o.env >= target;
        }
        if (reached) {
            o.env = target;
            if (o.stage != kSustain && o.stage != kDone)
                o.stage = o.stage == kRelease ? kDone : static_cast<Stage>(o.stage + 1);
        }
        o.att = o.nextAtt;
        const bool on = (switches >> (kOperatorCount - 1 - i)) & 1;
        const int am = ampMod * o.amShare / 2; // register units of 1/32 octave
        const int envelope = static_cast<int>(o.env) / kEnvelopeQuantum * kEnvelopeQuantum;
        o.nextAtt = on ? std::min(kSilence, envelope + o.reg * fm::kRegisterUnit + am) : kSilence;
        // A carrier that is silent and can only get quieter ends the note.
        if (carrier[i]) {
            const bool quieting = o.stage == kDone || (o.stage == kRelease && o.env <= o.levels[3]);
            const bool silentAtRest = o.levels[3] + o.reg * fm::kRegisterUnit >= kSilence;
            canEnd = canEnd && o.att >= kSilence && o.nextAtt >= kSilence && quieting && silentAtRest;
        }
    }
    if (canEnd) n.active = false;
}

inline std::uint32_t Feedback(const std::int32_t *fb, int mul, int shift) {
    return static_cast<std::uint32_t>(((fb[0] + fb[1]) * mul) >> shift);
}

// The notes are rendered a few at a time. The operators run from 6 down to
// 1: every modulation in the table goes from a higher number to a lower one,
// so a modulator's block is ready before the operators it feeds, and each
// operator runs a whole block in one tight loop. An operator with feedback
// on itself depends on its own last samples; its loop steps the notes of
// the batch side by side, so the processor overlaps their chains. A loop
// through several operators (4 -> 6, 5 -> 6) runs those operators sample
// by sample in renderLoopOperators, the rest block-wise.
void FmEngine::State::renderBatch(Note *const *batch, int count, float *out, int frames) {
    alignas(16) std::int32_t input[kBatch][kOperatorCount][kBlock];
    alignas(16) std::int32_t y[kBatch][kBlock];
    alignas(16) std::int32_t sum[kBatch][kBlock];
    for (int j = 0; j < count; ++j) {
        std::fill_n(sum[j], frames, 0);
        for (int i = 0; i < kOperatorCount; ++i)
            std::fill_n(input[j][i], frames, 0);
    }
    const bool feedback = fbMul != 0;
    int top = kOperatorCount - 1; // the first operator run block-wise
    if (fbFrom != fbTo && feedback) {
        const int lowest = std::min(fbFrom, fbTo);
        renderLoopOperators(batch, count, lowest, input, sum, frames);
        top = lowest - 1;
    }
    // Attenuation ramps in 1/256 units across the block.
    const auto ramp = [frames](const Operator &o) { return ((o.nextAtt - o.att) * 256) / frames; };
    const std::uint32_t frameCount = static_cast<std::uint32_t>(frames);
    for (int i = top; i >= 0; --i) {
        bool sounding[kBatch] = {};
        if (i == fbTo && feedback) {
            // Side by side: the feedback chains of up to kBatch notes.
            std::uint32_t phase[kBatch], inc[kBatch];
            std::int32_t att[kBatch], step[kBatch], fb[kBatch][2];
            const std::int32_t *in[kBatch];
            std::int32_t *dst[kBatch];
            Note *live[kBatch];
            int n = 0;
            for (int j = 0; j < count; ++j) {
                Operator &o = batch[j]->ops[i];
                if (o.att >= kSilence && o.nextAtt >= kSilence) {
                    o.phase += o.inc * frameCount;
                    batch[j]->fb[0] = batch[j]->fb[1] = 0;
                    continue;
                }
                sounding[j] = true;
                phase[n] = o.phase;
                inc[n] = o.inc;
                att[n] = o.att * 256;
                step[n] = ramp(o);
                fb[n][0] = batch[j]->fb[0];
                fb[n][1] = batch[j]->fb[1];
                in[n] = input[j][i];
                dst[n] = y[j];
                live[n++] = batch[j];
            }
            const int mul = fbMul, shift = fbShift;
            for (int f = 0; f < frames; ++f) {
                for (int k = 0; k < n; ++k) {
                    phase[k] += inc[k];
                    const std::uint32_t p = phase[k] + (static_cast<std::uint32_t>(in[k][f]) << kModShift) +
                                            Feedback(fb[k], mul, shift);
                    const std::int32_t v = OperatorOutput(p, (att[k] >> 8) & ~(kEnvelopeQuantum - 1));
                    att[k] += step[k];
                    fb[k][1] = fb[k][0];
                    fb[k][0] = v;
                    dst[k][f] = v;
                }
            }
            for (int k = 0; k < n; ++k) {
                live[k]->ops[i].phase = phase[k];
                live[k]->fb[0] = fb[k][0];
                live[k]->fb[1] = fb[k][1];
            }
        } else {
            for (int j = 0; j < count; ++j) {
                Operator &o = batch[j]->ops[i];
                if (o.att >= kSilence && o.nextAtt >= kSilence) {
                    // Silent: the oscillator keeps running, nothing is heard or fed on.
                    o.phase += o.inc * frameCount;
                    continue;
                }
                sounding[j] = true;
                const std::uint32_t inc = o.inc;
                std::uint32_t phase = o.phase;
                std::int32_t att = o.att * 256;
                const std::int32_t step = ramp(o);
                const std::int32_t *in = input[j][i];
                std::int32_t *dst = y[j];
                for (int f = 0; f < frames; ++f) {
                    phase += inc;
                    dst[f] = OperatorOutput(phase + (static_cast<std::uint32_t>(in[f]) << kModShift),
                                            (att >> 8) & ~(kEnvelopeQuantum - 1));
                    att += step;
                }
                o.phase = phase;
            }
        }
        for (int j = 0; j < count; ++j) {
            if (!sounding[j]) continue;
            const std::int32_t *src = y[j];
            for (int t = 0; t < targetCount[i]; ++t) {
                std::int32_t *d = input[j][targets[i][t]];
                for (int f = 0; f < frames; ++f)
                    d[f] += src[f];
            }
            if (carrier[i])
                for (int f = 0; f < frames; ++f)
                    sum[j][f] += src[f];
        }
    }
    for (int j = 0; j < count; ++j)
        for (int f = 0; f < frames; ++f)
            out[f] += static_cast<float>(sum[j][f]) * kOutScale;
}

// Operators `lowest`..6 (index) sample by sample, the notes side by side:
// they form the loop, each sample of each needing the one before. Their
// outputs go into the inputs of the operators they feed and into the sum.
void FmEngine::State::renderLoopOperators(Note *const *batch, int count, int lowest,
                                          std::int32_t (*input)[kOperatorCount][kBlock],
                                          std::int32_t (*sum)[kBlock], int frames) {
    std::int32_t att[kBatch][kOperatorCount], step[kBatch][kOperatorCount], fb[kBatch][2];
    std::uint32_t phase[kBatch][kOperatorCount], inc[kBatch][kOperatorCount];
    for (int j = 0; j < count; ++j) {
        for (int i = lowest; i < kOperatorCount; ++i) {
            const Operator &o = batch[j]->ops[i];
            att[j][i] = o.att * 256;
            step[j][i] = ((o.nextAtt - o.att) * 256) / frames;
            phase[j][i] = o.phase;
            inc[j][i] = o.inc;
        }
        fb[j][0] = batch[j]->fb[0];
        fb[j][1] = batch[j]->fb[1];
    }
    const int from = fbFrom, to = fbTo, mul = fbMul, shift = fbShift;
    // The routing as locals: the stores into the buffers below cannot then
    // be taken for stores into it.
    int fanOut[kOperatorCount], route[kOperatorCount][kOperatorCount];
    bool heard[kOperatorCount];
    for (int i = lowest; i < kOperatorCount; ++i) {
        fanOut[i] = targetCount[i];
        heard[i] = carrier[i];
        for (int t = 0; t < fanOut[i]; ++t)
            route[i][t] = targets[i][t];
    }
    for (int f = 0; f < frames; ++f) {
        for (int j = 0; j < count; ++j) {
            for (int i = kOperatorCount - 1; i >= lowest; --i) {
                phase[j][i] += inc[j][i];
                std::uint32_t p = phase[j][i] + (static_cast<std::uint32_t>(input[j][i][f]) << kModShift);
                if (i == to) p += Feedback(fb[j], mul, shift);
                const std::int32_t v = OperatorOutput(p, (att[j][i] >> 8) & ~(kEnvelopeQuantum - 1));
                att[j][i] += step[j][i];
                if (i == from) {
                    fb[j][1] = fb[j][0];
                    fb[j][0] = v;
                }
                for (int t = 0; t < fanOut[i]; ++t)
                    input[j][route[i][t]][f] += v;
                if (heard[i]) sum[j][f] += v;
            }
        }
    }
    for (int j = 0; j < count; ++j) {
        batch[j]->fb[0] = fb[j][0];
        batch[j]->fb[1] = fb[j][1];
        for (int i = lowest; i < kOperatorCount; ++i)
            batch[j]->ops[i].phase = phase[j][i];
    }
}

FmEngine::FmEngine(double sampleRate) : state_(new State) {
    state_->rate = sampleRate > 0 ? sampleRate : kDefaultSampleRate;
    const Slot init = InitialVoice();
    std::copy_n(init.begin() + static_cast<std::ptrdiff_t>(kParamBase), kParamCount, state_->params.begin());
    state_->deriveVoice();
}

FmEngine::~FmEngine() { delete state_; }

void FmEngine::setSampleRate(double sampleRate) {
    allSoundOff();
    state_->rate = sampleRate > 0 ? sampleRate : kDefaultSampleRate;
    state_->samplesToTick = 0;
    state_->deriveVoice();
}

double FmEngine::sampleRate() const { return state_->rate; }

// PATCH_ACTIVATE (§9.4, §2.5): a new voice silences every note first.
void FmEngine::setVoice(std::span<const Byte, kParamCount> params) {
    std::copy(params.begin(), params.end(), state_->params.begin());
    allSoundOff();
    state_->deriveVoice();
}

void FmEngine::setParameter(int parameter, int value) {
    if (parameter == kOperatorSwitchParam) {
        state_->switches = static_cast<Byte>(value & 0x3F);
    } else if (parameter >= 0 && parameter < static_cast<int>(kParamCount)) {
        // Kept as the byte the instrument would be sent; read through ParamValueInRange.
        state_->params[static_cast<std::size_t>(parameter)] = static_cast<Byte>(value & 0xFF);
    } else {
        return;
    }
    state_->deriveVoice();
    for (Note &n : state_->notes)
        if (n.active) {
            state_->deriveNote(n);
            state_->updateIncrements(n);
        }
}

void FmEngine::setFunction(int number, int value) {
    State &s = *state_;
    const bool wasMono = s.mono();
    if (!s.function.set(number, std::clamp(value, 0, std::max(0, FunctionParamMax(number))))) return;
    if (s.mono() != wasMono) allSoundOff();
    if (number == static_cast<int>(FunctionParam::BendRange) ||
        number == static_cast<int>(FunctionParam::BendStep))
        pitchBend(s.bendMsb); // the wheel where it is, at the new range
}

const FunctionSettings &FmEngine::functionSettings() const { return state_->function; }

void FmEngine::pitchBend(int msb) {
    State &s = *state_;
    s.bendMsb = std::clamp(msb, 0, 127);
    s.bend = fm::PitchBendValue(s.bendMsb, s.F(FunctionParam::BendRange), s.F(FunctionParam::BendStep));
}

void FmEngine::controller(int control, int value) {
    State &s = *state_;
    const int input = 2 * std::clamp(value, 0, 127); // the receive code doubles the data byte
    switch (control) {
    case 1:
        s.inputs[0] = input;
        break;
    case 4:
        s.inputs[1] = input;
        break;
    case 2:
        s.inputs[2] = input;
        break;
    case 65:
        s.portamentoSwitch = value >= 64;
        break;
    default:
        break;
    }
}

void FmEngine::aftertouch(int value) { state_->inputs[3] = 2 * std::clamp(value, 0, 127); }

const VoiceParams &FmEngine::voice() const { return state_->params; }
Byte FmEngine::operatorSwitches() const { return state_->switches; }

// VOICE_ADD_POLY (§9.2): the first voice from the search index on whose key
// is up, sounding or not; with all 16 keys down the note is dropped.
void FmEngine::noteOn(int note, int velocity) {
    if (velocity <= 0) {
        noteOff(note);
        return;
    }
    State &s = *state_;
    if (s.mono()) {
        s.monoOn(std::clamp(note, 0, 127), std::clamp(velocity, 1, 127));
        return;
    }
    Note *slot = nullptr;
    for (int k = 0; k < kPolyphony && !slot; ++k) {
        const int v = (s.search + k) % kPolyphony;
        if (!s.notes[v].held) {
            slot = &s.notes[v];
            s.search = (v + 1) % kPolyphony;
        }
    }
    if (!slot) return;
    // LFO delay and fade restart with every note when there is a delay;
    // key sync sets the phase (both global, §5.3, §5.4).
    if (s.P(param::LfoDelay) != 0) {
        s.delayAcc = 0;
        s.delayOver = false;
        s.fade = 0;
    }
    if (s.P(param::LfoKeySync) == 1) s.lfoPhase = 0x7FFF;
    s.startNote(*slot, std::clamp(note, 0, 127), std::clamp(velocity, 1, 127));
    // "Follow": the notes whose keys are up glide to the new key too.
    if (s.F(FunctionParam::PortaMode) == 1 && s.glides(false))
        for (Note &n : s.notes)
            if (n.active && !n.held) n.targetPitch = slot->targetPitch;
}

// VOICE_REMOVE (§9.2): the lowest voice holding this key.
void FmEngine::noteOff(int note) {
    if (state_->mono()) {
        state_->monoOff(note);
        return;
    }
    for (Note &n : state_->notes)
        if (n.active && n.held && n.key == note) {
            state_->releaseNote(n);
            return;
        }
}

void FmEngine::allNotesOff() {
    state_->monoCount = 0;
    for (Note &n : state_->notes)
        if (n.active && n.held) state_->releaseNote(n);
}

void FmEngine::allSoundOff() {
    state_->monoCount = 0;
    for (Note &n : state_->notes) {
        n.active = false;
        n.held = false;
        for (Operator &o : n.ops) {
            o.env = kEnvelopeFloor;
            o.att = o.nextAtt = kSilence;
            o.stage = kDone;
        }
    }
}

int FmEngine::soundingNotes() const {
    int count = 0;
    for (const Note &n : state_->notes)
        count += n.active ? 1 : 0;
    return count;
}

// Soft limit (the instrument's analog sum of 16 voice outputs has no
// published clip point): unchanged up to half of full scale, then bent
// smoothly towards full scale, which it never passes.
inline float SoftLimit(float x) {
    const float m = std::abs(x);
    if (m <= kLimitKnee) return x;
    const float bent = kLimitKnee + (1.0f - kLimitKnee) * std::tanh((m - kLimitKnee) / (1.0f - kLimitKnee));
    return std::copysign(std::min(bent, kLimitTop), x);
}

void FmEngine::render(float *out, std::size_t frames) {
    State &s = *state_;
    std::fill_n(out, frames, 0.0f);
    float *const start = out;
    const std::size_t total = frames;
    const double samplesPerTick = s.rate / fm::kTickHz;
    while (frames > 0) {
        if (s.samplesToTick <= 0) {
            s.tick();
            s.samplesToTick += samplesPerTick;
        }
        const int untilTick = static_cast<int>(std::ceil(s.samplesToTick));
        const int block = static_cast<int>(std::min<std::size_t>(frames, std::min(kBlock, untilTick)));
        Note *batch[kBatch];
        int count = 0;
        for (Note &n : s.notes) {
            if (!n.active) continue;
            s.updateBlock(n, block); // may end the note: this block still fades it
            batch[count++] = &n;
            if (count == kBatch) {
                s.renderBatch(batch, count, out, block);
                count = 0;
            }
        }
        if (count > 0) s.renderBatch(batch, count, out, block);
        s.samplesToTick -= block;
        s.clock += static_cast<std::uint64_t>(block);
        out += block;
        frames -= static_cast<std::size_t>(block);
    }
    const double pole = s.dcPole;
    for (std::size_t f = 0; f < total; ++f) {
        const double x = start[f];
        s.dcOut = x - s.dcIn + pole * s.dcOut;
        s.dcIn = x;
        start[f] = SoftLimit(static_cast<float>(s.dcOut));
    }
    if (std::abs(s.dcOut) < 1e-30) s.dcOut = 0; // no denormals in the silence after a note
}

} // namespace vox
