#include "editor/explore_view.h"

#include "editor/explore_form.h"
#include "editor/explore_layout.h"
#include "ui/client_area_view.h"
#include "ui/qt_text.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace vox {

namespace {
constexpr int kPercentPageStep = 10;
}

ExploreView::ExploreView(ExploreForm &form, FormContext program, QWidget *parent)
    : QWidget(parent, Qt::Window), program_(program), form_(form) {
    setObjectName("Explore");
    setWindowTitle(Qs(explore_text::kCaption));
    setFont(UiFont());
    QWidget *client = MakeClientArea(this, explore_layout::kClientWidth, explore_layout::kClientHeight);
    const BuiltControls built = BuildControls(explore_layout::kControls, client);

    auto slider = [&](const char *name) {
        auto *bar = built.get<QScrollBar>(name);
        bar->setOrientation(Qt::Horizontal);
        bar->setRange(0, 100);
        bar->setPageStep(kPercentPageStep);
        return bar;
    };
    hScroll1_ = slider("HScroll1");
    connect(hScroll1_, &QScrollBar::valueChanged, this, [this](int v) {
        if (refreshing_) return;
        form_.hScroll1Change(v);
        after();
    });
    hScroll2_ = slider("HScroll2");
    connect(hScroll2_, &QScrollBar::sliderPressed, this, [this] {
        form_.hScroll2Press();
        after();
    });
    connect(hScroll2_, &QScrollBar::valueChanged, this, [this](int v) {
        if (refreshing_) return;
        form_.hScroll2Change(v);
        after();
    });
    connect(hScroll2_, &QScrollBar::sliderReleased, this, [this] {
        form_.hScroll2Release();
        after();
    });
    label2_ = built.get<QLabel>("Label2");
    label6_ = built.get<QLabel>("Label6");
    text1_ = built.get<QLineEdit>("Text1");
    connect(text1_, &QLineEdit::textEdited, this,
            [this](const QString &t) { form_.text1Change(t.toStdString()); });

    std::array<bool *, 10> flags{&form_.check1, &form_.check2, &form_.check3};
    for (std::size_t op = 0; op < form_.check4.size(); ++op)
        flags[3 + op] = &form_.check4[op];
    flags[9] = &form_.check5;
    const char *names[10] = {"Check1",   "Check2",   "Check3",   "Check4_0", "Check4_1",
                             "Check4_2", "Check4_3", "Check4_4", "Check4_5", "Check5"};
    for (std::size_t i = 0; i < checks_.size(); ++i) {
        checks_[i] = built.get<QCheckBox>(names[i]);
        connect(checks_[i], &QCheckBox::clicked, this, [this, flag = flags[i]](bool on) {
            *flag = on;
            after();
        });
    }
    combo1_ = built.get<QComboBox>("Combo1");
    combo1_->setFont(ControlFont(FontClass::FixedList));
    connect(combo1_, &QComboBox::activated, this, [this](int index) {
        form_.combo1Click(index);
        after();
    });

    const std::array<void (ExploreForm::*)(), 3> tools{
        &ExploreForm::command1Click, &ExploreForm::command2Click, &ExploreForm::command3Click};
    const char *toolNames[3] = {"Command1", "Command2", "Command3"};
    for (std::size_t i = 0; i < tools_.size(); ++i) {
        auto *button = built.get<WrapButton>(toolNames[i]);
        tools_[i] = button;
        connect(button, &WrapButton::clicked, this, [this, click = tools[i]] {
            (form_.*click)();
            after();
        });
    }
    for (int n = 0; n < static_cast<int>(variations_.size()); ++n) {
        variations_[static_cast<std::size_t>(n)] =
            built.get<QPushButton>(QStringLiteral("Command5_%1").arg(n));
        connect(variations_[static_cast<std::size_t>(n)], &QPushButton::clicked, this, [this, n] {
            form_.command5Click(n);
            after();
        });
    }
    auto *adopt = built.get<WrapButton>("Command4");
    adopt_ = adopt;
    connect(adopt, &WrapButton::clicked, this, [this] {
        form_.command4Click();
        after();
    });
    refresh();
}

void ExploreView::closeEvent(QCloseEvent *event) {
    form_.queryUnload();
    event->accept();
    after();
}

void ExploreView::after() { program_.host.refreshAll(); }

void ExploreView::refresh() {
    refreshing_ = true;
    const QSignalBlocker b1(hScroll1_), b2(combo1_);
    hScroll1_->setValue(form_.hScroll1);
    // The morph slider's own drag is left alone: setting it would fight the hand.
    if (!hScroll2_->isSliderDown()) {
        const QSignalBlocker b3(hScroll2_);
        hScroll2_->setValue(form_.hScroll2);
    }
    label2_->setText(Qs(form_.amountText()));
    label6_->setText(Qs(form_.morphText()));
    if (text1_->text() != Qs(form_.text1)) text1_->setText(Qs(form_.text1));
    const std::array<bool, 10> flags{form_.check1,    form_.check2,    form_.check3,    form_.check4[0],
                                     form_.check4[1], form_.check4[2], form_.check4[3], form_.check4[4],
                                     form_.check4[5], form_.check5};
    for (std::size_t i = 0; i < checks_.size(); ++i)
        checks_[i]->setChecked(flags[i]);
    QStringList items;
    for (const std::string &entry : form_.combo1Items)
        items << Qs(entry);
    QStringList shown;
    for (int i = 0; i < combo1_->count(); ++i)
        shown << combo1_->itemText(i);
    if (shown != items) {
        combo1_->clear();
        combo1_->addItems(items);
    }
    combo1_->setCurrentIndex(form_.combo1Index);
    const bool tools = form_.toolsEnabled();
    tools_[0]->setEnabled(tools);
    tools_[1]->setEnabled(tools && form_.partnerEnabled());
    tools_[2]->setEnabled(tools);
    combo1_->setEnabled(form_.partnerEnabled());
    hScroll2_->setEnabled(tools && form_.partnerEnabled());
    for (std::size_t n = 0; n < variations_.size(); ++n) {
        variations_[n]->setVisible(form_.variationsVisible);
        variations_[n]->setDown(form_.chosenVariation == static_cast<int>(n));
    }
    adopt_->setVisible(form_.variationsVisible);
    adopt_->setEnabled(form_.adoptEnabled());
    refreshing_ = false;
}

} // namespace vox
