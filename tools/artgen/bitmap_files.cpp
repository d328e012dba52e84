#include "bitmap_files.h"

#include "palette16.h"

#include <QBuffer>
#include <QDataStream>
#include <QImageWriter>

#include <algorithm>
#include <stdexcept>

namespace artgen {

namespace {

constexpr quint32 kBitmapInfoHeaderSize = 40;
constexpr quint32 kBmpFileHeaderSize = 14;
constexpr quint16 kIconDirSize = 6;
constexpr quint16 kIconDirEntrySize = 16;

// Rows of a device-independent bitmap are padded to whole 32-bit words.
constexpr int rowStride(int width, int bitsPerPixel)
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

quint8 paletteIndex(QRgb pixel)
{
    const auto &colours = palette16::kColours;
    const auto found = std::find(colours.begin(), colours.end(), pixel);
    if (found == colours.end())
        throw std::runtime_error("icon pixel outside the 16-colour palette");
    return static_cast<quint8>(found - colours.begin());
}

bool isTransparent(QRgb pixel)
{
    if (qAlpha(pixel) == 0)
        return true;
    if (qAlpha(pixel) != 255)
        throw std::runtime_error("icon pixel neither opaque nor transparent");
    return false;
}

// The XOR image, the AND mask and the palette of one icon image, as stored in the file.
QByteArray iconImageData(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const int xorStride = rowStride(width, 4);
    const int andStride = rowStride(width, 1);

    QByteArray xorBits(xorStride * height, '\0');
    QByteArray andBits(andStride * height, '\0');
    for (int y = 0; y < height; ++y) {
        const int storedRow = height - 1 - y; // bottom-up
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (isTransparent(line[x])) {
                // Black in the XOR image and 1 in the mask leave the screen untouched.
                andBits[storedRow * andStride + x / 8] =
                    static_cast<char>(andBits[storedRow * andStride + x / 8] | (0x80 >> (x % 8)));
                continue;
            }
            const quint8 index = paletteIndex(line[x]);
            const int shift = (x % 2 == 0) ? 4 : 0; // the left pixel is the high nibble
            char &byte = xorBits[storedRow * xorStride + x / 2];
            byte = static_cast<char>(byte | (index << shift));
        }
    }

    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << kBitmapInfoHeaderSize << qint32(width)
        << qint32(height * 2) // the XOR image and the mask, stacked
        << quint16(1) << quint16(4) << quint32(0) // planes, bits per pixel, BI_RGB
        << quint32(xorBits.size() + andBits.size())
        << qint32(0) << qint32(0) // an icon carries no resolution
        << quint32(0) << quint32(0); // the full 16-entry palette, all colours important
    for (const QRgb colour : palette16::kColours)
        out << quint8(qBlue(colour)) << quint8(qGreen(colour)) << quint8(qRed(colour)) << quint8(0);
    data.append(xorBits);
    data.append(andBits);
    return data;
}

} // namespace

QByteArray encodeIco4(const QList<QImage> &images)
{
    QList<QByteArray> bodies;
    for (const QImage &image : images) {
        if (image.width() > 255 || image.height() > 255)
            throw std::runtime_error("icon image too large for a directory entry");
        bodies.append(iconImageData(image));
    }

    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(images.size()); // reserved, type icon, count
    quint32 offset = kIconDirSize + kIconDirEntrySize * quint32(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        out << quint8(images[i].width()) << quint8(images[i].height())
            << quint8(16) << quint8(0) // colours in the palette, reserved
            << quint16(1) << quint16(4) // planes, bits per pixel
            << quint32(bodies[i].size()) << offset;
        offset += quint32(bodies[i].size());
    }
    for (const QByteArray &body : bodies)
        file.append(body);
    return file;
}

QByteArray encodeBmp24(const QImage &source, qint32 pixelsPerMetre)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const int stride = rowStride(width, 24);
    const quint32 pixelBytes = quint32(stride * height);
    const quint32 headerBytes = kBmpFileHeaderSize + kBitmapInfoHeaderSize;

    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint8('B') << quint8('M') << quint32(headerBytes + pixelBytes)
        << quint16(0) << quint16(0) << headerBytes;
    out << kBitmapInfoHeaderSize << qint32(width) << qint32(height) // positive height: bottom-up
        << quint16(1) << quint16(24) << quint32(0) // planes, bits per pixel, BI_RGB
        << pixelBytes << pixelsPerMetre << pixelsPerMetre
        << quint32(0) << quint32(0); // no palette

    QByteArray pixels(pixelBytes, '\0');
    for (int y = 0; y < height; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        char *stored = pixels.data() + (height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            stored[3 * x] = static_cast<char>(qBlue(line[x]));
            stored[3 * x + 1] = static_cast<char>(qGreen(line[x]));
            stored[3 * x + 2] = static_cast<char>(qRed(line[x]));
        }
    }
    file.append(pixels);
    return file;
}

QByteArray encodePng(const QImage &source, int pixelsPerMetre)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    image.setDotsPerMeterX(pixelsPerMetre);
    image.setDotsPerMeterY(pixelsPerMetre);
    for (const QString &key : image.textKeys())
        image.setText(key, QString());

    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(0); // for PNG, the lowest quality means the strongest (still lossless) compression
    if (!writer.write(image))
        throw std::runtime_error(writer.errorString().toStdString());
    return file;
}

} // namespace artgen
