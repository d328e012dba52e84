// The committed art, read back from the files themselves rather than trusted to the generator.

#include "icon_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QSet>
#include <QTest>
#include <QtEndian>

namespace {

const QString kResources = QStringLiteral(TAVRIN_RESOURCES_DIR);

QByteArray readAll(const QString &relativePath)
{
    QFile file(kResources + '/' + relativePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

quint16 u16(const QByteArray &data, qsizetype at) { return icon_file::u16(data, at); }
quint32 u32(const QByteArray &data, qsizetype at) { return icon_file::u32(data, at); }

// The names of a PNG's chunks, in file order.
QStringList pngChunks(const QByteArray &png)
{
    QStringList names;
    qsizetype at = 8;
    while (at + 8 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        names.append(QString::fromLatin1(png.mid(at + 4, 4)));
        at += 12 + qsizetype(length);
    }
    return names;
}

bool isGreen(QRgb c) { return qGreen(c) >= 0x80 && qRed(c) == 0 && qBlue(c) == 0; }

} // namespace

class tst_ArtFiles : public QObject
{
    Q_OBJECT

private slots:
    void aboutPictureHeader();
    void aboutPictureShowsAnEaselOnBlack();
    void iconDirectory_data();
    void iconDirectory();
    void iconImagesMatchThePngs_data();
    void iconImagesMatchThePngs();
    void iconMasksMakeTheBackgroundTransparent();
    void iconsShowWhatTheyShould();
    void pngsCarryNoTextOrTime_data();
    void pngsCarryNoTextOrTime();
};

void tst_ArtFiles::aboutPictureHeader()
{
    const QByteArray bmp = readAll("about_picture.bmp");
    QCOMPARE(bmp.size(), 230454);
    QCOMPARE(bmp.left(2), QByteArray("BM"));
    QCOMPARE(u32(bmp, 2), 230454u);     // file size
    QCOMPARE(u32(bmp, 6), 0u);          // reserved
    QCOMPARE(u32(bmp, 10), 54u);        // pixels start right after the header
    QCOMPARE(u32(bmp, 14), 40u);        // BITMAPINFOHEADER
    QCOMPARE(static_cast<qint32>(u32(bmp, 18)), 320);
    QCOMPARE(static_cast<qint32>(u32(bmp, 22)), 240); // positive: bottom-up
    QCOMPARE(u16(bmp, 26), quint16(1)); // planes
    QCOMPARE(u16(bmp, 28), quint16(24));
    QCOMPARE(u32(bmp, 30), 0u);         // BI_RGB, uncompressed
    QCOMPARE(u32(bmp, 34), 230400u);
    QCOMPARE(static_cast<qint32>(u32(bmp, 38)), 3780);
    QCOMPARE(static_cast<qint32>(u32(bmp, 42)), 3780);
    QCOMPARE(u32(bmp, 46), 0u);         // no palette
    QCOMPARE(u32(bmp, 50), 0u);
}

void tst_ArtFiles::aboutPictureShowsAnEaselOnBlack()
{
    const QByteArray bmp = readAll("about_picture.bmp");
    QCOMPARE(bmp.size(), 230454);
    // Our own bottom-up reading must agree with Qt's decoder, row order included.
    const QImage decoded = QImage::fromData(bmp, "BMP").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(decoded.size(), QSize(320, 240));
    for (const QPoint p : {QPoint(0, 0), QPoint(319, 0), QPoint(160, 120), QPoint(5, 230)}) {
        const qsizetype at = 54 + qsizetype(239 - p.y()) * 960 + 3 * p.x();
        const QRgb stored = qRgb(static_cast<quint8>(bmp[at + 2]), static_cast<quint8>(bmp[at + 1]),
                                 static_cast<quint8>(bmp[at]));
        QCOMPARE(decoded.pixel(p), stored);
    }

    // Black all round the easel; the board fills the middle, and chalk is drawn on it.
    for (const QPoint p : {QPoint(0, 0), QPoint(319, 0), QPoint(0, 239), QPoint(319, 239),
                           QPoint(10, 120), QPoint(310, 120)})
        QCOMPARE(decoded.pixel(p), qRgb(0, 0, 0));
    int slate = 0;
    int chalk = 0;
    for (int y = 40; y < 160; ++y) {
        for (int x = 66; x < 254; ++x) {
            const QRgb c = decoded.pixel(x, y);
            if (qGreen(c) > qRed(c) + 10 && qGreen(c) < 110)
                ++slate;
            else if (qGray(c) > 120)
                ++chalk;
        }
    }
    const int area = 120 * 188;
    QVERIFY2(slate > area / 2, qPrintable(QString("slate pixels: %1").arg(slate)));
    QVERIFY2(chalk > area / 50, qPrintable(QString("chalk pixels: %1").arg(chalk)));
}

void tst_ArtFiles::iconDirectory_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<int>>("sizes");
    QTest::newRow("application") << "icons/tavrin.ico" << QList<int>{32, 16};
    QTest::newRow("about") << "icons/about.ico" << QList<int>{32};
}

void tst_ArtFiles::iconDirectory()
{
    QFETCH(QString, file);
    QFETCH(QList<int>, sizes);
    const QByteArray ico = readAll(file);
    QVERIFY(!ico.isEmpty());
    const icon_file::Directory dir = icon_file::readDirectory(ico);
    QCOMPARE(dir.reserved, 0);
    QCOMPARE(dir.type, 1);
    QCOMPARE(dir.entries.size(), sizes.size());

    quint32 expectedOffset = 6 + 16 * quint32(sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const icon_file::Entry &e = dir.entries[i];
        QCOMPARE(e.width, sizes[i]);
        QCOMPARE(e.height, sizes[i]);
        QCOMPARE(e.colourCount, 16);
        QCOMPARE(e.reserved, 0);
        QCOMPARE(e.planes, 1);
        QCOMPARE(e.bitCount, 4);
        QCOMPARE(e.imageOffset, expectedOffset);
        // Header, 16-colour palette, 4-bit XOR image, 1-bit mask, rows padded to 32 bits.
        const int side = sizes[i];
        const quint32 xorBytes = quint32(((side * 4 + 31) / 32) * 4 * side);
        const quint32 andBytes = quint32(((side + 31) / 32) * 4 * side);
        QCOMPARE(e.bytesInRes, 40 + 64 + xorBytes + andBytes);
        expectedOffset += e.bytesInRes;

        const icon_file::Image image = icon_file::decode4(ico, e);
        QCOMPARE(image.headerWidth, side);
        QCOMPARE(image.headerHeight, 2 * side);
        QCOMPARE(image.headerBitCount, 4);
        QCOMPARE(image.headerCompression, 0);
        QCOMPARE(image.headerSizeImage, xorBytes + andBytes);
    }
    QCOMPARE(qsizetype(expectedOffset), ico.size());
}

void tst_ArtFiles::iconImagesMatchThePngs_data()
{
    QTest::addColumn<QString>("ico");
    QTest::addColumn<int>("image");
    QTest::addColumn<QString>("png");
    QTest::newRow("tree 32") << "icons/tavrin.ico" << 0 << "icons/hicolor/32x32/apps/tavrin.png";
    QTest::newRow("tree 16") << "icons/tavrin.ico" << 1 << "icons/hicolor/16x16/apps/tavrin.png";
    QTest::newRow("face 32") << "icons/about.ico" << 0 << "icons/about.png";
}

void tst_ArtFiles::iconImagesMatchThePngs()
{
    QFETCH(QString, ico);
    QFETCH(int, image);
    QFETCH(QString, png);
    QByteArray icoBytes = readAll(ico);
    const icon_file::Directory dir = icon_file::readDirectory(icoBytes);
    QVERIFY(image < dir.entries.size());
    const icon_file::Image decoded = icon_file::decode4(icoBytes, dir.entries[image]);
    QVERIFY(!decoded.argb.isNull());

    const QImage pngImage = QImage::fromData(readAll(png), "PNG").convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(pngImage.size(), decoded.argb.size());
    QCOMPARE(pngImage.dotsPerMeterX(), 3780);
    QCOMPARE(pngImage.dotsPerMeterY(), 3780);
    QCOMPARE(decoded.argb, pngImage);

    QSet<QRgb> colours;
    for (int y = 0; y < pngImage.height(); ++y)
        for (int x = 0; x < pngImage.width(); ++x)
            colours.insert(pngImage.pixel(x, y));
    QVERIFY(colours.size() <= 17); // sixteen colours and transparency

    // Qt's own reader of icons must see the same picture.
    if (!QImageReader::supportedImageFormats().contains("ico"))
        QSKIP("Qt's ico reader is not installed");
    QBuffer buffer(&icoBytes);
    QImageReader reader(&buffer, "ico");
    QVERIFY(reader.jumpToImage(image));
    QCOMPARE(reader.read().convertToFormat(QImage::Format_ARGB32), pngImage);
}

void tst_ArtFiles::iconMasksMakeTheBackgroundTransparent()
{
    const QByteArray tree = readAll("icons/tavrin.ico");
    const icon_file::Directory dir = icon_file::readDirectory(tree);
    QCOMPARE(dir.entries.size(), 2);
    for (const icon_file::Entry &entry : dir.entries) {
        const icon_file::Image image = icon_file::decode4(tree, entry);
        const int last = entry.width - 1;
        for (const QPoint corner : {QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last)}) {
            QCOMPARE(image.maskBit(corner.x(), corner.y()), 1);
            QCOMPARE(image.index(corner.x(), corner.y()), 0); // black, so the screen shows unchanged
        }
        // The middle of the tree is mostly green, and shown.
        const int side = entry.width;
        int green = 0;
        int box = 0;
        for (int y = side / 2; y < side * 7 / 8; ++y) {
            for (int x = side / 4; x < side * 3 / 4; ++x, ++box) {
                if (image.maskBit(x, y) == 0 && isGreen(image.argb.pixel(x, y)))
                    ++green;
            }
        }
        QVERIFY2(green * 3 > box, qPrintable(QString("%1 px tree: %2 of %3 green").arg(side).arg(green).arg(box)));
        // Every pixel is either shown or masked, never an inverting mix.
        for (int i = 0; i < image.mask.size(); ++i)
            QVERIFY(image.mask[i] == 0 || image.indices[i] == 0);
    }
}

