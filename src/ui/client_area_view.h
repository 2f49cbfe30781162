#pragma once
// Every window's fit to its screen. A window's controls lie on a client area
// of fixed size (twips): where the screen offers room for all of it the
// window keeps that fixed size and shows no scroll bar; where it does not
// (a small screen, or a high scale factor) the client lies in a frameless
// scroll area, and the window opens no larger than the screen offers and
// can be resized down to it. A window whose client grows opens at the same
// size and may be enlarged: its client then grows with it (its controls
// follow as the window's follow table says, FollowGrowth) and never gets
// smaller than its size. Windows that lay themselves out (the MIDI monitor,
// the help window) only open no larger than the screen.

#include <QSize>

class QScrollArea;
class QWidget;

namespace vox {

enum class ClientGrowth { Fixed, Grows };

// The client area of widthTwips x heightTwips for window, named after the
// window ("Form2" gets "Form2Client"): the window's central widget (a
// QMainWindow) or its only content, inside a scroll area. The window's
// controls go on it. Call once, after the window's objectName is set.
QWidget *MakeClientArea(QWidget *window, int widthTwips, int heightTwips,
                        ClientGrowth growth = ClientGrowth::Fixed);

// The scroll area holding a window's client area; null for a window
// without one.
QScrollArea *ClientScrollArea(const QWidget *window);

// A window that lays itself out opens no larger than its screen offers.
void KeepOnScreen(QWidget *window);

// How a window whose whole content is `full` (pixels) opens where the
// screen offers `room` for the window's inside: all of it, fixed, when it
// fits; otherwise with the scroll bars (`bars`: the vertical bar's width,
// the horizontal bar's height) it then needs, no larger than room, and
// resizable between `minimum` and all of it.
struct WindowFit {
    QSize size;    // to open at
    QSize maximum; // the whole content and the scroll bars it needs
    bool scrolls;  // false: fixed at `full`
};
WindowFit FitWindow(QSize full, QSize room, QSize bars);

// The room the screen under window offers its inside: the screen's
// available geometry less the window's frame, in pixels.
QSize RoomFor(const QWidget *window);

} // namespace vox
