#pragma once
// The editor window's Qt view: builds the chart and the Data Entry Zone at
// their twips positions, forwards every user event to Form2 and redraws
// from its state.

#include "text/ui_text.h"
#include "workspace/window_ports.h"

#include <QFrame>
#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QGroupBox;
class QFrame;
class QPrinter;

namespace vox {

class Form2;
class ClickField;
class EntryField;
class EnvelopeGraphView;
class WrapButton;
class UpDownButtons;
class KeyboardView;

namespace form2_view_text {
// Texts of the view itself: the zone's column numbers and the print path.
inline constexpr const char *kColumnNumbers[6] = {"1", "2", "3", "4", "5", "6"};
inline constexpr const char *kEgColumnNumbers[4] = {"1", "2", "3", "4"};
inline constexpr Text kNoPrinter = "既定のプリンタがありません。\rチャートをPDFファイルに保存しますか？";
inline constexpr Text kPrintFailed = "チャートを印刷できませんでした。";
inline constexpr Text kPdfFailed = "PDFファイル「%1」を保存できませんでした。";
inline constexpr Text kPdfDialogTitle = "チャートをPDFファイルに保存";
inline constexpr const char *kPdfFilter = "PDF (*.pdf)";
inline constexpr const char *kSheetFilter = "PDF (*.pdf);;SVG (*.svg)";
inline constexpr const char *kPdfSuggestedName = "chart.pdf";
// Tool tips: what a step button adds, and how the EG grid's rows are chosen.
inline constexpr const char *kStepUpTip = "+%1";
inline constexpr const char *kStepDownTip = "−%1";
inline constexpr Text kRowSelectTip =
    "クリックでこの行（オペレーター）を選択／解除します。選択した行が列のボタンで変わります";
} // namespace form2_view_text

// The algorithm picture of a file "algN.jpg", drawn to the box's size; a
// missing or unreadable file leaves an empty frame with the algorithm
// number in it, never an error.
class PictureBox : public QFrame {
public:
    explicit PictureBox(QWidget *parent);
    std::function<void()> onClick;

    void showPicture(const QString &path, const QString &number);
    bool hasImage() const { return algorithm_ != 0; }
    QString number() const { return number_; }

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;

private:
    QString path_, number_;
    int algorithm_ = 0; // 0: no picture
};

class Form2View : public QWidget {
    Q_OBJECT
public:
    // Over the running program: anything holding form2, state and host.
    template <class Owner>
    explicit Form2View(Owner &program, QWidget *parent = nullptr)
        : Form2View(program.form2, {program.state, program.workspace, program.host}, parent) {}
    Form2View(Form2 &form, FormContext program, QWidget *parent = nullptr);

    // Printing: where the chart goes when the machine has no printer. Tests
    // replace these; by default they ask the printing system and the user.
    std::function<bool()> hasDefaultPrinter;
    std::function<QString(const QString &suggestion)> choosePdfFile;

    // Writes the window's image to a PDF file (through a temporary file
    // beside it, so an old file survives a failed write).
    bool printToPdf(const QString &file);

public slots:
    void refresh();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void printChart();
    bool printImage(QPrinter &printer);
    void after(); // every forwarded event ends here

    FormContext program_;
    WrapButton *compare_ = nullptr;
    Form2 &form_;
    bool refreshing_ = false;

    // Chart: Text19..Text38, six rows each.
    std::array<std::array<ClickField *, 6>, 20> rows_{};
    std::array<ClickField *, 19> globals_{}; // Text1..Text18
    ClickField *text8_ = nullptr;
    QLabel *label29_ = nullptr;
    QLabel *label34_ = nullptr;
    QLineEdit *text39_ = nullptr;
    QWidget *client_ = nullptr; // the controls' parent, in a scroll area
    PictureBox *picture1_ = nullptr;
    QFrame *shape1_ = nullptr;

    // Data Entry Zone.
    QGroupBox *frame1_ = nullptr;
    QGroupBox *frame2_ = nullptr, *frame3_ = nullptr, *frame4_ = nullptr, *frame5_ = nullptr;
    QGroupBox *frame7_ = nullptr, *frame8_ = nullptr, *frame10_ = nullptr;
    std::array<QGroupBox *, 2> frame9_{};
    std::array<QFrame *, 6> frame6_{};
    EntryField *text40_ = nullptr;
    QLabel *label31_ = nullptr;
    QLabel *zoneName_ = nullptr, *zonePending_ = nullptr;
    UpDownButtons *upDown1_ = nullptr, *upDown2_ = nullptr;
    QRadioButton *option1_ = nullptr, *option2_ = nullptr, *option5_ = nullptr, *option6_ = nullptr;
    std::array<QRadioButton *, 6> option3_{}, option4_{};
    std::array<EntryField *, 6> text42_{}, text44_{};
    std::array<UpDownButtons *, 6> upDown5_{}, upDown6_{}, upDown7_{}, upDown8_{};
    QLabel *label9_ = nullptr, *label33_ = nullptr;
    std::array<QFrame *, 2> shape5_{};
    std::array<EntryField *, 48> text43_{};
    std::array<QLabel *, 6> label7_{}; // row selectors
    std::array<QFrame *, 6> shape3_{};
    std::array<UpDownButtons *, 8> upDown9_{}, upDown10_{};
    std::array<EntryField *, 8> text41_{};
    std::array<UpDownButtons *, 8> upDown3_{}, upDown4_{};
    std::array<EnvelopeGraphView *, 7> picture2_{};
    PictureBox *picture3_ = nullptr;
    KeyboardView *keyboard_ = nullptr;
};

} // namespace vox