void tst_ArtFiles::iconsShowWhatTheyShould()
{
    // The tree: a red star at the top centre, a trunk at the bottom, baubles of several colours.
    for (const QString &png : {QStringLiteral("icons/hicolor/32x32/apps/tavrin.png"),
                               QStringLiteral("icons/hicolor/16x16/apps/tavrin.png")}) {
        const QImage tree = QImage::fromData(readAll(png), "PNG").convertToFormat(QImage::Format_ARGB32);
        const int side = tree.width();
        QCOMPARE(tree.pixel(side / 2, 0), qRgb(0xff, 0, 0));
        QCOMPARE(qAlpha(tree.pixel(0, side / 2)), 0);
        QSet<QRgb> bright;
        for (int y = side / 4; y < side * 7 / 8; ++y)
            for (int x = 0; x < side; ++x)
                if (const QRgb c = tree.pixel(x, y); qAlpha(c) == 255 && !isGreen(c) && qGray(c) > 40)
                    bright.insert(c);
        QVERIFY2(bright.size() >= 4, qPrintable(png));
    }

    // The face: yellow inside a black ring, transparent outside it.
    const QImage face = QImage::fromData(readAll("icons/about.png"), "PNG").convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(qAlpha(face.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(face.pixel(31, 31)), 0);
    QCOMPARE(face.pixel(16, 5), qRgb(0xff, 0xff, 0));
    for (const QPoint edge : {QPoint(1, 16), QPoint(16, 1)})
        QCOMPARE(face.pixel(edge), qRgb(0, 0, 0));
}

void tst_ArtFiles::pngsCarryNoTextOrTime_data()
{
    QTest::addColumn<QString>("png");
    QTest::addColumn<int>("side");
    QTest::newRow("tree 16") << "icons/hicolor/16x16/apps/tavrin.png" << 16;
    QTest::newRow("tree 32") << "icons/hicolor/32x32/apps/tavrin.png" << 32;
    QTest::newRow("face 32") << "icons/about.png" << 32;
}

void tst_ArtFiles::pngsCarryNoTextOrTime()
{
    QFETCH(QString, png);
    QFETCH(int, side);
    const QByteArray bytes = readAll(png);
    QCOMPARE(bytes.left(8), QByteArray("\x89PNG\r\n\x1a\n"));
    QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 16), quint32(side));
    QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 20), quint32(side));
    const QStringList chunks = pngChunks(bytes);
    QCOMPARE(chunks.first(), QStringLiteral("IHDR"));
    QCOMPARE(chunks.last(), QStringLiteral("IEND"));
    for (const char *banned : {"tIME", "tEXt", "zTXt", "iTXt"})
        QVERIFY2(!chunks.contains(QLatin1String(banned)), banned);
}

QTEST_GUILESS_MAIN(tst_ArtFiles)
#include "tst_art_files.moc"
