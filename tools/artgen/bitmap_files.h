#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// Encoders for the exact file layouts the program ships. Qt writes neither 4-bit icons nor a
// BMP whose every header field is fixed by us, so these build the bytes themselves.
namespace artgen {

// An .ico holding each image at 4 bits per pixel with an AND mask. Every pixel must be either
// fully transparent or one of the sixteen palette colours; transparent pixels get mask bit 1.
QByteArray encodeIco4(const QList<QImage> &images);

// A bottom-up, uncompressed 24-bit BMP with a 54-byte header.
QByteArray encodeBmp24(const QImage &image, qint32 pixelsPerMetre);

// A PNG with no text chunks and the given resolution, so that the bytes depend on the pixels alone.
QByteArray encodePng(const QImage &image, int pixelsPerMetre);

} // namespace artgen
