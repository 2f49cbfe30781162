// The editor window as a user sees it: captions, the chart, clicks that
// open groups, the name box, the close box and printing to a PDF file.
#include "editor/eg_graph_view.h"
#include "editor/form2.h"
#include "editor/form2_layout.h"
#include "editor/form2_view.h"
#include "gui_rig.h"
#include "midi/midi_output.h"
#include "test_support.h"
#include "ui/twips.h"
#include "voice/init_voice.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

using namespace vox;

namespace {

// A program with a voice in slot 12 whose operators differ row by row.
struct EditorFixture {
    test::ProgramFixture f;
    QTemporaryDir folder;

    EditorFixture() {
        f.state.programFolder = folder.path().toStdString();
        f.out.open();
        Slot voice = InitialVoice();
        for (int op = 1; op <= 6; ++op)
            voice[ParamPos(OpParamNumber(op, OpParam::OutputLevel))] = static_cast<Byte>(10 * op);
        voice[ParamPos(param::Algorithm)] = 4;
        const char *name = "BRASS   1 ";
        for (std::size_t i = 0; i < 10; ++i)
            voice[kNamePos + i] = static_cast<Byte>(name[i]);
        test::SeedBank(f.ws, [&](int n) { return n == 12 ? voice : Slot{}; });
        f.ws.placeEntry(12);
        f.program.form2.load();
    }
    Form2 &form() { return f.program.form2; }
};

QString LabelTexts(QWidget &w) {
    QStringList texts;
    for (auto *l : w.findChildren<QLabel *>())
        texts << l->text();
    return texts.join('\n');
}

// Types one character, whatever keyboard it would take.
void Type(QWidget *w, const QString &character) {
    QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, character, Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, character, Qt::NoModifier);
}

void Click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(3, 3)); }

} // namespace

class Form2ViewTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheCaptionHeadingsAndCommandRow() {
        EditorFixture e;
        Form2View view(e.f.program);
        QCOMPARE(view.windowTitle(), QString("EDIT MODE DATA　CHAT"));
        const QString labels = LabelTexts(view);
        for (const char *heading :
             {"Oscillator                                EG                           Keybord Level Scaling",
              " R1  R2   R3   R4   L1  L2   L3   L4  ",
              "RATE                   LEVEL",
              "Break",
              "Point",
              " L     R       L       R",
              "CURVE    DEPTH",
              "Key-",
              "Bord",
              "Scal-",
              "ing",
              "Out-",
              "Put",
              "Level",
              "Velo-",
              "city",
              "Sens",
              " Amp",
              "Litude",
              "MOD",
              "Sensitivity",
              "FREQ",
              "DE",
              "TUne",
              "Operator",
              "ALGORITHM",
              " Feed",
              " Back",
              " wave  SPD   DLY   PMD  AMD  Sync",
              "L F O                                      PITCH EG",
              "RATE                    LEVEL",
              "１      2       3       4       1       2      3       4",
              "Pitch",
              "KEY",
              "Trance",
              "Pose"})
            QVERIFY2(labels.split('\n').contains(QString::fromUtf8(heading)), heading);

