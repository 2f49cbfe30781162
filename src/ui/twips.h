#pragma once
// Control positions are laid out in twips; 1440 twips are one inch, so at
// 96 dpi one pixel is 15 twips. Views scale with the screen's logical dpi.

#include <QRect>

#include <QWidget>
#include <algorithm>
#include <vector>

namespace vox {

struct TwipsRect {
    int left, top, width, height;
};

inline int TwipsToPixels(int twips, const QWidget *w) {
    const int dpi = w ? w->logicalDpiX() : 96;
    return (twips * dpi + 720) / 1440;
}

inline QRect TwipsToRect(const TwipsRect &r, const QWidget *w) {
    return QRect(TwipsToPixels(r.left, w), TwipsToPixels(r.top, w), TwipsToPixels(r.width, w),
                 TwipsToPixels(r.height, w));
}

inline void PlaceAt(QWidget *control, const TwipsRect &r) {
    control->setGeometry(TwipsToRect(r, control->parentWidget()));
}

} // namespace vox

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace vox {

// A command button whose caption wraps onto a second line when it does not
// fit on one, so no caption is cut off. The break goes where the two lines
// come out most even (at a blank, a bracket or between Japanese
// characters), so no lone character ends up on a line of its own.
class WrapButton : public QPushButton {
public:
    WrapButton(const QString &caption, QWidget *parent)
        : QPushButton(parent), caption_(caption), label_(new QLabel(caption, this)) {
        label_->setAlignment(Qt::AlignCenter);
        label_->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(3, 1, 3, 1);
        layout->addWidget(label_);
    }
    void setCaption(const QString &caption) {
        caption_ = caption;
        wrap();
    }
    QString caption() const { return caption_; }
    // The caption as shown, with the line break it got.
    QString shownCaption() const { return label_->text(); }

protected:
    void resizeEvent(QResizeEvent *e) override {
        QPushButton::resizeEvent(e);
        wrap();
    }
    void changeEvent(QEvent *e) override {
        QPushButton::changeEvent(e);
        if (e->type() == QEvent::FontChange) wrap();
    }

private:
    static bool Wide(QChar c) { return c.unicode() >= 0x3000; }
    // How good a break before position i reads: 0 before a bracket, 1 where
    // Latin meets Japanese (a blank between them included), 2 at another
    // blank, 3 between Japanese characters; -1 no break.
    int breakClass(qsizetype i) const {
        const QChar before = caption_[i - 1], after = caption_[i];
        if (after == '(') return 0;
        qsizetype l = i - 1, r = i;
        while (l > 0 && caption_[l] == ' ')
            --l;
        while (r + 1 < caption_.size() && caption_[r] == ' ')
            ++r;
        if (Wide(caption_[l]) != Wide(caption_[r])) return 1;
        if (before == ' ' || after == ' ') return 2;
        if (Wide(before) && Wide(after)) return 3;
        return -1;
    }
    void wrap() {
        const QFontMetrics fm(label_->font());
        const int room = width() - 6;
        QString shown = caption_;
        if (fm.horizontalAdvance(caption_) > room) {
            int bestClass = 4, best = 0;
            for (qsizetype i = 1; i < caption_.size(); ++i) {
                const int kind = breakClass(i);
                if (kind < 0 || kind > bestClass) continue;
                const QString first = caption_.left(i).trimmed(), second = caption_.mid(i).trimmed();
                if (first.size() < 2 || second.size() < 2) continue;
                const int longer = std::max(fm.horizontalAdvance(first), fm.horizontalAdvance(second));
                if (longer > room && bestClass < 4) continue; // a better-reading break already fits
                if (kind < bestClass || longer < best) {
                    bestClass = longer <= room ? kind : 4;
                    best = longer;
                    shown = first + '\n' + second;
                }
            }
        }
        label_->setText(shown);
    }

    QString caption_;
    QLabel *label_;
};

// A heading whose runs of blanks place the names of the columns below it,
// as they did in the fixed-pitch font it was written for. Drawn in a
// proportional font the names would bunch up to the left, so each group of
// words is drawn where its first character falls along the heading's width.
class ColumnHeading : public QLabel {
public:
    ColumnHeading(const QString &caption, QWidget *parent) : QLabel(caption, parent) {}
    // Centres (pixels from the heading's left) of the columns the groups of
    // words name, in order; each group is then centred over its column.
    void setCentres(std::vector<int> centres) { centres_ = std::move(centres); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const QString t = text();
        qsizetype length = t.size();
        while (length > 0 && t[length - 1] == ' ')
            --length;
        if (length == 0) return;
        qsizetype i = 0;
        std::size_t group = 0;
        while (i < length) {
            while (i < length && t[i] == ' ')
                ++i;
            qsizetype end = i;
            while (end < length && !(t[end] == ' ' && (end + 1 >= length || t[end + 1] == ' ')))
                ++end;
            const QString words = t.mid(i, end - i);
            const int wordsWidth = fontMetrics().horizontalAdvance(words);
            // The last words keep inside the heading, however wide the font.
            int x = std::min(static_cast<int>(width() * i / length), width() - wordsWidth);
            if (group < centres_.size())
                x = std::clamp(centres_[group] - wordsWidth / 2, 0, width() - wordsWidth);
            ++group;
            painter.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, words);
            i = end;
        }
    }

private:
    std::vector<int> centres_;
};

// A label for a caption: a column heading when the caption is spaced out.
inline QLabel *MakeLabel(const QString &caption, QWidget *parent) {
    return caption.contains("  ") ? new ColumnHeading(caption, parent) : new QLabel(caption, parent);
}

} // namespace vox
