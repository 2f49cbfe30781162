#include "app/settings.h"

#include "librarian/midi_settings.h"
#include "midi/fast_receive.h"
#include "midi/rtmidi_ports.h"

#include <QSettings>

#include <cmath>
#include <cstdio>
#include <regex>

namespace vox {
namespace {

// Keys of the settings file.
constexpr const char *kOutputApiKey = "ports/outputApi";
constexpr const char *kOutputKey = "ports/output";
constexpr const char *kInputApiKey = "ports/inputApi";
constexpr const char *kInputKey = "ports/input";
constexpr const char *kAudioApiKey = "audio/api";
constexpr const char *kAudioOutputKey = "audio/output";
constexpr const char *kNoteInputApiKey = "ports/noteInputApi";
constexpr const char *kNoteInputKey = "ports/noteInput";
constexpr const char *kReceiveModeKey = "exchange/receiveMode";
constexpr const char *kSysExPauseKey = "exchange/sysExPauseMs";
constexpr const char *kFastTimeoutKey = "exchange/fastTimeoutSeconds";
constexpr const char *kFastRetriesKey = "exchange/fastRetries";
constexpr const char *kChannelKey = "exchange/channel";
constexpr const char *kShowGuideKey = "startup/showGuide";
constexpr const char *kLanguageKey = "display/language";
// One key per function parameter: "function/64" ... "function/77".
constexpr const char *kFunctionGroup = "function/";
constexpr const char *kAnsweringKey = "exchange/portsAnsweringBankRequest";
constexpr const char *kNotAnsweringKey = "exchange/portsNotAnsweringBankRequest";
constexpr const char *kSysExChunkKey = "exchange/sysExChunk";
constexpr const char *kVerifyTransmitKey = "exchange/verifyTransmit";
constexpr const char *kModelKey = "exchange/model";

QStringList Names(const QSettings &s, const char *key) {
    const QVariant v = s.value(key);
    if (v.typeId() == QMetaType::QString) return {v.toString()};
    return v.typeId() == QMetaType::QStringList ? v.toStringList() : QStringList{};
}

std::string StringOf(const QSettings &s, const char *key) {
    const QVariant v = s.value(key);
    // A list or anything else a hand-edited line may have become is no name.
    return v.typeId() == QMetaType::QString ? v.toString().toStdString() : std::string{};
}

std::optional<int> WholeNumber(const QSettings &s, const char *key, int min, int max) {
    if (!s.contains(key)) return std::nullopt;
    bool ok = false;
    const int value = s.value(key).toString().trimmed().toInt(&ok);
    if (!ok || value < min || value > max) return std::nullopt;
    return value;
}

std::optional<double> Seconds(const QSettings &s, const char *key, double min, double max) {
    if (!s.contains(key)) return std::nullopt;
    bool ok = false;
    const double value = s.value(key).toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < min || value > max) return std::nullopt;
    return value;
}

// The name without ALSA's " client:port" numbers at its end.
std::string WithoutAlsaNumbers(const std::string &name) {
    static const std::regex numbers(R"( \d+:\d+$)");
    return std::regex_replace(name, numbers, "");
}

} // namespace

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            kSettingsOrganization, kSettingsApplication)) {}