        const char *captions[6] = {"初期化",   "EDIT終了",       "ﾌｧｲﾙ保存(1voice)",
                                   "EDIT中止", " チャ－ト 印刷", "ＨＥＬＰ"};
        for (int i = 0; i < 6; ++i) {
            auto *b = view.findChild<WrapButton *>(QString("Command2_%1").arg(i));
            QVERIFY(b);
            QCOMPARE(b->caption(), QString::fromUtf8(captions[i]));
        }
        QCOMPARE(view.findChild<WrapButton *>("Command2_0")->toolTip(), QString("イニシャルデ-タ書き込み"));
        QCOMPARE(view.findChild<QPushButton *>("Command1")->text(), QString("変更"));
        QCOMPARE(view.findChild<QGroupBox *>("Frame1")->title(), QString("Data Entry Zone"));
        QCOMPARE(view.findChild<QLabel *>("Label6_0")->text(), QString("６"));
        QCOMPARE(view.findChild<QLabel *>("Label6_5")->text(), QString("１"));
    }

    void showsTheLoadedVoiceRowByRow() {
        EditorFixture e;
        Form2View view(e.f.program);
        // Row 0 is operator 6, row 5 operator 1.
        QCOMPARE(view.findChild<QLineEdit *>("Text37_0")->text(), QString("60"));
        QCOMPARE(view.findChild<QLineEdit *>("Text37_5")->text(), QString("10"));
        QCOMPARE(view.findChild<QLineEdit *>("Text8")->text(), QString("5"));
        QCOMPARE(view.findChild<QLabel *>("Label34")->text(), QString(" 12."));
        QCOMPARE(view.findChild<QLineEdit *>("Text39")->text(), QString("BRASS   1 "));
        QCOMPARE(view.findChild<QLineEdit *>("Text17")->text(), QString("C 3"));
        view.show();
        QVERIFY2(!view.findChild<QGroupBox *>("Frame1")->isVisible(), "the zone opens only with a group");
        QVERIFY(!view.findChild<QFrame *>("Shape1")->isVisible());
    }

    void aMissingPictureShowsAFrameWithTheNumber() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        auto *picture = view.findChild<PictureBox *>("Picture1");
        QVERIFY(picture && picture->isVisible());
        QVERIFY(!picture->hasImage());
        QCOMPARE(picture->number(), QString("5"));
        QVERIFY2(e.f.host.boxes.empty(), "no error box for a missing picture");

        QImage image(64, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        QVERIFY(image.save(e.folder.filePath("alg5.jpg"), "JPG"));
        Form2View again(e.f.program);
        QVERIFY(again.findChild<PictureBox *>("Picture1")->hasImage());
    }

    void clickingAnyRowOfAColumnOpensItsGroup() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        const int before = e.f.host.refreshAllCount;
        Click(view.findChild<QLineEdit *>("Text37_0"));
        QCOMPARE(e.f.host.refreshAllCount, before + 1); // every forwarded click asks for a redraw
        view.refresh();
        QCOMPARE(e.f.state.selectedGroup, std::int16_t{16});
        QVERIFY(view.findChild<QGroupBox *>("Frame1")->isVisible());
        QVERIFY(view.findChild<QGroupBox *>("Frame5")->isVisible());
        QCOMPARE(view.findChild<QLineEdit *>("Text42_0")->text(), QString("10")); // column 0 is operator 1
        QCOMPARE(view.findChild<QLineEdit *>("Text42_5")->text(), QString("60"));
        auto *shape1 = view.findChild<QFrame *>("Shape1");
        QVERIFY(shape1->isVisible());
        QCOMPARE(shape1->geometry(), TwipsToRect({10380, 2550, 540, 2490}, &view));

        Click(view.findChild<QLabel *>("Label62"));
        view.refresh();
        QCOMPARE(e.f.state.selectedGroup, std::int16_t{141});
        QVERIFY(view.findChild<QGroupBox *>("Frame2")->isVisible());
        QVERIFY(!view.findChild<QGroupBox *>("Frame3")->isVisible());
        QVERIFY(!view.findChild<QGroupBox *>("Frame5")->isVisible());
    }

    void changeSendsTheTypedValueAndShowsItInTheChart() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        Click(view.findChild<QLineEdit *>("Text37_5"));
        view.refresh();
        auto *column0 = view.findChild<QLineEdit *>("Text42_0");
        column0->selectAll();
        QTest::keyClicks(column0, "50");
        e.f.out.sent.clear();
        Click(view.findChild<QPushButton *>("Command1"));
        view.refresh();
        // Operator 1 is block 5: parameter 5 * 21 + 16 = 121.
        const std::vector<Byte> expected{0xF0, 0x43, 0x10, 0x00, 121, 50, 0xF7};
        QVERIFY(std::find(e.f.out.sent.begin(), e.f.out.sent.end(), expected) != e.f.out.sent.end());
        QCOMPARE(view.findChild<QLineEdit *>("Text37_5")->text(), QString("50"));
    }

    void stepButtonsAndSelectorsReachTheForm() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        // Output level column: ▲ of the single step raises operator 1 only.
        Click(view.findChild<QLineEdit *>("Text37_5"));
        view.refresh();
        auto *single0 = view.findChild<QWidget *>("UpDown6_0");
        QTest::mouseClick(single0->findChild<QWidget *>("up"), Qt::LeftButton);
        view.refresh();
        QCOMPARE(view.findChild<QLineEdit *>("Text42_0")->text(), QString("11"));
        QCOMPARE(view.findChild<QLineEdit *>("Text42_1")->text(), QString("20"));
        QTest::mouseClick(view.findChild<QWidget *>("UpDown5_1")->findChild<QWidget *>("down"),
                          Qt::LeftButton);
        view.refresh();
        QCOMPARE(view.findChild<QLineEdit *>("Text42_1")->text(), QString("10"));

        // Operator EG: selecting row 0 (operator 6) and stepping rate 1 by
        // ten redraws its graph.
        Click(view.findChild<QLineEdit *>("Text23_0"));
        view.refresh();
        auto *graph = view.findChild<EnvelopeGraphView *>("Picture2_1");
        QVERIFY(graph);
        const auto before = graph->segments();
        Click(view.findChild<QLabel *>("Label7_0"));
        view.refresh();
        QVERIFY(view.findChild<QFrame *>("Shape3_0")->isVisible());
        auto *rate1 = view.findChild<QLineEdit *>("Text43_0");
        const int value = rate1->text().toInt();
        QTest::mouseClick(view.findChild<QWidget *>("UpDown9_0")->findChild<QWidget *>("down"),
                          Qt::LeftButton);
        view.refresh();
        QCOMPARE(rate1->text().toInt(), value >= 10 ? value - 10 : rate1->text().toInt());
        QCOMPARE(graph->segments(), e.form().graphSegments[1]);
        if (value >= 10) QVERIFY(graph->segments() != before);

        // The algorithm preview follows the typed number.
        Click(view.findChild<QLabel *>("Label30"));
        view.refresh();
        auto *text40 = view.findChild<QLineEdit *>("Text40");
        text40->selectAll();
        QTest::keyClicks(text40, "17");
        QCOMPARE(e.form().picture3File, Form2::PictureFileName(17));
    }

    void everyControlStandsAtItsTablePlace() {
        EditorFixture e;
        Form2View view(e.f.program);
        for (const ControlRow &row : form2_layout::kControls) {
            if (*row.name == '\0' || std::string_view(row.name) == "Shape1")
                continue; // Shape1 moves with the group
            for (int i = 0; i < ElementCount(row); ++i) {
                const QString name = ElementName(row, i);
                auto *w = view.findChild<QWidget *>(name);
                QVERIFY2(w, qPrintable(name));
                QCOMPARE(w->geometry(), TwipsToRect(ElementRect(row, i), w->parentWidget()));
            }
        }
        // Arrays run as their indices say: row i of the chart is operator 6 - i,
        // box c * 6 + i of the EG grid is column c of row i.
        QCOMPARE(ControlRect(form2_layout::kControls, "Text37_5").top,
                 ControlRect(form2_layout::kControls, "Text37_0").top + 5 * form2_layout::kRowPitch);
        const TwipsRect box = ControlRect(form2_layout::kControls, "Text43_29"); // level 1, row 5
        QCOMPARE(box.left, ControlRect(form2_layout::kControls, "Text43_24").left);
        QCOMPARE(box.top, ControlRect(form2_layout::kControls, "Text43_5").top);
        QCOMPARE(view.findChild<QWidget *>("Option3_2")->parentWidget()->objectName(), QString("Frame6_2"));
    }

    void stepButtonsSayTheirStepAndRowNumbersSayTheySelect() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        auto tips = [&](const char *name) {
            auto *pair = view.findChild<QWidget *>(name);
            return pair->findChild<QWidget *>("down")->toolTip() + " " +
                   pair->findChild<QWidget *>("up")->toolTip();
        };
        // GIVEN the break point group open THEN its column buttons step by 12 and 1
        Click(view.findChild<QLineEdit *>("Text31_0"));
        view.refresh();
        QCOMPARE(tips("UpDown5_0"), QString("−12 +12"));
        QCOMPARE(tips("UpDown6_5"), QString("−1 +1"));
        // AND output level's by 10 and 1
        Click(view.findChild<QLineEdit *>("Text37_0"));
        view.refresh();
        QCOMPARE(tips("UpDown5_3"), QString("−10 +10"));
        // AND the value box's by 1 and 10, by 12 for transpose
        QCOMPARE(tips("UpDown1"), QString("−1 +1"));
        Click(view.findChild<QLineEdit *>("Text3"));
        view.refresh();
        QCOMPARE(tips("UpDown2"), QString("−10 +10"));
        Click(view.findChild<QLineEdit *>("Text17"));
        view.refresh();
        QCOMPARE(tips("UpDown2"), QString("−12 +12"));
        // AND the coarse, EG and pitch EG buttons by their fixed steps
        QCOMPARE(tips("UpDown7_0"), QString("−10 +10"));
        QCOMPARE(tips("UpDown8_0"), QString("−1 +1"));
        QCOMPARE(tips("UpDown9_7"), QString("−10 +10"));
        QCOMPARE(tips("UpDown10_7"), QString("−1 +1"));
        QCOMPARE(tips("UpDown3_0"), QString("−10 +10"));
        QCOMPARE(tips("UpDown4_0"), QString("−1 +1"));
        // AND every panel has its large step first (left, or above) and its single step second
        const std::pair<const char *, const char *> pairs[] = {{"UpDown2", "UpDown1"},
                                                               {"UpDown5_0", "UpDown6_0"},
                                                               {"UpDown7_0", "UpDown8_0"},
                                                               {"UpDown9_0", "UpDown10_0"},
                                                               {"UpDown3_0", "UpDown4_0"}};
        for (const auto &[large, single] : pairs) {
            const QPoint a = view.findChild<QWidget *>(large)->mapTo(&view, QPoint(0, 0));
            const QPoint b = view.findChild<QWidget *>(single)->mapTo(&view, QPoint(0, 0));
            QVERIFY2((a.y() == b.y() && a.x() < b.x()) || (a.x() == b.x() && a.y() < b.y()), large);
        }
        // AND every row number of the EG grid says a click selects its row
        for (int i = 0; i < 6; ++i)
            QVERIFY(view.findChild<QLabel *>(QString("Label7_%1").arg(i))->toolTip().contains("選択"));
    }

    void theNameBoxRefusesCharactersTheInstrumentCannotStore() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        auto *name = view.findChild<QLineEdit *>("Text39");
        name->setFocus();
        name->setText("");
        e.form().text39Change("");
        QTest::keyClicks(name, "Ab");
        Type(name, QString::fromUtf8("é"));
        Type(name, QString::fromUtf8("音"));
        QTest::keyClicks(name, "c");
        QCOMPARE(name->text(), QString("Abc"));
        QCOMPARE(e.form().text39, std::string("Abc"));
    }

    void theCloseBoxSendsTheUneditedVoice() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        e.f.out.sent.clear();
        QVERIFY(view.close());
        QVERIFY(!view.isVisible());
        QCOMPARE(e.f.out.sent.size(), std::size_t{2});
        QCOMPARE(e.f.out.sent[0], (std::vector<Byte>{0xC0, 11, 0}));
        const auto dump = BuildVoiceDump(e.f.ws.slot(12));
        QCOMPARE(e.f.out.sent[1], std::vector<Byte>(dump.begin(), dump.end()));
        QCOMPARE(e.f.host.enabled[WindowId::Form1], true);
        QVERIFY(std::find(e.f.host.closed.begin(), e.f.host.closed.end(), WindowId::Form2) !=
                e.f.host.closed.end());
    }

    void withoutAPrinterTheChartCanBeSavedAsPdf() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        const QString file = e.folder.filePath("chart.pdf");
        QString suggested;
        view.hasDefaultPrinter = [] { return false; };
        view.choosePdfFile = [&](const QString &s) {
            suggested = s;
            return file;
        };
        e.f.host.answers.push_back(MsgResult::Yes);
        Click(view.findChild<WrapButton *>("Command2_4"));
        QCOMPARE(e.f.host.boxes.size(), std::size_t{1});
        QCOMPARE(e.f.host.boxes[0].text,
                 std::string("既定のプリンタがありません。\rチャートをPDFファイルに保存しますか？"));
        QCOMPARE(e.f.host.boxes[0].buttons, MsgButtons::YesNo);
        QCOMPARE(QFileInfo(suggested).fileName(), QString("chart.pdf"));
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QCOMPARE(pdf.read(5), QByteArray("%PDF-"));
        QVERIFY(!QFileInfo::exists(file + ".tmp"));
    }

    void declinedPdfWritesNothing() {
        EditorFixture e;
        Form2View view(e.f.program);
        bool asked = false;
        view.hasDefaultPrinter = [] { return false; };
        view.choosePdfFile = [&](const QString &) {
            asked = true;
            return QString();
        };
        e.f.host.answers.push_back(MsgResult::No);
        Click(view.findChild<WrapButton *>("Command2_4"));
        QCOMPARE(e.f.host.boxes.size(), std::size_t{1});
        QVERIFY(!asked);
        QVERIFY(QDir(e.folder.path()).entryList({"*.pdf"}).isEmpty());
    }
};

VOXMERE_GUI_TEST(form2_view_test, Form2ViewTest)
#include "form2_view_test.moc"
