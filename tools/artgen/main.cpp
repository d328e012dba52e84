// Writes the program's icons and About picture under the folder given as the only argument.
// The output depends on nothing but this program: no time, no screen, no locale; it draws on
// images only, so it needs no application object and no display.

#include "art.h"
#include "bitmap_files.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <exception>

namespace {

// The About picture's resolution, 96 dots per inch as pixels per metre.
constexpr int kPixelsPerMetre = 3780;

void writeFile(const QDir &root, const QString &relativePath, const QByteArray &bytes)
{
    const QString path = root.filePath(relativePath);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw std::runtime_error("cannot create the folder of " + path.toStdString());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()
        || !file.flush())
        throw std::runtime_error("cannot write " + path.toStdString());
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavrin_artgen <resources folder>\n");
        return 2;
    }
    try {
        const QDir root(QString::fromLocal8Bit(argv[1]));
        const QImage tree16 = artgen::christmasTreeIcon(16);
        const QImage tree32 = artgen::christmasTreeIcon(32);
        const QImage face = artgen::smilingFaceIcon();

        writeFile(root, "icons/tavrin.ico", artgen::encodeIco4({tree32, tree16}));
        for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
            writeFile(root, QStringLiteral("icons/hicolor/%1x%1/apps/tavrin.png").arg(size),
                      artgen::encodePng(artgen::christmasTreeIcon(size), kPixelsPerMetre));
        }
        writeFile(root, "icons/hicolor/scalable/apps/tavrin.svg",
                  artgen::encodeSvg(artgen::christmasTreeDrawing(0)));
        writeFile(root, "icons/about.ico", artgen::encodeIco4({face}));
        writeFile(root, "icons/about.png", artgen::encodePng(face, kPixelsPerMetre));
        writeFile(root, "about_picture.bmp", artgen::encodeBmp24(artgen::easelPicture(), kPixelsPerMetre));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "tavrin_artgen: %s\n", error.what());
        return 1;
    }
    return 0;
}
