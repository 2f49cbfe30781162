#include "synth/fm_engine.h"

#include "synth/fm_tables.h"
#include "voice/algorithms.h"
#include "voice/init_voice.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vox {

namespace {

// Envelopes, the pitch envelope and the LFO move once per block; gains are
// interpolated across it and pitch steps at its edge (0.67 ms at 48 kHz).
constexpr int kBlock = 32;
// Notes rendered side by side (see renderBatch).
constexpr int kBatch = 4;

constexpr int kSineBits = 11;
constexpr int kSineSize = 1 << kSineBits;
constexpr int kFracBits = 32 - kSineBits;
constexpr float kFracScale = 1.0f / static_cast<float>(1u << kFracBits);

// Phases are 32-bit fractions of a cycle.
constexpr double kPhaseUnit = 4294967296.0;

const double kEnvelopeFloor = fm::LevelSteps(0);

enum Stage : std::uint8_t { kToL1, kToL2, kToL3, kSustain, kRelease, kDone };
// The rate and level (0..3) a stage moves with.
constexpr int Segment(Stage s) { return s <= kToL3 ? s : s == kSustain ? 2 : 3; }

struct Operator {
    std::uint32_t phase = 0;
    std::uint32_t inc = 0;
    Stage stage = kDone;
    double level = 0;   // envelope, in level steps (fm::LevelSteps)
    float gain = 0;     // at the end of the last block
    float nextGain = 0; // at the end of this block
    // Derived from the voice and the note:
    bool off = true;        // output level 0 or switched off
    double levelSteps = 0;  // output level + scaling - velocity, at most 99
    double speed[4] = {};   // steps per second of each stage
    double targets[4] = {}; // level steps of L1..L4
    double baseHz = 0;      // before the pitch envelope and LFO
    bool fixed = false;     // fixed-frequency: not moved by pitch
    double amSteps = 0;     // peak attenuation the LFO can apply
};

struct Note {
    bool active = false;
    bool held = false;
    int note = 60;
    int velocity = 100;
    std::uint64_t age = 0;
    Operator ops[kOperatorCount]; // index = operator number - 1
    Stage pitchStage = kDone;
    double pitch = 0; // octaves
    float fb[2] = {0, 0};
};

// One sine cycle and a guard point, filled before main() runs, so no engine
// on any thread ever writes it.
struct SineTable {
    float v[kSineSize + 1];
    SineTable() {
        for (int i = 0; i <= kSineSize; ++i)
            v[i] = static_cast<float>(std::sin(2.0 * fm::kPi * i / kSineSize));
    }
};
const SineTable gSineTable;
const float *const gSine = gSineTable.v;

inline float Sine(std::uint32_t phase) {
    const std::uint32_t i = phase >> kFracBits;
    const float frac =
        static_cast<float>(static_cast<std::int32_t>(phase & ((1u << kFracBits) - 1))) * kFracScale;
    return gSine[i] + (gSine[i + 1] - gSine[i]) * frac;
}

} // namespace

struct FmEngine::State {
    double rate = kDefaultSampleRate;
    VoiceParams params{};
    Byte switches = 0x3F;
    Note notes[kPolyphony];
    std::uint64_t clock = 0;

    // Derived from the voice.
    const AlgorithmInfo *alg = &kAlgorithms[0];
    int targets[kOperatorCount][kOperatorCount] = {};
    int targetCount[kOperatorCount] = {};
    bool carrier[kOperatorCount] = {};
    float carrierScale = 1.0f;
    int fbFrom = 5, fbTo = 5;
    float fbScale = 0; // phase units per unit of the two-sample sum

    // LFO, one for all notes as on the instrument.
    double lfoPhase = 0;     // cycles
    double lfoElapsed = 1e9; // seconds since the delay started
    float lfoHold = 0;       // sample & hold value
    double lfoFade = 1.0;    // 0 during the delay, rising to 1 after it
    std::uint32_t noise = 0x12345678u;

