// main() of the offscreen window tests: `gui_tests NAME [Qt Test options]`
// runs the test class registered as NAME, `gui_tests` alone runs them all.
#include "gui_rig.h"
#include "text/ui_text.h"

#include <QApplication>
#include <QTest>

#include <cstring>
#include <filesystem>
#include <vector>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true); // as QTEST_MAIN does
    // The windows in another language than Japanese, from the program
    // folder's catalogue, for the whole run.
    if (const QByteArray language = qgetenv("VOXMERE_TEST_LANGUAGE"); !language.isEmpty())
        vox::UseCatalogue(vox::ReadCatalogue(std::filesystem::path(VOXMERE_PROGRAM_DIR) / "lang" /
                                             (language.toStdString() + ".po")));
    auto &tests = vox::test::GuiTests();
    if (argc > 1 && argv[1][0] != '-') {
        const auto it = tests.find(argv[1]);
        if (it == tests.end()) {
            qWarning("no window test named %s", argv[1]);
            return 2;
        }
        std::vector<char *> args{argv[0]};
        args.insert(args.end(), argv + 2, argv + argc);
        const auto test = it->second();
        return QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    int failed = 0;
    for (const auto &[name, make] : tests) {
        const auto test = make();
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed;
}
