#include "librarian/function_view.h"

#include "librarian/function_form.h"
#include "librarian/function_layout.h"
#include "ui/client_area_view.h"
#include "ui/qt_text.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QPushButton>

#include <string>

namespace vox {

FunctionView::FunctionView(FunctionForm &form, FormContext program, QWidget *parent)
    : QWidget(parent, Qt::Window), program_(program), form_(form) {
    setObjectName("FunctionSettings");
    setWindowTitle(Qs(function_text::kCaption));
    setFont(UiFont());
    QWidget *client = MakeClientArea(this, function_layout::kClientWidth, function_layout::kClientHeight);
    const BuiltControls built = BuildControls(function_layout::kControls, client);

    using P = FunctionParam;
    const std::pair<const char *, P> combos[] = {
        {"ComboPolyMono", P::PolyMono},   {"ComboBendRange", P::BendRange},
        {"ComboBendStep", P::BendStep},   {"ComboPortaMode", P::PortaMode},
        {"ComboGlissando", P::Glissando}, {"ComboPortaTime", P::PortaTime},
        {"ComboWheel", P::WheelRange},    {"ComboFoot", P::FootRange},
        {"ComboBreath", P::BreathRange},  {"ComboAftertouch", P::AftertouchRange},
    };
    std::size_t n = 0;
    for (const auto &[name, p] : combos) {
        auto *combo = built.get<QComboBox>(name);
        for (const std::string &item : FunctionForm::Choices(p))
            combo->addItem(Qs(item));
        combo->setMaxVisibleItems(16);
        connect(combo, &QComboBox::activated, this, [this, p](int index) {
            form_.choose(p, index);
            after();
        });
        combos_[n++] = {combo, p};
    }
    for (int source = 0; source < 4; ++source)
        for (int bit = 0; bit < 3; ++bit) {
            const std::string name = "Assign" + std::to_string(source) + std::to_string(bit);
            auto *box = built.get<QCheckBox>(QString::fromStdString(name));
            connect(box, &QCheckBox::clicked, this, [this, source, bit] {
                form_.assignClick(source, bit);
                after();
            });
            assigns_[static_cast<std::size_t>(source * 3 + bit)] = box;
        }
    connect(built.get<QPushButton>("SendAll"), &QPushButton::clicked, this, [this] {
        form_.sendAllClick();
        after();
    });
    connect(built.get<QPushButton>("Close"), &QPushButton::clicked, this, [this] {
        form_.closeClick();
        after();
    });
    refresh();
}

void FunctionView::closeEvent(QCloseEvent *event) {
    form_.queryUnload();
    event->accept();
    after();
}

void FunctionView::after() { program_.host.refreshAll(); }

void FunctionView::refresh() {
    for (const auto &[combo, p] : combos_)
        if (combo->currentIndex() != form_.values.get(p)) combo->setCurrentIndex(form_.values.get(p));
    for (int i = 0; i < 12; ++i)
        assigns_[static_cast<std::size_t>(i)]->setChecked(form_.assigned(i / 3, i % 3));
}

} // namespace vox