    int P(int p) const { return ParamValueInRange(p, params[static_cast<std::size_t>(p)]); }
    int Op(int op, OpParam k) const { return P(OpParamNumber(op, k)); }

    void deriveVoice();
    void deriveNote(Note &n);
    void startNote(Note &n, int note, int velocity);
    void releaseNote(Note &n);
    void updateBlock(Note &n, double lfoValue, double lfoPitch, int frames);
    void renderBatch(Note *const *batch, int count, float *out, int frames);
    void renderLoopOperators(Note *const *batch, int count, int lowest,
                             float (*input)[kOperatorCount][kBlock], float *sum, int frames);
    double lfoStep(int frames);
};

void FmEngine::State::deriveVoice() {
    alg = &AlgorithmOf(P(param::Algorithm) + 1);
    int carriers = 0;
    for (int i = 0; i < kOperatorCount; ++i) {
        targetCount[i] = 0;
        carrier[i] = alg->isCarrier(i + 1);
        carriers += carrier[i] ? 1 : 0;
    }
    for (const Modulation &m : alg->mods()) {
        const int from = m.from - 1;
        targets[from][targetCount[from]++] = m.to - 1;
    }
    // Each note is scaled by its number of carriers and by the polyphony,
    // so 16 notes of six full carriers still stay within -1..1.
    carrierScale = 1.0f / static_cast<float>(std::max(carriers, 1) * kPolyphony);
    fbFrom = alg->feedbackFrom - 1;
    fbTo = alg->feedbackTo - 1;
    // Output in -1..1 is `index` radians; the two-sample sum is halved.
    fbScale = static_cast<float>(fm::FeedbackIndex(P(param::Feedback)) / (2.0 * fm::kPi) * kPhaseUnit * 0.5);
}

void FmEngine::State::deriveNote(Note &n) {
    const int played = n.note + P(param::Transpose) - 24;
    for (int op = 1; op <= kOperatorCount; ++op) {
        Operator &o = n.ops[op - 1];
        const int outputLevel = Op(op, OpParam::OutputLevel);
        o.off = outputLevel == 0 || !((switches >> (kOperatorCount - op)) & 1);
        const int bp = fm::BreakPointNote(Op(op, OpParam::BreakPoint));
        const int distance = n.note - bp;
        double scaling = 0;
        if (distance < 0)
            scaling = fm::KeyScalingSteps(Op(op, OpParam::LeftCurve), Op(op, OpParam::LeftDepth), distance);
        else if (distance > 0)
            scaling = fm::KeyScalingSteps(Op(op, OpParam::RightCurve), Op(op, OpParam::RightDepth), distance);
        o.levelSteps = std::min(99.0, fm::LevelSteps(outputLevel) + scaling -
                                          fm::VelocitySteps(Op(op, OpParam::KeyVelSens), n.velocity));
        const double rateOffset = fm::RateScalingOffset(Op(op, OpParam::RateScaling), n.note);
        for (int s = 0; s < 4; ++s) {
            o.speed[s] = fm::DecayStepsPerSecond(Op(op, static_cast<OpParam>(s)) + rateOffset);
            o.targets[s] = fm::LevelSteps(Op(op, static_cast<OpParam>(4 + s)));
        }
        const double detune = std::exp2(fm::DetuneCents(Op(op, OpParam::Detune)) / 1200.0);
        o.fixed = Op(op, OpParam::OscMode) == 1;
        const int coarse = Op(op, OpParam::FreqCoarse), fine = Op(op, OpParam::FreqFine);
        o.baseHz = detune * (o.fixed ? fm::FixedFrequency(coarse, fine)
                                     : fm::NoteHz(played) * fm::FrequencyRatio(coarse, fine));
        o.amSteps = fm::AmpModSteps(Op(op, OpParam::AmpModSens)) * P(param::LfoAmd) / 99.0;
    }
}

