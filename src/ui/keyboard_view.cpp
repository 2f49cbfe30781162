#include "ui/keyboard_view.h"

#include "ui/qt_text.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace vox {

namespace {

// White key of each semitone of an octave (a black key: the white key on
// its left), and which semitones are black.
constexpr std::array<int, 12> kWhiteIndex = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
constexpr std::array<bool, 12> kBlack = {false, true,  false, true,  false, false,
                                         true,  false, true,  false, true,  false};

// Typing there makes text: the letter rows are then the entry's.
bool TypesText(const QWidget *w) {
    if (!w) return false;
    if (auto *edit = qobject_cast<const QLineEdit *>(w)) return !edit->isReadOnly();
    if (auto *edit = qobject_cast<const QTextEdit *>(w)) return !edit->isReadOnly();
    if (auto *edit = qobject_cast<const QPlainTextEdit *>(w)) return !edit->isReadOnly();
    if (auto *combo = qobject_cast<const QComboBox *>(w)) return combo->isEditable();
    return qobject_cast<const QAbstractSpinBox *>(w) != nullptr;
}

} // namespace

// The keys themselves: painted, and played with the mouse.
class PianoKeys : public QWidget {
public:
    PianoKeys(NoteKeyboard &keyboard, QWidget *parent) : QWidget(parent), keyboard_(keyboard) {
        setObjectName("KeyboardKeys");
        // A click takes the focus out of an entry field, so the letter rows
        // play next.
        setFocusPolicy(Qt::ClickFocus);
        setToolTip(Qs(keyboard_text::kKeysTip));
    }

    int whiteCount() const { return (NoteKeyboard::kShownKeys - 1) / 12 * 7 + 1; }
    double whiteWidth() const { return (width() - 1) / static_cast<double>(whiteCount()); }

    QRect keyRect(int note) const {
        const int k = note - keyboard_.lowestNote();
        if (k < 0 || k >= NoteKeyboard::kShownKeys) return {};
        const int octave = k / 12, semitone = k % 12;
        const double w = whiteWidth();
        const int white = octave * 7 + kWhiteIndex[static_cast<std::size_t>(semitone)];
        if (!kBlack[static_cast<std::size_t>(semitone)])
            return QRect(QPoint(static_cast<int>(white * w), 0),
                         QPoint(static_cast<int>((white + 1) * w), height() - 1));
        const double centre = (white + 1) * w, half = w * 0.3;
        return QRect(QPoint(static_cast<int>(centre - half), 0),
                     QPoint(static_cast<int>(centre + half), height() * 6 / 10));
    }

    // The key under a point: a black key lies over the white ones.
    std::optional<int> noteAt(const QPoint &p) const {
        if (!rect().contains(p)) return std::nullopt;
        for (int pass = 0; pass < 2; ++pass)
            for (int k = 0; k < NoteKeyboard::kShownKeys; ++k) {
                const bool black = kBlack[static_cast<std::size_t>(k % 12)];
                if (black != (pass == 0)) continue;
                const int note = keyboard_.lowestNote() + k;
                if (keyRect(note).contains(p)) return note;
            }
        return std::nullopt;
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        const QColor held(110, 160, 235);
        QFont small = font();
        small.setPixelSize(std::max(8, height() / 6));
        p.setFont(small);
        for (int pass = 0; pass < 2; ++pass)
            for (int k = 0; k < NoteKeyboard::kShownKeys; ++k) {
                const bool black = kBlack[static_cast<std::size_t>(k % 12)];
                if (black != (pass == 1)) continue;
                const int note = keyboard_.lowestNote() + k;
                const QRect r = keyRect(note);
                const bool on = keyboard_.isHeld(note);
                p.setPen(Qt::black);
                p.setBrush(on ? held : black ? QColor(30, 30, 30) : QColor(Qt::white));
                p.drawRect(r);
                if (!black && k % 12 == 0) {
                    p.setPen(QColor(90, 90, 90));
                    p.drawText(r.adjusted(0, 0, 0, -2), Qt::AlignHCenter | Qt::AlignBottom,
                               Qs(NoteName(note)));
                }
            }
    }
    void mousePressEvent(QMouseEvent *e) override {
        if (e->button() != Qt::LeftButton) return;
        keyboard_.pointerDown(noteAt(e->position().toPoint()));
        update();
    }
    void mouseMoveEvent(QMouseEvent *e) override {
        if (!(e->buttons() & Qt::LeftButton)) return;
        keyboard_.pointerMove(noteAt(e->position().toPoint()));
        update();
    }
    void mouseReleaseEvent(QMouseEvent *e) override {
        if (e->button() != Qt::LeftButton) return;
        keyboard_.pointerUp();
        update();
    }

private:
    NoteKeyboard &keyboard_;
};

