#include "librarian/midi_settings_view.h"

#include "librarian/midi_settings.h"
#include "librarian/midi_settings_layout.h"
#include "ui/client_area_view.h"
#include "ui/qt_text.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vox {

MidiSettingsView::MidiSettingsView(MidiSettingsForm &form, FormContext program, QWidget *parent)
    : QWidget(parent, Qt::Dialog), program_(program), form_(form) {
    setObjectName("MidiSettings");
    setWindowTitle(Qs(midi_settings_text::kCaption));
    setFont(UiFont());
    QWidget *client =
        MakeClientArea(this, midi_settings_layout::kClientWidth, midi_settings_layout::kClientHeight);

    const BuiltControls built = BuildControls(midi_settings_layout::kControls, client);
    option1_ = built.get<QRadioButton>("Option1");
    option2_ = built.get<QRadioButton>("Option2");
    connect(option1_, &QRadioButton::clicked, this, [this] {
        form_.option1Click();
        after();
    });
    connect(option2_, &QRadioButton::clicked, this, [this] {
        form_.option2Click();
        after();
    });
    auto entry = [&](const char *name, std::string MidiSettingsForm::*text) {
        auto *edit = built.get<QLineEdit>(name);
        connect(edit, &QLineEdit::textEdited, this,
                [this, text](const QString &t) { form_.*text = t.toStdString(); });
        return edit;
    };
    text1_ = entry("Text1", &MidiSettingsForm::text1);
    text2_ = entry("Text2", &MidiSettingsForm::text2);
    text3_ = entry("Text3", &MidiSettingsForm::text3);
    text4_ = entry("Text4", &MidiSettingsForm::text4);
    text5_ = entry("Text5", &MidiSettingsForm::text5);
    check1_ = built.get<QCheckBox>("Check1");
    connect(check1_, &QCheckBox::clicked, this, [this] {
        form_.check1Click();
        after();
    });
    combo1_ = built.get<QComboBox>("Combo1");
    for (const Text &model : midi_settings_text::kModels)
        combo1_->addItem(Qs(model));
    connect(combo1_, &QComboBox::activated, this, [this](int index) { form_.combo1 = index; });
    int n = 0;
    for (const char *name : {"Label3", "Text2", "Label4", "Label5", "Text3", "Label6"})
        fastEntries_[n++] = built[name];
    auto *ok = built.get<QPushButton>("Command1");
    ok->setDefault(true); // Enter in an entry means OK
    connect(ok, &QPushButton::clicked, this, [this] {
        form_.command1Click();
        after();
    });
    connect(built.get<QPushButton>("Command2"), &QPushButton::clicked, this, [this] {
        form_.command2Click();
        after();
    });
    refresh();
}

void MidiSettingsView::closeEvent(QCloseEvent *event) {
    // The close box acts as キャンセル; a close the form asked for finds it
    // already closed and does nothing more.
    form_.queryUnload();
    event->accept();
    after();
}

void MidiSettingsView::after() { program_.host.refreshAll(); }

void MidiSettingsView::refresh() {
    option1_->setChecked(form_.option1);
    option2_->setChecked(form_.option2);
    for (auto [edit, text] :
         {std::pair{text1_, &form_.text1}, std::pair{text2_, &form_.text2}, std::pair{text3_, &form_.text3},
          std::pair{text4_, &form_.text4}, std::pair{text5_, &form_.text5}})
        if (edit->text() != Qs(*text)) edit->setText(Qs(*text));
    check1_->setChecked(form_.check1);
    if (combo1_->currentIndex() != form_.combo1) combo1_->setCurrentIndex(form_.combo1);
    for (QWidget *w : fastEntries_)
        w->setEnabled(form_.fastEntriesEnabled());
}

} // namespace vox