void FmEngine::State::startNote(Note &n, int note, int velocity) {
    const bool reuse = n.active; // a stolen or repeated note starts from where it is
    n.active = true;
    n.held = true;
    n.note = std::clamp(note, 0, 127);
    n.velocity = std::clamp(velocity, 1, 127);
    n.age = ++clock;
    deriveNote(n);
    const bool sync = P(param::OscKeySync) == 1;
    for (Operator &o : n.ops) {
        if (!reuse) {
            o.level = o.targets[3];
            o.gain = 0;
        }
        o.stage = kToL1;
        if (sync) o.phase = 0;
    }
    if (sync) n.fb[0] = n.fb[1] = 0;
    n.pitchStage = kToL1;
    if (!reuse) n.pitch = fm::PitchEgOctaves(P(param::PitchLevel1 + 3));
}

void FmEngine::State::releaseNote(Note &n) {
    n.held = false;
    for (Operator &o : n.ops)
        if (o.stage != kDone) o.stage = kRelease;
    n.pitchStage = kRelease;
}

double FmEngine::State::lfoStep(int frames) {
    const double dt = frames / rate;
    const double p = lfoPhase;
    double v;
    switch (P(param::LfoWave)) {
    case 0: // triangle, starting upwards from the middle
        v = p < 0.25 ? 4 * p : p < 0.75 ? 2 - 4 * p : 4 * p - 4;
        break;
    case 1: // saw down
        v = 1 - 2 * p;
        break;
    case 2: // saw up
        v = 2 * p - 1;
        break;
    case 3: // square
        v = p < 0.5 ? 1 : -1;
        break;
    case 4: // sine
        v = std::sin(2 * fm::kPi * p);
        break;
    default: // sample & hold
        v = lfoHold;
        break;
    }
    lfoPhase += fm::LfoHz(P(param::LfoSpeed)) * dt;
    if (lfoPhase >= 1.0) {
        lfoPhase -= std::floor(lfoPhase);
        noise = noise * 1664525u + 1013904223u;
        lfoHold = static_cast<float>((noise >> 8) * (2.0 / 16777216.0) - 1.0);
    }
    // The delay, then a linear fade in.
    const int delay = P(param::LfoDelay);
    double fade = 1.0;
    if (delay > 0) {
        const double wait = fm::LfoDelaySeconds(delay), ramp = fm::LfoFadeSeconds(delay);
        fade = lfoElapsed < wait ? 0.0 : std::min(1.0, (lfoElapsed - wait) / ramp);
    }
    lfoElapsed += dt;
    lfoFade = fade;
    return v;
}

void FmEngine::State::updateBlock(Note &n, double lfoValue, double lfoPitch, int frames) {
    const double dt = frames / rate;
    // The pitch envelope moves linearly in octaves.
    {
        const int seg = Segment(n.pitchStage);
        const double target = fm::PitchEgOctaves(P(param::PitchLevel1 + seg));
        const double step = fm::PitchEgOctavesPerSecond(P(param::PitchRate1 + seg)) * dt;
        if (std::abs(target - n.pitch) <= step) {
            n.pitch = target;
            if (n.pitchStage != kSustain && n.pitchStage != kDone)
                n.pitchStage = n.pitchStage == kRelease ? kDone : static_cast<Stage>(n.pitchStage + 1);
        } else {
            n.pitch += target > n.pitch ? step : -step;
        }
    }
    const double pitchFactor = std::exp2(n.pitch + lfoPitch);
    const double amUnipolar = lfoFade * 0.5 * (1.0 + lfoValue);
    bool audible = false;
    for (int i = 0; i < kOperatorCount; ++i) {
        Operator &o = n.ops[i];
        // Sustain holds L3 and the end holds L4; if either is edited while
        // the note sounds, the level moves to the new value at that rate.
        const int seg = Segment(o.stage);
        const double target = o.targets[seg];
        if (o.level != target) {
            bool reached;
            if (target > o.level) {
                // Attack: the distance to a knee above the top shrinks exponentially.
                const double top = 99.0 + fm::kAttackKnee;
                o.level = top - (top - o.level) * std::exp(-o.speed[seg] * dt / fm::kAttackKnee);
                reached = o.level >= target;
            } else {
                o.level -= o.speed[seg] * dt;
                reached = o.level <= target;
            }
            if (reached) o.level = target;
        }
        if (o.level == target && o.stage != kSustain && o.stage != kDone)
            o.stage = o.stage == kRelease ? kDone : static_cast<Stage>(o.stage + 1);
        const double hz = o.fixed ? o.baseHz : o.baseHz * pitchFactor;
        o.inc = static_cast<std::uint32_t>(std::min(hz / rate, 0.49) * kPhaseUnit);
        o.nextGain = 0;
        // Envelope level 0 is silence, whatever the output level.
        if (!o.off && o.level > kEnvelopeFloor) {
            const double steps = (99.0 - o.level) + (99.0 - o.levelSteps) + o.amSteps * amUnipolar;
            o.nextGain = static_cast<float>(fm::GainOfSteps(steps));
        }
        if (carrier[i] && (o.nextGain > 0 || o.gain > 0)) audible = true;
    }
    if (!n.held && !audible) {
        bool allReleased = true;
        for (const Operator &o : n.ops)
            allReleased = allReleased && (o.stage == kRelease || o.stage == kDone);
        if (allReleased) n.active = false;
    }
}

