#pragma once
// The Host over Qt: real message boxes, windows, the event loop and a
// monotonic clock.

#include "common/host.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>

namespace vox {

class HelpWindow;

// Puts Qt's own texts (the standard buttons, the file and print dialogs)
// into Japanese, as the rest of the program speaks. False when the
// translations are not installed: those texts then stay in English.
bool InstallJapaneseQtTexts();

class QtHost : public QObject, public Host {
    Q_OBJECT
public:
    QtHost();
    ~QtHost() override;

    // The window shown for a form; the widget must have a slot refresh().
    void registerWindow(WindowId id, QWidget *window);
    // Called from every message-loop pass and from the idle timer, e.g. to
    // handle MIDI input; returns true when the windows need redrawing.
    void setEventPump(std::function<bool()> pump) { pump_ = std::move(pump); }
    // Runs the pump every `intervalMs` while the program is idle, so input
    // is shown and a silent instrument's time-out fires without any event.
    void startIdlePump(int intervalMs);
    // With automatic answers (VOXMERE_AUTO_ANSWER=1, for end-to-end tests)
    // every box is answered with its default button, every list choice
    // with its first item, and each is printed on stderr.
    void setAutoAnswer(bool on) { autoAnswer_ = on; }

    MsgResult messageBox(const MessageBoxSpec &box) override;
    std::optional<int> chooseItem(const std::string &title, const std::string &text,
                                  const std::vector<std::string> &items) override;
    void processEvents() override;
    void processEventsFor(double seconds) override;
    double monotonicSeconds() override;
    void showHelp(const std::filesystem::path &helpFile, int topic) override;
    void showWindow(WindowId window) override;
    void showWindowModal(WindowId window) override;
    void closeWindow(WindowId window) override;
    void setWindowEnabled(WindowId window, bool enabled) override;
    void refreshWindow(WindowId window) override;
    void refreshAll() override;
    void endProgram() override;

    // The help page for a help file name: the .html page of the same name,
    // lower case, in the same folder.
    static std::filesystem::path HelpPage(const std::filesystem::path &helpFile);

public slots:
    // Queued from the MIDI callback thread: handle waiting input.
    void pump();

private slots:
    void idlePump();

private:
    QWidget *window(WindowId id) const;
    bool runPump();

    std::map<WindowId, QPointer<QWidget>> windows_;
    std::function<bool()> pump_;
    QTimer *idleTimer_ = nullptr;
    QElapsedTimer clock_;
    HelpWindow *help_ = nullptr;
    bool autoAnswer_ = false;
    bool pumping_ = false;
    double lastRefresh_ = 0;
};

} // namespace vox
