// The art as the program sees it: compiled into the binary, under the paths the windows use.

#include "tavrin_icons.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QImage committed(const QString &relativePath)
{
    return QImage(QStringLiteral(TAVRIN_RESOURCES_DIR "/") + relativePath)
        .convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class tst_ResourceBundle : public QObject
{
    Q_OBJECT

private slots:
    void bundledFilesAreTheCommittedOnes_data();
    void bundledFilesAreTheCommittedOnes();
    void applicationIconHasBothDrawnSizes();
    void aboutIconIsTheFace();
    void aboutPictureLoads();
};

void tst_ResourceBundle::bundledFilesAreTheCommittedOnes_data()
{
    QTest::addColumn<QString>("bundled");
    QTest::addColumn<QString>("source");
    QTest::newRow("tree 32") << ":/icons/tavrin.png" << "icons/hicolor/32x32/apps/tavrin.png";
    QTest::newRow("tree 16") << ":/icons/tavrin-16.png" << "icons/hicolor/16x16/apps/tavrin.png";
    QTest::newRow("tree ico") << ":/icons/tavrin.ico" << "icons/tavrin.ico";
    QTest::newRow("face") << ":/icons/about.png" << "icons/about.png";
    QTest::newRow("face ico") << ":/icons/about.ico" << "icons/about.ico";
    QTest::newRow("picture") << resources::kAboutPicturePath << "about_picture.bmp";
}

void tst_ResourceBundle::bundledFilesAreTheCommittedOnes()
{
    QFETCH(QString, bundled);
    QFETCH(QString, source);
    const QByteArray inBinary = readFile(bundled);
    QVERIFY2(!inBinary.isEmpty(), qPrintable(bundled + " is not in the bundle"));
    QCOMPARE(inBinary, readFile(QStringLiteral(TAVRIN_RESOURCES_DIR "/") + source));
}

void tst_ResourceBundle::applicationIconHasBothDrawnSizes()
{
    const QIcon icon = resources::applicationIcon();
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(32, 32)));
    // Each size is its own drawing, not the other one scaled.
    QCOMPARE(icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32),
             committed("icons/hicolor/16x16/apps/tavrin.png"));
    QCOMPARE(icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32),
             committed("icons/hicolor/32x32/apps/tavrin.png"));
}

void tst_ResourceBundle::aboutIconIsTheFace()
{
    const QIcon icon = resources::aboutIcon();
    QCOMPARE(icon.availableSizes(), QList<QSize>{QSize(32, 32)});
    QCOMPARE(icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32),
             committed("icons/about.png"));
}

void tst_ResourceBundle::aboutPictureLoads()
{
    const QPixmap picture(resources::kAboutPicturePath);
    QCOMPARE(picture.size(), QSize(320, 240));
}

QTEST_MAIN(tst_ResourceBundle)
#include "tst_resource_bundle.moc"
