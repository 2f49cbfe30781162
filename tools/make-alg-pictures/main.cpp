// Draws the 32 algorithm pictures "alg1.jpg" .. "alg32.jpg" into a folder,
// with the routine the editor draws them with on screen.
//
// usage: make-alg-pictures FOLDER

#include "ui/algorithm_picture_view.h"
#include "voice/algorithms.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <filesystem>

namespace {

QImage Draw(int number) {
    QImage image(vox::kAlgorithmPictureSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    vox::DrawAlgorithmPicture(painter, QRectF(QPointF(0, 0), vox::kAlgorithmPictureSize), number);
    painter.end();
    return image;
}

} // namespace

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-alg-pictures FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (int n = 1; n <= vox::kAlgorithmCount; ++n) {
        const std::filesystem::path file = folder / vox::AlgorithmPictureName(n);
        if (!Draw(n).save(QString::fromStdString(file.string()), "JPG", 95)) {
            std::fprintf(stderr, "make-alg-pictures: cannot write %s\n", file.string().c_str());
            return 1;
        }
    }
    return 0;
}
