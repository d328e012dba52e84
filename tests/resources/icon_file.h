#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QtEndian>

// A reader of .ico files written for the tests, independent of the generator's writer: it takes
// the directory and the 4-bit images apart field by field.
namespace icon_file {

struct Entry
{
    int width = 0;
    int height = 0;
    int colourCount = 0;
    int reserved = 0;
    int planes = 0;
    int bitCount = 0;
    quint32 bytesInRes = 0;
    quint32 imageOffset = 0;
};

struct Directory
{
    int reserved = -1;
    int type = -1;
    QList<Entry> entries;
};

// One decoded image: its colours with the mask applied, its palette indices and its mask bits.
struct Image
{
    QImage argb;
    QList<int> indices; // row by row from the top
    QList<int> mask;    // 1 where the screen shows through
    int headerWidth = 0;
    int headerHeight = 0;
    int headerBitCount = 0;
    int headerCompression = -1;
    quint32 headerSizeImage = 0;

    int index(int x, int y) const { return indices.at(y * argb.width() + x); }
    int maskBit(int x, int y) const { return mask.at(y * argb.width() + x); }
};

inline quint16 u16(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

inline quint32 u32(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

inline Directory readDirectory(const QByteArray &file)
{
    Directory dir;
    if (file.size() < 6)
        return dir;
    dir.reserved = u16(file, 0);
    dir.type = u16(file, 2);
    const int count = u16(file, 4);
    for (int i = 0; i < count && 6 + 16 * (i + 1) <= file.size(); ++i) {
        const qsizetype at = 6 + 16 * i;
        Entry e;
        e.width = static_cast<quint8>(file[at]);
        e.height = static_cast<quint8>(file[at + 1]);
        e.colourCount = static_cast<quint8>(file[at + 2]);
        e.reserved = static_cast<quint8>(file[at + 3]);
        e.planes = u16(file, at + 4);
        e.bitCount = u16(file, at + 6);
        e.bytesInRes = u32(file, at + 8);
        e.imageOffset = u32(file, at + 12);
        dir.entries.append(e);
    }
    return dir;
}

// Decodes a 4-bit image with its AND mask; a null argb when the data does not fit.
inline Image decode4(const QByteArray &file, const Entry &entry)
{
    Image image;
    const qsizetype at = entry.imageOffset;
    if (at + 40 + 64 > file.size())
        return image;
    image.headerWidth = static_cast<qint32>(u32(file, at + 4));
    image.headerHeight = static_cast<qint32>(u32(file, at + 8));
    image.headerBitCount = u16(file, at + 14);
    image.headerCompression = static_cast<int>(u32(file, at + 16));
    image.headerSizeImage = u32(file, at + 20);
    const int width = image.headerWidth;
    const int height = image.headerHeight / 2;
    if (image.headerBitCount != 4 || width <= 0 || height <= 0)
        return image;

    const qsizetype palette = at + u32(file, at);
    const int xorStride = ((width * 4 + 31) / 32) * 4;
    const int andStride = ((width + 31) / 32) * 4;
    const qsizetype xorBits = palette + 16 * 4;
    const qsizetype andBits = xorBits + qsizetype(xorStride) * height;
    if (andBits + qsizetype(andStride) * height > file.size())
        return image;

    image.argb = QImage(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        const int row = height - 1 - y; // stored bottom-up
        for (int x = 0; x < width; ++x) {
            const auto byte = static_cast<quint8>(file[xorBits + row * xorStride + x / 2]);
            const int index = (x % 2 == 0) ? (byte >> 4) : (byte & 0x0f);
            const auto maskByte = static_cast<quint8>(file[andBits + row * andStride + x / 8]);
            const int maskBit = (maskByte >> (7 - x % 8)) & 1;
            const qsizetype colour = palette + 4 * index;
            const QRgb rgb = qRgb(static_cast<quint8>(file[colour + 2]),
                                  static_cast<quint8>(file[colour + 1]),
                                  static_cast<quint8>(file[colour]));
            image.indices.append(index);
            image.mask.append(maskBit);
            // Where the mask is set and the colour black, the screen shows unchanged.
            image.argb.setPixel(x, y, maskBit ? (index == 0 ? qRgba(0, 0, 0, 0) : 0x7fff00ffu) : rgb);
        }
    }
    return image;
}

} // namespace icon_file