// Phase units a modulator's output 1.0 moves its target by: the full index.
constexpr float kModScale = static_cast<float>(fm::kMaxModulationIndex / (2.0 * fm::kPi) * kPhaseUnit);

inline std::uint32_t PhaseOffset(float input) {
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(input));
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
    alignas(16) float input[kBatch][kOperatorCount][kBlock];
    alignas(16) float y[kBatch][kBlock];
    alignas(16) float sum[kBlock] = {};
    for (int j = 0; j < count; ++j)
        for (int i = 0; i < kOperatorCount; ++i)
            std::fill_n(input[j][i], frames, 0.0f);
    int top = kOperatorCount - 1; // the first operator run block-wise
    if (fbFrom != fbTo && fbScale != 0) {
        const int lowest = std::min(fbFrom, fbTo);
        renderLoopOperators(batch, count, lowest, input, sum, frames);
        top = lowest - 1;
    }
    const float perFrame = 1.0f / static_cast<float>(frames);
    for (int i = top; i >= 0; --i) {
        bool sounding[kBatch] = {};
        if (i == fbTo && fbScale != 0) {
            // Side by side: the feedback chains of up to kBatch notes.
            std::uint32_t phase[kBatch], inc[kBatch];
            float gain[kBatch], step[kBatch], fb0[kBatch], fb1[kBatch];
            const float *in[kBatch];
            float *dst[kBatch];
            int live = 0;
            Note *liveNotes[kBatch];
            for (int j = 0; j < count; ++j) {
                Operator &o = batch[j]->ops[i];
                if (o.gain == 0 && o.nextGain == 0) {
                    o.phase += o.inc * static_cast<std::uint32_t>(frames);
                    batch[j]->fb[0] = batch[j]->fb[1] = 0;
                    continue;
                }
                sounding[j] = true;
                phase[live] = o.phase;
                inc[live] = o.inc;
                gain[live] = o.gain;
                step[live] = (o.nextGain - o.gain) * perFrame;
                fb0[live] = batch[j]->fb[0];
                fb1[live] = batch[j]->fb[1];
                in[live] = input[j][i];
                dst[live] = y[j];
                liveNotes[live++] = batch[j];
            }
            const float fbs = fbScale;
            for (int f = 0; f < frames; ++f) {
                for (int k = 0; k < live; ++k) {
                    phase[k] += inc[k];
                    gain[k] += step[k];
                    const float v =
                        Sine(phase[k] + PhaseOffset(in[k][f] * kModScale + (fb0[k] + fb1[k]) * fbs)) *
                        gain[k];
                    fb1[k] = fb0[k];
                    fb0[k] = v;
                    dst[k][f] = v;
                }
            }
            for (int k = 0; k < live; ++k) {
                liveNotes[k]->ops[i].phase = phase[k];
                liveNotes[k]->fb[0] = fb0[k];
                liveNotes[k]->fb[1] = fb1[k];
            }
        } else {
            for (int j = 0; j < count; ++j) {
                Operator &o = batch[j]->ops[i];
                if (o.gain == 0 && o.nextGain == 0) {
                    // Silent: the oscillator keeps running, nothing is heard or fed on.
                    o.phase += o.inc * static_cast<std::uint32_t>(frames);
                    continue;
                }
                sounding[j] = true;
                const std::uint32_t inc = o.inc;
                std::uint32_t phase = o.phase;
                float gain = o.gain;
                const float step = (o.nextGain - o.gain) * perFrame;
                const float *in = input[j][i];
                float *out1 = y[j];
                for (int f = 0; f < frames; ++f) {
                    phase += inc;
                    gain += step;
                    out1[f] = Sine(phase + PhaseOffset(in[f] * kModScale)) * gain;
                }
                o.phase = phase;
            }
        }
        for (int j = 0; j < count; ++j) {
            if (!sounding[j]) continue;
            const float *src = y[j];
            for (int t = 0; t < targetCount[i]; ++t) {
                float *d = input[j][targets[i][t]];
                for (int f = 0; f < frames; ++f)
                    d[f] += src[f];
            }
            if (carrier[i])
                for (int f = 0; f < frames; ++f)
                    sum[f] += src[f];
        }
    }
    for (int j = 0; j < count; ++j)
        for (Operator &o : batch[j]->ops)
            o.gain = o.nextGain;
    const float scale = carrierScale;
    for (int f = 0; f < frames; ++f)
        out[f] += sum[f] * scale;
}

