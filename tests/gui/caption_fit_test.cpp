// Every caption and value of every window fits its control at 96 dpi, in the
// fonts the program gives each class of control; no caption lies under
// another control. Run in English too, where each text must have its English.
#include "editor/explore_view.h"
#include "editor/form2.h"
#include "editor/form2_view.h"
#include "files/family_data_view.h"
#include "files/file_dialogs.h"
#include "files/file_dialogs_view.h"
#include "gui_rig.h"
#include "librarian/form1_view.h"
#include "librarian/form7_view.h"
#include "librarian/function_view.h"
#include "librarian/midi_settings_view.h"
#include "library/library_window_view.h"
#include "library_collection.h"
#include "scripted_dx7.h"
#include "test_support.h"
#include "ui/client_area_view.h"
#include "ui/control_layout.h"
#include "voice/init_voice.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QtTest>

#include <filesystem>
#include <fstream>

using namespace vox;
namespace fs = std::filesystem;

namespace {

// One control whose text does not fit, for the failure message.
QString Misfit(QWidget *w, const QString &text, const QString &why) {
    return QString("%1 (%2) \"%3\": %4").arg(w->objectName(), w->metaObject()->className(), text, why);
}

bool ShownToTheUser(QWidget *w) { return w->isVisible() && !w->visibleRegion().isEmpty(); }

// The room a label has for its caption, and whether the caption is there.
void CheckLabel(QLabel *label, QStringList &misfits) {
    const QString text = label->text();
    if (text.trimmed().isEmpty()) return;
    const QFontMetrics fm(label->font());
    const QRect room = label->contentsRect();
    const int need = fm.horizontalAdvance(dynamic_cast<ColumnHeading *>(label) ? text.simplified() : text);
    if (need > room.width())
        misfits << Misfit(label, text, QString("needs %1 px, has %2").arg(need).arg(room.width()));
    if (fm.height() > room.height() + 1)
        misfits << Misfit(label, text,
                          QString("line %1 px high, has %2").arg(fm.height()).arg(room.height()));
}

void CheckWrapButton(WrapButton *button, QStringList &misfits) {
    auto *label = button->findChild<QLabel *>();
    const QString text = button->caption();
    QStyleOptionButton option;
    option.initFrom(button);
    const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QRect room = contents.intersected(label->geometry());
    const QFontMetrics fm(label->font());
    const QStringList lines = button->shownCaption().split('\n');
    if (QString(lines.join("")).remove(' ') != QString(text).remove(' '))
        misfits << Misfit(button, text, "shows \"" + button->shownCaption() + "\"");
    for (const QString &line : lines) {
        if (fm.horizontalAdvance(line) > room.width())
            misfits << Misfit(button, text,
                              QString("line \"%1\" wider than %2 px").arg(line).arg(room.width()));
        if (lines.size() > 1 && line.trimmed().size() < 2)
            misfits << Misfit(button, text, QString("wraps a lone \"%1\"").arg(line));
    }
    const int need = static_cast<int>(lines.size()) * fm.lineSpacing();
    if (need > room.height() + 2)
        misfits << Misfit(
            button, text,
            QString("%1 lines need %2 px, has %3").arg(lines.size()).arg(need).arg(room.height()));
}

void CheckPushButton(QPushButton *button, QStringList &misfits) {
    QStyleOptionButton option;
    option.initFrom(button);
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QSize need = QFontMetrics(button->font()).size(Qt::TextShowMnemonic, button->text());
    if (need.width() > room.width() || need.height() > room.height())
        misfits << Misfit(button, button->text(),
                          QString("needs %1x%2, has %3x%4")
                              .arg(need.width())
                              .arg(need.height())
                              .arg(room.width())
                              .arg(room.height()));
}

void CheckOption(QAbstractButton *option, QStringList &misfits) {
    // The indicator, its spacing and the caption: what the button asks for.
    const QSize need = option->sizeHint();
    if (need.width() > option->width() || QFontMetrics(option->font()).height() > option->height())
        misfits << Misfit(option, option->text(),
                          QString("needs %1x%2, has %3x%4")
                              .arg(need.width())
                              .arg(need.height())
                              .arg(option->width())
                              .arg(option->height()));
}

void CheckLineEdit(QLineEdit *edit, QStringList &misfits) {
    const QString text = edit->text();
    if (text.isEmpty()) return;
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    room = room.marginsRemoved(edit->textMargins());
    room.adjust(2, 1, -2, -1); // the line edit's own margin around its text
    const QFontMetrics fm(edit->font());
    const int need = fm.horizontalAdvance(text);
    // A box that carries its whole text as a tool tip (the file dialogs'
    // folder) shows the end of a longer text, with the cursor there.
    const bool showsItsEnd = edit->toolTip() == text && edit->cursorPosition() == text.size();
    if (need > room.width() && !showsItsEnd)
        misfits << Misfit(edit, text, QString("needs %1 px, has %2").arg(need).arg(room.width()));
    if (fm.ascent() + fm.descent() > room.height() + 1)
        misfits << Misfit(
            edit, text,
            QString("line %1 px high, has %2").arg(fm.ascent() + fm.descent()).arg(room.height()));
}

void CheckList(QListWidget *list, QStringList &misfits) {
    for (int i = 0; i < list->count(); ++i) {
        const QString text = list->item(i)->text();
        const int need =
            QFontMetrics(list->item(i)->font()).horizontalAdvance(text) + 2 * list->spacing() + 4;
        if (need > list->viewport()->width())
            misfits << Misfit(list, text,
                              QString("needs %1 px, has %2").arg(need).arg(list->viewport()->width()));
    }
}

// A frame's caption: it fits the frame, and no other control of the same
// parent lies over it.
void CheckGroupBox(QGroupBox *box, QStringList &misfits) {
    if (box->title().isEmpty()) return;
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    option.textAlignment = box->alignment();
    const QRect label =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    const int need = QFontMetrics(box->font()).horizontalAdvance(box->title());
    if (need > label.width() || label.right() > box->width())
        misfits << Misfit(box, box->title(), QString("needs %1 px, has %2").arg(need).arg(label.width()));
    const QRect onParent = label.translated(box->pos());
    for (QObject *o : box->parentWidget()->children()) {
        auto *sibling = qobject_cast<QWidget *>(o);
        if (!sibling || sibling == box || !sibling->isVisible()) continue;
        if (sibling->testAttribute(Qt::WA_TransparentForMouseEvents)) continue;
        if (auto *l = qobject_cast<QLabel *>(sibling); l && l->text().isEmpty())
            continue; // caption-less target
        if (sibling->geometry().intersects(onParent))
            misfits << Misfit(box, box->title(), QString("caption lies under %1").arg(sibling->objectName()));
    }
}

// Shown in another language than Japanese, no text the user reads is
// left in Japanese: the window's title, its controls, its menus.
void CheckTranslated(QWidget &window, QStringList &misfits) {
    if (CurrentLanguage() == kJapanese) return;
    const auto check = [&](QObject *o, const QString &text) {
        if (test::HasJapanese(text.toStdString()))
            misfits << QString("%1 \"%2\": has no English").arg(o->objectName(), text);
    };
    check(&window, window.windowTitle());
    for (QAction *a : window.findChildren<QAction *>())
        check(a, a->text());
    for (QWidget *w : window.findChildren<QWidget *>()) {
        if (!ShownToTheUser(w)) continue;
        check(w, w->toolTip());
        if (auto *l = qobject_cast<QLabel *>(w)) check(w, l->text());
        if (auto *b = qobject_cast<QAbstractButton *>(w)) check(w, b->text());
        if (auto *g = qobject_cast<QGroupBox *>(w)) check(w, g->title());
        if (auto *e = qobject_cast<QLineEdit *>(w)) check(w, e->text());
        if (auto *list = qobject_cast<QListWidget *>(w))
            for (int i = 0; i < list->count(); ++i)
                check(w, list->item(i)->text());
    }
}

// Every control the user can see in the window, checked by its class.
QStringList Misfits(QWidget &window) {
    QStringList misfits;
    CheckTranslated(window, misfits);
    for (QWidget *w : window.findChildren<QWidget *>()) {
        if (!ShownToTheUser(w)) continue;
        if (auto *b = dynamic_cast<WrapButton *>(w))
            CheckWrapButton(b, misfits);
        else if (auto *l = qobject_cast<QLabel *>(w)) {
            if (!dynamic_cast<WrapButton *>(l->parentWidget())) CheckLabel(l, misfits);
        } else if (auto *p = qobject_cast<QPushButton *>(w))
            CheckPushButton(p, misfits);
        else if (auto *r = qobject_cast<QRadioButton *>(w))
            CheckOption(r, misfits);
        else if (auto *c = qobject_cast<QCheckBox *>(w))
            CheckOption(c, misfits);
        else if (auto *e = qobject_cast<QLineEdit *>(w)) {
            if (!qobject_cast<QComboBox *>(e->parentWidget())) CheckLineEdit(e, misfits);
        } else if (auto *list = qobject_cast<QListWidget *>(w))
            CheckList(list, misfits);
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            CheckGroupBox(g, misfits);
    }
    return misfits;
}

void Show(QWidget &window) {
    window.show();
    // All of the client in view, however small the screen (controls
    // scrolled out of view are not shown to the user); a window that may
    // grow has no maximum, and its whole client is its least size.
    QSize all = window.maximumSize();
    if (const QScrollArea *scroll = ClientScrollArea(&window); scroll && scroll->widgetResizable())
        all = scroll->widget()->minimumSize();
    window.resize(all);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

#define VERIFY_FITS(window, state)                                                                           \
    do {                                                                                                     \
        const QStringList misfits = Misfits(window);                                                         \
        QVERIFY2(misfits.isEmpty(), qPrintable(QString(state) + ":\n" + misfits.join('\n')));                \
    } while (false)

// A voice whose texts are the widest the chart shows: sharps in the break
// points, the square LFO wave, a fixed frequency, a sharp transposition.
Slot WideVoice() {
    Slot voice = InitialVoice();
    for (int op = 1; op <= 6; ++op) {
        voice[ParamPos(OpParamNumber(op, OpParam::BreakPoint))] =
            static_cast<Byte>(40 + 2 * op); // "C# 3" ...
        voice[ParamPos(OpParamNumber(op, OpParam::OscMode))] = op % 2;
        voice[ParamPos(OpParamNumber(op, OpParam::FreqCoarse))] = 31;
        voice[ParamPos(OpParamNumber(op, OpParam::FreqFine))] = 99;
        voice[ParamPos(OpParamNumber(op, OpParam::Detune))] = 0; // "-7"
    }
    voice[ParamPos(param::LfoWave)] = 3;    // "SQUA"
    voice[ParamPos(param::Transpose)] = 25; // "C# 3"
    const char *name = "BRASS   1 ";
    for (std::size_t i = 0; i < kNameLength; ++i)
        voice[kNamePos + i] = static_cast<Byte>(name[i]);
    return voice;
}

} // namespace

class CaptionFitTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(UiFont()); }

    void theMainWindowsCaptionsFit() {
        test::ProgramFixture f;
        test::SeedBank(f.ws, test::MakeBankVoice);
        f.ws.placeEntry(32);
        Form1View view(f.program);
        Show(view);
        VERIFY_FITS(view, "main window");
        // With the receive running: its cancel button and progress bar show.
        f.state.receive.recvMode = 1;
        f.program.form1.progressBar1.visible = true;
        view.refresh();
        VERIFY_FITS(view, "main window receiving");
    }

    void theEditorsCaptionsFitInEveryGroup() {
        test::ProgramFixture f;
        f.out.open();
        test::SeedBank(f.ws, [](int n) { return n == 12 ? WideVoice() : Slot{}; });
        f.ws.placeEntry(12);
        f.program.form2.load();
        Form2View view(f.program);
        Show(view);
        VERIFY_FITS(view, "editor");
        // Each panel of the Data Entry Zone, opened by a click on its group.
        for (const char *target : {"Text23_0", "Text9", "Label30", "Text1", "Text2", "Text7", "Text17",
                                   "Text31_0", "Text34_0", "Text32_0", "Text21_0", "Text22_0", "Text37_0"}) {
            f.program.form2.controlClick(target);
            view.refresh();
            VERIFY_FITS(view, QString("editor, group of %1").arg(target));
        }
    }

    void theFileDialogsCaptionsPathsAndNamesFit() {
        test::ProgramFixture f;
        const test::ProgramFolder folder("fit");
        for (const char *name :
             {"32voice/FACTORY ROM1A.v32", "32voice/my strings bank.syx", "1voice/BRASS 1 warm.v01"})
            std::ofstream(folder / name) << "x";
        f.state.programFolder = folder.path();
        test::OneVolume(f.program.form3, f.program.form4, f.program.form5, f.program.form6);
        Form3View form3(f.program);
        Form4View form4(f.program);
        Form5View form5(f.program);
        Form6View form6(f.program);
        f.program.form3.open();
        f.program.form4.open();
        f.program.form5.openFromMainWindow(" BRASS   1 ");
        f.program.form6.open();
        for (FileDialogView *view :
             {static_cast<FileDialogView *>(&form3), static_cast<FileDialogView *>(&form4),
              static_cast<FileDialogView *>(&form5), static_cast<FileDialogView *>(&form6)}) {
            view->refresh();
            Show(*view);
            // The folders above the test's own come from TMPDIR, which the
            // test does not choose: a long one may not fit, as a user's may not.
            QStringList misfits = Misfits(*view);
            for (const fs::path &part : fs::temp_directory_path())
                misfits.removeIf([&](const QString &m) {
                    return m.contains(QString::fromStdString(part.string()) + "\": ");
                });
            QVERIFY2(misfits.isEmpty(), qPrintable(view->objectName() + ":\n" + misfits.join('\n')));
            // A folder too long for its box still shows whole as a tool tip.
            auto *text1 = view->findChild<QLineEdit *>("Text1");
            QCOMPARE(text1->toolTip(), text1->text());
        }
    }

    void theOverwriteChoosersCaptionsFit() {
        test::ProgramFixture f;
        test::SeedBank(f.ws, test::MakeBankVoice);
        f.ws.placeEntry(1);
        f.program.form1.command12Click();
        Form7View view(f.program);
        Show(view);
        VERIFY_FITS(view, "Form7");
    }

    void theMidiSettingsWindowsCaptionsFit() {
        test::ProgramFixture f;
        f.state.exchange = {ReceiveMode::Fast, 500, 0.25, 10, 16, 1024, true}; // the widest values
        f.program.form1.mnuMidiSettingsClick();
        MidiSettingsView view(f.program);
        Show(view);
        VERIFY_FITS(view, "MIDI settings, fast");
        f.program.midiSettings.option1Click();
        view.refresh();
        VERIFY_FITS(view, "MIDI settings, standard");
    }

    void theFunctionSettingsWindowsCaptionsFit() {
        test::ProgramFixture f;
        f.program.functions.values.set(static_cast<int>(FunctionParam::PortaMode), 1); // the longer mode
        FunctionView view(f.program);
        Show(view);
        VERIFY_FITS(view, "function settings");
    }

    void theDx7iiDataWindowsCaptionsFit() {
        test::ProgramFixture f;
        FamilyDataView view(f.program);
        Show(view);
        VERIFY_FITS(view, "DX7 II data");
    }

    void theExploreWindowsCaptionsFit() {
        test::ProgramFixture f;
        test::SeedBank(f.ws, test::MakeBankVoice);
        f.ws.placeEntry(1);
        f.program.openExplore();
        f.program.explore.command3Click(); // the variations' buttons shown
        ExploreView view(f.program);
        Show(view);
        VERIFY_FITS(view, "explore window");
    }

    void theLibraryWindowsCaptionsFit() {
        test::ProgramFixture f;
        test::ScratchFolder data{"libwin-fit"};
        test::Collection collection;
        LibraryWindowForm &form = f.program.library;
        form.setCatalogFile(data / "library.sqlite");
        form.chooseFolder = [&] { return std::optional<std::string>(collection.folder.path().string()); };
        f.program.form1.mnuLibraryClick();
        form.command1Click();
        form.waitForRun();
        LibraryWindowView view(f.program);
        Show(view);
        VERIFY_FITS(view, "library, results after an index");
        form.option2Click();
        form.command5Click();
        form.waitForRun();
        view.refresh();
        VERIFY_FITS(view, "library, same-sound groups");
        // The windows of a comparison and of a voice's whereabouts.
        form.option1Click();
        form.resultsChoose({0, 1});
        form.command9Click();
        form.resultClick(0);
        form.command10Click();
        view.refresh();
        for (const char *name : {"LibraryCompare", "LibraryWhere"}) {
            auto *window = view.findChild<QWidget *>(name);
            QVERIFY2(window && window->isVisible(), name);
            VERIFY_FITS(*window, name);
        }
    }
};

VOXMERE_GUI_TEST(caption_fit_test, CaptionFitTest)
#include "caption_fit_test.moc"