KeyboardView::KeyboardView(ProgramState &state, QWidget *parent) : QWidget(parent), keyboard_(state) {
    using namespace keyboard_text;
    setObjectName("Keyboard");
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    // Left of the keys: the range shown, and the octave buttons under it.
    auto *side = new QVBoxLayout;
    side->setSpacing(2);
    range_ = new QLabel(this);
    range_->setObjectName("KeyboardRange");
    range_->setAlignment(Qt::AlignCenter);
    range_->setToolTip(Qs(kRangeTip));
    side->addWidget(range_);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    down_ = new QToolButton(this);
    down_->setObjectName("KeyboardOctaveDown");
    down_->setText(QString::fromUtf8(kOctaveDown));
    down_->setToolTip(Qs(kOctaveDownTip));
    up_ = new QToolButton(this);
    up_->setObjectName("KeyboardOctaveUp");
    up_->setText(QString::fromUtf8(kOctaveUp));
    up_->setToolTip(Qs(kOctaveUpTip));
    for (QToolButton *b : {down_, up_}) {
        b->setFocusPolicy(Qt::NoFocus); // keeps the focus where the letters play
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        buttons->addWidget(b);
    }
    connect(down_, &QToolButton::clicked, this, [this] { shiftOctave(false); });
    connect(up_, &QToolButton::clicked, this, [this] { shiftOctave(true); });
    side->addLayout(buttons);
    auto *sideBox = new QWidget(this);
    sideBox->setLayout(side);
    side->setContentsMargins(0, 0, 0, 0);
    sideBox->setFixedWidth(QFontMetrics(font()).horizontalAdvance(Qs(Tr("C-2〜C-2"))) + 12);
    layout->addWidget(sideBox);

    keys_ = new PianoKeys(keyboard_, this);
    layout->addWidget(keys_, 1);

    // Key presses anywhere in the program pass here first; only those of
    // this keyboard's window are looked at.
    qApp->installEventFilter(this);
    redraw();
}

QRect KeyboardView::keyRect(int note) const { return keys_->keyRect(note); }

void KeyboardView::releaseAll() {
    keyboard_.releaseAll();
    redraw();
}

void ReleaseEveryKeyboard() {
    for (QWidget *w : QApplication::allWidgets())
        if (auto *keyboard = dynamic_cast<KeyboardView *>(w)) keyboard->releaseAll();
}

void KeyboardView::shiftOctave(bool up) {
    if (up)
        keyboard_.octaveUp();
    else
        keyboard_.octaveDown();
    redraw();
}

void KeyboardView::redraw() {
    range_->setText(Qs(keyboard_.rangeText()));
    down_->setEnabled(keyboard_.canShiftDown());
    up_->setEnabled(keyboard_.canShiftUp());
    keys_->update();
}

void KeyboardView::hideEvent(QHideEvent *event) {
    // The window closed: nothing may sound on without a key to stop it.
    releaseAll();
    QWidget::hideEvent(event);
}

bool KeyboardView::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::WindowDeactivate)
        return false;
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w || w->window() != window()) return false;
    if (type == QEvent::WindowDeactivate) {
        // The window lost the focus: its key releases go elsewhere now.
        if (w == window()) releaseAll();
        return false;
    }
    if (!isVisible()) return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (type == QEvent::KeyRelease) {
        // A release stops its note wherever the focus went meanwhile.
        if (!keyboard_.holdsLetter(key->key())) return false;
        if (!key->isAutoRepeat()) {
            keyboard_.letterUp(key->key());
            redraw();
        }
        return true;
    }
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    if (key->key() == kOctaveDownKey || key->key() == kOctaveUpKey) {
        if (!key->isAutoRepeat()) shiftOctave(key->key() == kOctaveUpKey);
        return true;
    }
    if (!LetterRowOffset(key->key())) return false;
    // In an entry field the letters are text; so they are when the key came
    // up to here from an entry that let it pass.
    const QWidget *focus = window()->focusWidget();
    if (TypesText(w) || (focus && TypesText(focus) && w->isAncestorOf(focus))) return false;
    if (!key->isAutoRepeat()) {
        keyboard_.letterDown(key->key());
        redraw();
    }
    return true;
}

} // namespace vox