// Operators `lowest`..6 (index) sample by sample, the notes side by side:
// they form the loop, each sample of each needing the one before. Their
// outputs go into the inputs of the operators they feed and into the sum.
void FmEngine::State::renderLoopOperators(Note *const *batch, int count, int lowest,
                                          float (*input)[kOperatorCount][kBlock], float *sum, int frames) {
    float gain[kBatch][kOperatorCount], step[kBatch][kOperatorCount], fb[kBatch][2];
    std::uint32_t phase[kBatch][kOperatorCount], inc[kBatch][kOperatorCount];
    const float perFrame = 1.0f / static_cast<float>(frames);
    for (int j = 0; j < count; ++j) {
        for (int i = lowest; i < kOperatorCount; ++i) {
            const Operator &o = batch[j]->ops[i];
            gain[j][i] = o.gain;
            step[j][i] = (o.nextGain - o.gain) * perFrame;
            phase[j][i] = o.phase;
            inc[j][i] = o.inc;
        }
        fb[j][0] = batch[j]->fb[0];
        fb[j][1] = batch[j]->fb[1];
    }
    const int from = fbFrom, to = fbTo;
    const float fbs = fbScale;
    for (int f = 0; f < frames; ++f) {
        for (int j = 0; j < count; ++j) {
            for (int i = kOperatorCount - 1; i >= lowest; --i) {
                float in = input[j][i][f] * kModScale;
                if (i == to) in += (fb[j][0] + fb[j][1]) * fbs;
                phase[j][i] += inc[j][i];
                gain[j][i] += step[j][i];
                const float v = Sine(phase[j][i] + PhaseOffset(in)) * gain[j][i];
                if (i == from) {
                    fb[j][1] = fb[j][0];
                    fb[j][0] = v;
                }
                for (int t = 0; t < targetCount[i]; ++t)
                    input[j][targets[i][t]][f] += v;
                if (carrier[i]) sum[f] += v;
            }
        }
    }
    for (int j = 0; j < count; ++j) {
        batch[j]->fb[0] = fb[j][0];
        batch[j]->fb[1] = fb[j][1];
        for (int i = lowest; i < kOperatorCount; ++i) {
            batch[j]->ops[i].gain = batch[j]->ops[i].nextGain;
            batch[j]->ops[i].phase = phase[j][i];
        }
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
}

double FmEngine::sampleRate() const { return state_->rate; }

void FmEngine::setVoice(std::span<const Byte, kParamCount> params) {
    std::copy(params.begin(), params.end(), state_->params.begin());
    state_->deriveVoice();
    for (Note &n : state_->notes)
        if (n.active) state_->deriveNote(n);
}

void FmEngine::setParameter(int parameter, int value) {
    if (parameter == 155) {
        state_->switches = static_cast<Byte>(value & 0x3F);
    } else if (parameter >= 0 && parameter < static_cast<int>(kParamCount)) {
        // Kept as the byte the instrument would be sent; read through ParamValueInRange.
        state_->params[static_cast<std::size_t>(parameter)] = static_cast<Byte>(value & 0xFF);
    } else {
        return;
    }
    state_->deriveVoice();
    for (Note &n : state_->notes)
        if (n.active) state_->deriveNote(n);
}

const VoiceParams &FmEngine::voice() const { return state_->params; }
Byte FmEngine::operatorSwitches() const { return state_->switches; }

void FmEngine::noteOn(int note, int velocity) {
    if (velocity <= 0) {
        noteOff(note);
        return;
    }
    State &s = *state_;
    Note *slot = nullptr;
    for (Note &n : s.notes)
        if (n.active && n.note == note) slot = &n;
    if (!slot)
        for (Note &n : s.notes)
            if (!n.active) {
                slot = &n;
                break;
            }
    if (!slot) {
        slot = &s.notes[0];
        for (Note &n : s.notes)
            if (n.age < slot->age) slot = &n;
    }
    // LFO key sync restarts the wave; the delay restarts when no other key is down.
    bool anyHeld = false;
    for (const Note &n : s.notes)
        anyHeld = anyHeld || (n.active && n.held);
    if (s.P(param::LfoKeySync) == 1) s.lfoPhase = 0;
    if (!anyHeld) s.lfoElapsed = 0;
    s.startNote(*slot, note, velocity);
}

void FmEngine::noteOff(int note) {
    for (Note &n : state_->notes)
        if (n.active && n.held && n.note == note) state_->releaseNote(n);
}

void FmEngine::allNotesOff() {
    for (Note &n : state_->notes)
        if (n.active && n.held) state_->releaseNote(n);
}

void FmEngine::allSoundOff() {
    for (Note &n : state_->notes) {
        n.active = false;
        n.held = false;
    }
}

int FmEngine::soundingNotes() const {
    int count = 0;
    for (const Note &n : state_->notes)
        count += n.active ? 1 : 0;
    return count;
}

void FmEngine::render(float *out, std::size_t frames) {
    State &s = *state_;
    std::fill_n(out, frames, 0.0f);
    while (frames > 0) {
        const int block = static_cast<int>(std::min<std::size_t>(frames, kBlock));
        const double lfo = s.lfoStep(block);
        const double pitch =
            lfo * s.lfoFade * fm::PitchModOctaves(s.P(param::PitchModSens)) * s.P(param::LfoPmd) / 99.0;
        Note *batch[kBatch];
        int count = 0;
        for (Note &n : s.notes) {
            if (!n.active) continue;
            s.updateBlock(n, lfo, pitch, block); // may end the note: this block still fades it
            batch[count++] = &n;
            if (count == kBatch) {
                s.renderBatch(batch, count, out, block);
                count = 0;
            }
        }
        if (count > 0) s.renderBatch(batch, count, out, block);
        // The scaling keeps the mix within -1..1; this only catches the
        // rounding of the gain ramps.
        for (int f = 0; f < block; ++f)
            out[f] = std::clamp(out[f], -1.0f, 1.0f);
        out += block;
        frames -= static_cast<std::size_t>(block);
    }
}

} // namespace vox