SettingsStore::SettingsStore(const QString &file)
    : settings_(std::make_unique<QSettings>(file, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const { return settings_->fileName(); }

RememberedSettings SettingsStore::load() const {
    RememberedSettings r;
    const QSettings &s = *settings_;
    if (s.status() != QSettings::NoError) return r;
    r.output = {StringOf(s, kOutputApiKey), StringOf(s, kOutputKey)};
    r.input = {StringOf(s, kInputApiKey), StringOf(s, kInputKey)};
    r.audioOutput = {StringOf(s, kAudioApiKey), StringOf(s, kAudioOutputKey)};
    r.noteInput = {StringOf(s, kNoteInputApiKey), StringOf(s, kNoteInputKey)};
    if (const auto mode = ParseReceiveMode(StringOf(s, kReceiveModeKey))) r.exchange.receiveMode = *mode;
    if (const auto pause = WholeNumber(s, kSysExPauseKey, 0, kMaxSysExPauseMs))
        r.exchange.sysExPauseMs = *pause;
    if (const auto timeout = Seconds(s, kFastTimeoutKey, kMinFastTimeoutSeconds, kMaxFastTimeoutSeconds))
        r.exchange.fastTimeoutSeconds = *timeout;
    if (const auto retries = WholeNumber(s, kFastRetriesKey, 0, kMaxFastRetries))
        r.exchange.fastRetries = *retries;
    if (const auto channel = WholeNumber(s, kChannelKey, 1, kMaxChannel)) r.exchange.channel = *channel;
    if (s.contains(kShowGuideKey)) r.showStartupGuide = s.value(kShowGuideKey).toString() != "false";
    r.language = StringOf(s, kLanguageKey);
    for (int number = kFirstFunctionParam; number < kFirstFunctionParam + kFunctionParamCount; ++number) {
        const std::string key = kFunctionGroup + std::to_string(number);
        if (const auto value = WholeNumber(s, key.c_str(), 0, FunctionParamMax(number)))
            r.functions.set(number, *value);
    }
    if (s.contains(kSysExChunkKey))
        if (const auto chunk = ReadSysExChunk(s.value(kSysExChunkKey).toString().toStdString()))
            r.exchange.sysExChunk = *chunk;
    if (const auto verify = WholeNumber(s, kVerifyTransmitKey, 0, 1))
        r.exchange.verifyTransmit = *verify == 1;
    if (const auto model = WholeNumber(s, kModelKey, 0, 2))
        r.exchange.model = static_cast<InstrumentModel>(*model);
    for (const QString &port : Names(s, kNotAnsweringKey))
        r.answersBankRequest[port.toStdString()] = false;
    for (const QString &port : Names(s, kAnsweringKey))
        r.answersBankRequest[port.toStdString()] = true;
    return r;
}

void SettingsStore::storeOutput(const RememberedPort &port) {
    settings_->setValue(kOutputApiKey, QString::fromStdString(port.api));
    settings_->setValue(kOutputKey, QString::fromStdString(port.name));
    write();
}

void SettingsStore::storeInput(const RememberedPort &port) {
    settings_->setValue(kInputApiKey, QString::fromStdString(port.api));
    settings_->setValue(kInputKey, QString::fromStdString(port.name));
    write();
}

void SettingsStore::storeAudioOutput(const RememberedPort &port) {
    settings_->setValue(kAudioApiKey, QString::fromStdString(port.api));
    settings_->setValue(kAudioOutputKey, QString::fromStdString(port.name));
    write();
}

void SettingsStore::storeNoteInput(const RememberedPort &port) {
    settings_->setValue(kNoteInputApiKey, QString::fromStdString(port.api));
    settings_->setValue(kNoteInputKey, QString::fromStdString(port.name));
    write();
}

void SettingsStore::storeExchange(const ExchangeSettings &before, const ExchangeSettings &after) {
    QSettings &s = *settings_;
    if (after.receiveMode != before.receiveMode)
        s.setValue(kReceiveModeKey, ReceiveModeName(after.receiveMode));
    if (after.sysExPauseMs != before.sysExPauseMs) s.setValue(kSysExPauseKey, after.sysExPauseMs);
    if (after.fastTimeoutSeconds != before.fastTimeoutSeconds)
        s.setValue(kFastTimeoutKey, QString::fromStdString(SecondsText(after.fastTimeoutSeconds)));
    if (after.fastRetries != before.fastRetries) s.setValue(kFastRetriesKey, after.fastRetries);
    if (after.channel != before.channel) s.setValue(kChannelKey, after.channel);
    if (after.sysExChunk != before.sysExChunk) s.setValue(kSysExChunkKey, after.sysExChunk);
    if (after.verifyTransmit != before.verifyTransmit)
        s.setValue(kVerifyTransmitKey, after.verifyTransmit ? 1 : 0);
    if (after.model != before.model) s.setValue(kModelKey, static_cast<int>(after.model));
    write();
}

void SettingsStore::storeBankRequestAnswer(const std::string &port, bool answers) {
    QSettings &s = *settings_;
    const QString name = QString::fromStdString(port);
    QStringList with = Names(s, answers ? kAnsweringKey : kNotAnsweringKey);
    QStringList without = Names(s, answers ? kNotAnsweringKey : kAnsweringKey);
    without.removeAll(name);
    if (!with.contains(name)) with.append(name);
    s.setValue(answers ? kAnsweringKey : kNotAnsweringKey, with);
    s.setValue(answers ? kNotAnsweringKey : kAnsweringKey, without);
    write();
}

void SettingsStore::storeLanguage(const std::string &code) {
    settings_->setValue(kLanguageKey, QString::fromStdString(code));
    write();
}

void SettingsStore::storeFunctions(const FunctionSettings &values) {
    for (int number = kFirstFunctionParam; number < kFirstFunctionParam + kFunctionParamCount; ++number)
        settings_->setValue(QString::fromStdString(kFunctionGroup + std::to_string(number)),
                            values.get(number));
    write();
}

void SettingsStore::storeStartupGuide(bool show) {
    settings_->setValue(kShowGuideKey, show ? "true" : "false");
    write();
}

void SettingsStore::write() {
    settings_->sync();
    // The choice holds for this run either way; only the next run forgets it.
    if (settings_->status() != QSettings::NoError)
        std::fprintf(stderr, "voxmere: settings not saved to %s\n", qPrintable(settings_->fileName()));
}

PortDirectory RtMidiPortDirectory() {
    return PortDirectory{
        [] { return FirstWorkingMidiApi(); },
        [](const std::string &api) { return MidiApiWorks(api); },
        [](const std::string &api) { return WithoutOwnPorts(ListMidiOutputs(api)); },
        [](const std::string &api) { return WithoutOwnPorts(ListMidiInputs(api)); },
    };
}

std::optional<std::string> FindRememberedPort(const std::vector<std::string> &names,
                                              const std::string &name) {
    if (name.empty()) return std::nullopt;
    for (const auto &n : names)
        if (n == name) return n;
    const std::string bare = WithoutAlsaNumbers(name);
    std::optional<std::string> found;
    for (const auto &n : names)
        if (WithoutAlsaNumbers(n) == bare) {
            if (found) return std::nullopt; // two alike: neither is surely the one
            found = n;
        }
    return found;
}

MidiOptions WithRememberedPorts(MidiOptions options, const RememberedSettings &remembered,
                                const PortDirectory &ports) {
    const bool outOpen = options.out.empty() && !remembered.output.name.empty();
    const bool inOpen = options.in.empty() && !remembered.input.name.empty();
    if (options.virtualDx7 || (!outOpen && !inOpen)) return options;
    std::string api = options.api;
    if (!api.empty()) {
        if (!ports.apiWorks(api)) return options; // the wiring reports it
    } else if (!options.out.empty() || !options.in.empty()) {
        // A port named without an API is looked for on the first API that
        // works, as always; a remembered port of that API may join it.
        api = ports.firstWorkingApi();
    } else {
        // The API of a remembered port, when it works here; else none is
        // named and the first that works is taken, as with no settings.
        for (const RememberedPort *port : {&remembered.output, &remembered.input})
            if (!port->name.empty() && !port->api.empty() && ports.apiWorks(port->api)) {
                api = port->api;
                break;
            }
        if (api.empty()) return options;
        options.api = api;
    }
    if (outOpen && remembered.output.api == api)
        if (const auto name = FindRememberedPort(ports.outputs(api), remembered.output.name))
            options.out = *name;
    if (inOpen && remembered.input.api == api)
        if (const auto name = FindRememberedPort(ports.inputs(api), remembered.input.name))
            options.in = *name;
    return options;
}

} // namespace vox
